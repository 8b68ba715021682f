#pragma once

#include <memory>
#include <string>

#include "model/SettingsStore.h"

class QSettings;

namespace foldcraft {

// The per-user settings store on QSettings("Halvard", "Foldcraft"), with the
// sections and value names of the program ("FTPServer"/"HostName", ...). The file
// holds FTP passwords, so it is kept at mode 0600.
class QtSettingsStore : public ISettingsStore {
public:
    // The user's own store.
    QtSettingsStore();
    // A store in the given INI file (tests, portable set-ups).
    explicit QtSettingsStore(const std::string& iniFile);
    ~QtSettingsStore() override;

    int GetInt(const std::string& section, const std::string& name, int defaultValue) const override;
    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& defaultValue) const override;
    // Writes and flushes the value; false when the file cannot be written.
    bool WriteInt(const std::string& section, const std::string& name, int value) override;
    bool WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;

    // Path of the file behind the store.
    std::string FileName() const;

private:
    bool Flush();
    std::unique_ptr<QSettings> m_settings;
};

}  // namespace foldcraft
