#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/SettingsStore.h"

namespace foldcraft {

// Where each project was last published, kept in the per-user settings store by the
// project file's path, so that opening a project brings its own target back; and the
// settings store that the publish dialogs read and write while that project is open.
//
//   "Projects/<key>"             "File" (the project file's canonical path), "Method"
//                                ("local", "ftp", "sftp" or "s3"), "LocalPath"
//   "Projects/<key>/FTPServer"   HostName, Port, User, StartDir, Passive, Security,
//                                TrustFingerprint
//   "Projects/<key>/SFTPServer"  HostName, Port, User, StartDir, KeyFile
//   "Projects/<key>/S3Storage"   Endpoint, Region, Bucket, Prefix, PathStyle
//
// <key> is 16 hexadecimal digits of the SHA-256 of the canonical path; a record whose
// "File" names another path (two paths with one key) counts as none. Only the names
// above are kept per project: never a password, a passphrase or a storage key.
//
// As a store: a read of one of those names gives the project's value where its record
// holds one, else the user's own (the section without the prefix, which stays the
// default of a project without a record); a write of one goes to both. Every other
// value is the user's store's alone. A new project (no file yet) has no record.
class ProjectTargets : public ISettingsStore {
public:
    enum class Method { kLocal, kFtp, kSftp, kS3 };

    // store must outlive this object.
    explicit ProjectTargets(ISettingsStore& store);

    // Switches to the project saved at projectFile (empty: a new project).
    void SetProject(const std::string& projectFile);
    // The canonical path of the project's file; empty for a new project.
    const std::string& Project() const { return m_file; }
    // Whether the project has a record.
    bool HasRecord() const;

    // The method to show for the project: the remembered one; without a record the
    // project file's (CFoldcraftDoc::kPublishLocal or kPublishFtp), where FTP means
    // SFTP while the retired setting "SFTPServer"/"Chosen" is 1.
    Method InitialMethod(std::int32_t fileMethod) const;
    // The remembered local directory; nullopt without one.
    std::optional<std::string> LocalPath() const;
    // Remembers method and local directory for the project (nothing for a new
    // project). False when a write did not reach the store.
    bool Remember(Method method, const std::string& localPath);

    // The file's path with links resolved, or its absolute clean path when it does
    // not exist; empty for an empty path.
    static std::string CanonicalPath(const std::string& projectFile);
    // "Projects/<key>" for a canonical path.
    static std::string SectionOf(const std::string& canonicalPath);

    Stored Lookup(const std::string& section, const std::string& name) const override;
    bool WriteInt(const std::string& section, const std::string& name, int value) override;
    bool WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;
    // Removes the user's value (no project keeps a value that is ever removed: secrets).
    bool Remove(const std::string& section, const std::string& name) override;

private:
    bool KeepsPerProject(const std::string& section, const std::string& name) const;
    bool WriteRecord(const std::string& section, const std::string& name, const std::string& value);

    ISettingsStore& m_store;
    std::string m_file;     // canonical; empty for a new project
    std::string m_section;  // "Projects/<key>"; empty for a new project
};

}  // namespace foldcraft
