#pragma once

class CArchive;

// Base of every object stored in a project file: it names its class (the name
// written in the file's class records), gives its schema number and reads or
// writes its own body through Serialize.
class CSerialObject {
public:
    virtual ~CSerialObject() = default;

    // The class name recorded in project files ("CBuildTreeDoc", ...).
    virtual const char* GetClassName() const = 0;
    // The schema number recorded with the class name; 1 for every class.
    virtual unsigned GetSchema() const { return 1; }
    // Writes the object's body when the archive is storing, reads it when loading.
    // A loading archive reports damage by throwing its own error type, which the
    // project file reader catches; nothing escapes the model.
    virtual void Serialize(CArchive& ar) = 0;
};
