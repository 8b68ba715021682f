#include "document/ProjectTargets.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <utility>

#include "model/FoldcraftDoc.h"

namespace foldcraft {
namespace {

constexpr const char* kFile = "File";
constexpr const char* kMethod = "Method";
constexpr const char* kLocalPath = "LocalPath";

// The values of a target that belong to the project rather than to the user.
struct TargetSection {
    const char* section;
    std::array<const char*, 7> names;
};
constexpr std::array<TargetSection, 3> kTargets = {{
    {"FTPServer",
     {"HostName", "Port", "User", "StartDir", "Passive", "Security", "TrustFingerprint"}},
    {"SFTPServer", {"HostName", "Port", "User", "StartDir", "KeyFile", nullptr, nullptr}},
    {"S3Storage", {"Endpoint", "Region", "Bucket", "Prefix", "PathStyle", nullptr, nullptr}},
}};

constexpr std::array<std::pair<ProjectTargets::Method, const char*>, 4> kMethodNames = {{
    {ProjectTargets::Method::kLocal, "local"},
    {ProjectTargets::Method::kFtp, "ftp"},
    {ProjectTargets::Method::kSftp, "sftp"},
    {ProjectTargets::Method::kS3, "s3"},
}};

}  // namespace

ProjectTargets::ProjectTargets(ISettingsStore& store) : m_store(store) {}

std::string ProjectTargets::CanonicalPath(const std::string& projectFile) {
    if (projectFile.empty()) return {};
    const QFileInfo info(QString::fromStdString(projectFile));
    const QString canonical = info.canonicalFilePath();
    return (canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical)
        .toStdString();
}

std::string ProjectTargets::SectionOf(const std::string& canonicalPath) {
    const QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(canonicalPath),
                                                       QCryptographicHash::Sha256);
    return "Projects/" + digest.left(8).toHex().toStdString();
}

void ProjectTargets::SetProject(const std::string& projectFile) {
    m_file = CanonicalPath(projectFile);
    m_section = m_file.empty() ? std::string() : SectionOf(m_file);
}

bool ProjectTargets::HasRecord() const {
    if (m_section.empty()) return false;
    const Stored file = m_store.Lookup(m_section, kFile);
    return file.kind == Stored::Kind::kText && file.text == m_file;
}

ProjectTargets::Method ProjectTargets::InitialMethod(std::int32_t fileMethod) const {
    if (HasRecord()) {
        const std::string name = m_store.GetString(m_section, kMethod, "");
        for (const auto& [method, text] : kMethodNames) {
            if (name == text) return method;
        }
    }
    if (fileMethod == CFoldcraftDoc::kPublishLocal) return Method::kLocal;
    return m_store.GetInt("SFTPServer", "Chosen", 0) == 1 ? Method::kSftp : Method::kFtp;
}

std::optional<std::string> ProjectTargets::LocalPath() const {
    if (!HasRecord()) return std::nullopt;
    const Stored path = m_store.Lookup(m_section, kLocalPath);
    if (path.kind != Stored::Kind::kText) return std::nullopt;
    return path.text;
}

bool ProjectTargets::Remember(Method method, const std::string& localPath) {
    const auto named = std::find_if(kMethodNames.begin(), kMethodNames.end(),
                                    [method](const auto& entry) { return entry.first == method; });
    return WriteRecord(m_section, kMethod, named->second) &&
           WriteRecord(m_section, kLocalPath, localPath);
}

bool ProjectTargets::KeepsPerProject(const std::string& section, const std::string& name) const {
    if (m_section.empty()) return false;
    for (const TargetSection& target : kTargets) {
        if (section != target.section) continue;
        return std::any_of(target.names.begin(), target.names.end(),
                           [&name](const char* kept) { return kept && name == kept; });
    }
    return false;
}

bool ProjectTargets::WriteRecord(const std::string& section, const std::string& name,
                                 const std::string& value) {
    if (m_section.empty()) return true;
    if (!HasRecord() && !m_store.WriteString(m_section, kFile, m_file)) return false;
    return m_store.WriteString(section, name, value);
}

ISettingsStore::Stored ProjectTargets::Lookup(const std::string& section,
                                              const std::string& name) const {
    if (KeepsPerProject(section, name) && HasRecord()) {
        Stored own = m_store.Lookup(m_section + "/" + section, name);
        if (own.kind != Stored::Kind::kMissing) return own;
    }
    return m_store.Lookup(section, name);
}

bool ProjectTargets::WriteInt(const std::string& section, const std::string& name, int value) {
    const bool written = m_store.WriteInt(section, name, value);
    if (!KeepsPerProject(section, name)) return written;
    return WriteRecord(m_section + "/" + section, name, std::to_string(value)) && written;
}

bool ProjectTargets::WriteString(const std::string& section, const std::string& name,
                                 const std::string& value) {
    const bool written = m_store.WriteString(section, name, value);
    if (!KeepsPerProject(section, name)) return written;
    return WriteRecord(m_section + "/" + section, name, value) && written;
}

bool ProjectTargets::Remove(const std::string& section, const std::string& name) {
    return m_store.Remove(section, name);
}

}  // namespace foldcraft
