#pragma once

#include <QString>
#include <memory>
#include <string>

#include "model/SettingsStore.h"

class QSettings;
class QVariant;

namespace foldcraft {

// The per-user settings store on an INI file read and written by QSettings, with the
// sections and value names of the program ("FTPServer"/"HostName", ...). The file
// may hold an FTP password (where no keyring answers and the user asked for it), so
// it is kept at mode 0600.
//
// The file is never followed: before QSettings opens it, and again before and after
// each write, it is opened without following a final symbolic link and without
// waiting (a FIFO), and must be a regular file, or nothing (it is then created with
// mode 0600). Its mode is set through that descriptor, and only when the user owns
// it and it has no other name (a hard link). What remains: QSettings opens the file
// by name, and a link or FIFO put in its place in the instant between a check and
// QSettings's read or write (by someone who can write in its folder) would be
// followed.
class QtSettingsStore : public ISettingsStore {
public:
    // The user's own store, <configuration folder>/Halvard/Foldcraft.conf
    // ($XDG_CONFIG_HOME or ~/.config), the folder made when missing.
    static std::unique_ptr<QtSettingsStore> OpenUserStore(std::string& error);
    // A store in the given INI file (tests, portable set-ups), its folder made when
    // missing. nullptr, with error set ("Error: the settings file is not a regular
    // file: PATH", or that it cannot be read), when iniFile is a symbolic link, FIFO,
    // device, directory or socket, or a file that cannot be read. A file that cannot
    // be created is no error: the store is then empty and its writes fail.
    static std::unique_ptr<QtSettingsStore> Open(const std::string& iniFile, std::string& error);
    ~QtSettingsStore() override;

    Stored Lookup(const std::string& section, const std::string& name) const override;
    // Writes and flushes the value; false when the file cannot be written or is no
    // longer a regular file (the value is then not kept).
    bool WriteInt(const std::string& section, const std::string& name, int value) override;
    bool WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;
    // Removes the value and flushes; false as the writes.
    bool Remove(const std::string& section, const std::string& name) override;

    // Path of the file behind the store.
    std::string FileName() const;

private:
    explicit QtSettingsStore(const QString& fileName);
    // Sets the value (or removes it when value is invalid) and flushes.
    bool Write(const QString& key, const QVariant& value);

    QString m_fileName;  // absolute
    std::unique_ptr<QSettings> m_settings;
};

}  // namespace foldcraft
