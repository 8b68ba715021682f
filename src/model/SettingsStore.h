#pragma once

#include <string>

namespace foldcraft {

// The per-user settings store: values by section and name ("FTPServer"/"Port").
// Integers are stored as decimal text. Writes report whether the value reached the
// store.
class ISettingsStore {
public:
    // One value as the store holds it.
    struct Stored {
        enum class Kind {
            kMissing,  // nothing under the name
            kText,     // one text (an integer is its decimal text)
            kNotText,  // something else, such as the list an unquoted comma makes in an INI file
        };
        Kind kind = Kind::kMissing;
        std::string text;  // kText only
    };

    // A checked read: the value, or the error that names the key and what is stored
    // there (empty when the value was read).
    template <typename T>
    struct Checked {
        T value{};
        std::string error;
        bool Ok() const { return error.empty(); }
    };

    virtual ~ISettingsStore() = default;

    virtual Stored Lookup(const std::string& section, const std::string& name) const = 0;
    virtual bool WriteInt(const std::string& section, const std::string& name, int value) = 0;
    virtual bool WriteString(const std::string& section, const std::string& name,
                             const std::string& value) = 0;
    // Removes the value; true when it is gone (or was never there).
    virtual bool Remove(const std::string& section, const std::string& name) = 0;

    // Lenient reads, for values whose misreading costs nothing (a window's place, the
    // tip of the day): a missing or unreadable value gives the default.
    int GetInt(const std::string& section, const std::string& name, int defaultValue) const;
    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& defaultValue) const;

    // Checked reads, for values that must not be misread: a missing value gives the
    // default. An error when the stored value is not one text, or (ReadInt) not a
    // decimal integer from min to max (digits, a "-" before them at most). The error names the
    // stored integer (escaped, shortened), never a text (which may be a password).
    Checked<int> ReadInt(const std::string& section, const std::string& name, int defaultValue,
                         int min, int max) const;
    Checked<std::string> ReadString(const std::string& section, const std::string& name,
                                    const std::string& defaultValue) const;
};

}  // namespace foldcraft
