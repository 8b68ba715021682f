#pragma once

#include <string>

namespace foldcraft {

// The per-user settings store: values by section and name ("FTPServer"/"Port").
// Reads never fail: a missing value gives the default. Writes report whether the
// value reached the store.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;

    virtual int GetInt(const std::string& section, const std::string& name, int defaultValue) const = 0;
    virtual std::string GetString(const std::string& section, const std::string& name,
                                  const std::string& defaultValue) const = 0;
    virtual bool WriteInt(const std::string& section, const std::string& name, int value) = 0;
    virtual bool WriteString(const std::string& section, const std::string& name,
                             const std::string& value) = 0;
};

}  // namespace foldcraft
