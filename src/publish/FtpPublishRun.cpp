#include "publish/FtpPublishRun.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "generator/SiteGenerator.h"
#include "generator/SitePaths.h"
#include "generator/SupportImages.h"
#include "model/FoldcraftDoc.h"
#include "model/TextCase.h"
#include "publish/FTPLink.h"
#include "publish/FileDigest.h"
#include "publish/PageWriters.h"

namespace foldcraft {
namespace {

bool EndsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The regular files directly in dir whose names end in ".html", in byte order of
// their names. Empty when the directory cannot be read.
std::vector<std::string> ListStagingPages(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(dir, ec);
    if (ec) return names;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        std::error_code typeError;
        if (EndsWith(name, ".html") && entry.is_regular_file(typeError)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
    if (what.empty()) return;
    std::size_t pos = 0;
    while ((pos = text.find(what, pos)) != std::string::npos) {
        text.replace(pos, what.size(), with);
        pos += with.size();
    }
}

}  // namespace

FtpPublishRun::FtpPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                             FtpSettings settings, PauseHook pause)
    : m_doc(doc),
      m_sink(sink),
      m_programFolder(std::move(programFolder)),
      m_settings(std::move(settings)),
      m_pause(std::move(pause)),
      m_timeout(std::chrono::seconds(m_settings.nTimeoutSeconds > 0
                                         ? m_settings.nTimeoutSeconds
                                         : FtpSettings::kDefaultTimeoutSeconds)) {}

FtpPublishRun::~FtpPublishRun() = default;

std::string FtpPublishRun::StagingDirectory() const {
    return m_programFolder + "/_temp";
}

std::optional<std::string> FtpPublishRun::FilesRemoteName(std::string_view source) {
    const std::string relative = SitePaths::RelativeSitePath(source);
    if (!SitePaths::IsSafeRelativePath(relative)) return std::nullopt;
    return "files/" + relative;
}

std::optional<std::string> FtpPublishRun::ImagesRemoteName(std::string_view source) {
    const std::string name = SitePaths::FileName(source);
    if (!SitePaths::IsSafeRelativePath(name)) return std::nullopt;
    return "images/" + name;
}

FtpPublishRun::Result FtpPublishRun::FailureEnd(const char* text) {
    Append(text);
    m_bError = true;
    m_sink.EnableClose(true);
    return Result::kFailed;
}

FtpPublishRun::Result FtpPublishRun::FailureEndAfterLogon(CFTPLink& link, const char* text) {
    KeepFailureDetail(link);
    Append(text);
    // Logged on: QUIT goes out before the run ends.
    link.Logoff();
    m_bError = true;
    m_sink.EnableClose(true);
    return Result::kFailed;
}

bool FtpPublishRun::StopRequested() {
    if (!m_bStopped && m_stop && m_stop()) m_bStopped = true;
    return m_bStopped;
}

void FtpPublishRun::KeepFailureDetail(const CFTPLink& link) {
    if (link.LastReplyFollowsPassword()) {
        m_strFailureDetail.clear();
        return;
    }
    m_strFailureDetail = MaskPasswords(link.m_strLastReply);
}

std::string FtpPublishRun::MaskPasswords(std::string text) const {
    ReplaceAll(text, m_settings.strPassword, "********");
    ReplaceAll(text, m_settings.strFirewallPassword, "********");
    return text;
}

std::string FtpPublishRun::TemporaryName(const std::string& remote) {
    const std::size_t slash = remote.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return remote.substr(0, nameStart) + ".part-" + remote.substr(nameStart);
}

FtpPublishRun::Result FtpPublishRun::RunFtpPublish() {
    m_bError = false;
    m_bStopped = false;
    m_strFailureDetail.clear();
    m_madeDirectories.clear();
    m_refusedDirectories.clear();
    m_failureReplies.clear();
    m_bPortRefused = false;
    m_bRenameWorks = true;
    m_oldManifest.reset();
    m_remoteState = {};
    m_published.clear();
    m_nSkipped = 0;
    m_nRemoved = 0;
    m_now = Clock::Now();
    m_sink.EnableClose(false);

    // The header and "Creating temp files..." are shown after the pause that follows
    // them in the log (the sink shows what it is given at once).
    m_doc.m_arrPublishFiles.clear();
    Pause(100);
    Append("Publish status:\n----------------------------------------\n");
    Append("\nCreating temp files...");
    switch (CreateTempPages(StagingDirectory())) {
        case 0:
            break;
        case 1:
            return FailureEnd("\nCreation of temp directory failed!\n");
        case 2:
            return FailureEnd("\nCreation of stylesheet failed!\n");
        case 3:
            return FailureEnd("\nCreation of title page failed!\n");
        case 4:
            return FailureEnd("\nCreation of sitemap failed!\n");
        default:
            return FailureEnd("\nCreation of folder pages failed!\n");
    }
    Append("\nSuccesfully created temp files.\n");
    m_sink.Scroll(4);
    Pause(100);

    if (StopRequested()) return FailureEnd(kStoppedLine);

    // One client per run; destroying it closes whatever is left open.
    auto link = std::make_unique<CFTPLink>();
    link->SetTimeout(m_timeout);
    if (m_settings.nSecurity != FtpSettings::kSecurityPlain) {
        link->RequireTls(m_settings.strTrustFingerprint);
    }

    Append("\nLogging into FTP server...");
    if (!link->Logon(m_settings.strHostName, m_settings.nPort.value_or(FtpSettings::kDefaultPort),
                     m_settings.strUser, m_settings.strPassword, std::string(),
                     m_settings.strFirewallHost, m_settings.strFirewallUser,
                     m_settings.strFirewallPassword, m_settings.nFirewallPort,
                     m_settings.nFirewallType)) {
        KeepFailureDetail(*link);
        if (link->TlsRefused())
            return FailureEnd("\nServer does not support encrypted connections.\n");
        if (link->CertificateRefused()) m_sink.AppendText("\n" + link->m_strLastReply + "\n");
        return FailureEnd("\nServer login failed!\n");
    }
    Append("\nSuccessfully logged into server.\n");
    m_sink.Scroll(2);

    // An empty starting directory means the directory the login leads to: "CWD "
    // with nothing after it is a syntax error to most servers.
    if (!m_settings.strStartDir.empty() && !link->Command("CWD " + m_settings.strStartDir)) {
        return FailureEndAfterLogon(*link, "\nStarting directory not found!\n");
    }

    Append("\nCreating directory structure...");
    if (!CreateRemoteDirectories(*link)) {
        if (m_bStopped) return FailureEndAfterLogon(*link, kStoppedLine);
        return FailureEndAfterLogon(*link, "\nCreation of directory structure failed!\n");
    }
    Append(m_refusedDirectories.empty() ? "\nSuccessfully created directory structure.\n"
                                        : kDirectoriesRefused);
    m_sink.Scroll(2);

    Append("\nCopying files to server...");
    bool allCopied = true;
    const bool uploaded = UploadSiteFiles(*link);
    if (m_bStopped) return FailureEndAfterLogon(*link, kStoppedLine);
    if (uploaded) {
        Append("\nSuccessfully copied files to server\n");
    } else {
        allCopied = false;
        Append("\nThe following files were not copied to the server:\n");
        for (const std::string& entry : m_doc.m_arrPublishFiles) {
            m_sink.AppendText(entry + "\n");
        }
        for (const std::string& reply : m_failureReplies) {
            m_sink.AppendText("\nServer: " + reply + "\n");
        }
        if (m_bPortRefused) Append(kPortRefusedHint);
    }
    if (m_nSkipped > 0) {
        m_sink.AppendText("\nSkipped " + std::to_string(m_nSkipped) + " unchanged files.\n");
    }
    if (m_nRemoved > 0) {
        m_sink.AppendText("\nRemoved " + std::to_string(m_nRemoved) +
                          " files that are no longer published.\n");
    }

    m_sink.Scroll(2);
    link->Logoff();
    Append("\nLogged off of FTP server.\n");
    m_sink.Scroll(2);
    Pause(100);

    if (allCopied) {
        Append("\n--------------------\nPublish successful!\n");
    } else {
        m_bError = true;
        Append("\n--------------------\nPublish finished.\nSome files were not copied.\n");
    }
    m_sink.Scroll(4);
    m_sink.EnableClose(true);
    return allCopied ? Result::kSuccess : Result::kFilesNotCopied;
}

int FtpPublishRun::CreateTempPages(const std::string& directory) {
    if (::mkdir(directory.c_str(), 0755) != 0 && errno == ENOENT) return 1;

    // Pages of an earlier run (of this or another project) must not be uploaded.
    std::error_code ec;
    for (const std::string& name : ListStagingPages(directory)) {
        std::filesystem::remove(directory + "/" + name, ec);
    }
    std::filesystem::remove(directory + "/styles.css", ec);

    if (!PageWriters::Call(&WriteStyleSheet, m_doc, directory)) return 2;
    if (m_doc.m_bCreateTitlePage == 1 && !PageWriters::Call(&WriteTitlePage, m_doc, directory))
        return 3;
    if (m_doc.m_bCreateSitemap == 1 && !PageWriters::Call(&WriteSitemap, m_doc, directory))
        return 4;
    if (!PageWriters::Call(&WriteFolderPages, m_doc, directory)) return 5;
    return 0;
}

bool FtpPublishRun::MakeRemoteDirectory(CFTPLink& link, const std::string& path) {
    if (m_madeDirectories.count(path) != 0) return true;
    if (StopRequested()) return false;
    // Below a refused directory nothing can be made; its files are listed later.
    if (RefusedDirectoryOf(path) != nullptr) return true;
    if (!link.MakeDirectory(path)) {
        if (!link.DirectoryRefused()) return false;
        m_refusedDirectories[path] = MaskPasswords(link.m_strLastReply);
        return true;
    }
    m_madeDirectories.insert(path);
    return true;
}

const std::string* FtpPublishRun::RefusedDirectoryOf(const std::string& path) const {
    if (m_refusedDirectories.empty()) return nullptr;
    std::size_t end = 0;
    while (true) {
        end = path.find('/', end);
        const auto it = m_refusedDirectories.find(path.substr(0, end));
        if (it != m_refusedDirectories.end()) return &it->second;
        if (end == std::string::npos) return nullptr;
        ++end;
    }
}

bool FtpPublishRun::CreateRemoteDirectories(CFTPLink& link) {
    if (!MakeRemoteDirectory(link, "images")) return false;
    if (!MakeRemoteDirectory(link, "files")) return false;
    return CreateRemoteFolderDirectories(link, *m_doc.m_pRoot);
}

bool FtpPublishRun::CreateRemoteFolderDirectories(CFTPLink& link, const CBuildTreeFolder& folder) {
    if (folder.m_bHotspotFolder != 0 && !folder.m_strHotspotImage.empty() &&
        !MirrorRemoteDirectories(link, folder.m_strHotspotImage)) {
        return false;
    }
    for (const auto& doc : folder.m_arrDocs) {
        if (!MirrorRemoteDirectories(link, doc->m_strLink)) return false;
    }
    for (const auto& sub : folder.m_arrFolders) {
        if (!CreateRemoteFolderDirectories(link, *sub)) return false;
    }
    return true;
}

bool FtpPublishRun::MirrorRemoteDirectories(CFTPLink& link, std::string_view sourcePath) {
    if (SitePaths::IsExternalLink(sourcePath)) return true;
    const std::optional<std::string> remote = FilesRemoteName(sourcePath);
    // Nothing is made for an unsafe path: its upload is refused and listed.
    if (!remote) return true;
    std::size_t slash = remote->find('/');  // after "files"
    while (true) {
        const std::size_t next = remote->find('/', slash + 1);
        if (next == std::string::npos) break;  // the rest is the file name
        if (!MakeRemoteDirectory(link, remote->substr(0, next))) return false;
        slash = next;
    }
    return true;
}

void FtpPublishRun::NoteUploadFailure(const CFTPLink& link) {
    m_strUploadFailure = link.LastReplyFollowsPassword() ? std::string() : link.m_strLastReply;
    m_strUploadFailureWord = link.LastCommandWord();
}

bool FtpPublishRun::Transfer(CFTPLink& link, const std::string& remote, const std::string& local) {
    const bool passive = m_settings.bPassive != 0;
    if (!m_bRenameWorks) {
        m_bOldFileKept = false;
        if (link.TransferFile(remote, local, passive, false)) return true;
        NoteUploadFailure(link);
        return false;
    }
    m_bOldFileKept = true;
    const std::string temporary = TemporaryName(remote);
    if (!link.TransferFile(temporary, local, passive, false)) {
        NoteUploadFailure(link);
        // A part of the file may have arrived: it must not stay on the server.
        if (link.IsOpen() && link.LastCommandWord() == "STOR") link.DeleteFile(temporary);
        return false;
    }
    if (link.Rename(temporary, remote)) return true;
    NoteUploadFailure(link);
    if (!link.IsOpen()) return false;
    if (link.LastCommandWord() == "RNFR" && link.m_strLastReply.rfind("50", 0) == 0) {
        // No renaming on this server (500, 502, 504): plain uploads from here on.
        link.DeleteFile(temporary);
        m_bRenameWorks = false;
        return Transfer(link, remote, local);
    }
    // Some servers do not rename over an existing file.
    if (link.LastCommandWord() == "RNTO") {
        if (link.DeleteFile(remote)) {
            m_bOldFileKept = false;
            if (link.Rename(temporary, remote)) return true;
            NoteUploadFailure(link);
        }
    }
    if (link.IsOpen()) link.DeleteFile(temporary);
    return false;
}

void FtpPublishRun::Upload(CFTPLink& link, const std::optional<std::string>& remote,
                           const std::string& local) {
    if (StopRequested()) return;
    if (!remote) {
        m_doc.m_arrPublishFiles.push_back(local);
        return;
    }
    m_published.insert(*remote);
    std::string reason;
    const std::optional<FileDigest> digest = FileDigest::Of(local);
    if (const std::string* refusal = RefusedDirectoryOf(*remote)) {
        reason = *refusal;
    } else {
        const FileDigest* held = m_remoteState.Find(*remote);
        if (m_settings.bChangedOnly != 0 && digest && held && *held == *digest) {
            ++m_nSkipped;
            return;
        }
        if (Transfer(link, *remote, local)) {
            // What arrived is what was read (a file changed meanwhile is sent again).
            m_remoteState.Set(*remote, digest.value_or(FileDigest{}));
            return;
        }
        // A file of unknown content may be there now: listed, it is sent next time
        // and removed once it is no longer published.
        if (!m_bOldFileKept) m_remoteState.Set(*remote, FileDigest{});
        reason = m_strUploadFailure;
        if (m_settings.bPassive == 0 && CFTPLink::IsServerReply(reason) &&
            (m_strUploadFailureWord == "PORT" || reason.rfind("425", 0) == 0)) {
            m_bPortRefused = true;
        }
    }
    m_doc.m_arrPublishFiles.push_back(local);
    if (CFTPLink::IsServerReply(reason)) {
        reason = MaskPasswords(reason);
        if (std::find(m_failureReplies.begin(), m_failureReplies.end(), reason) ==
            m_failureReplies.end()) {
            m_failureReplies.push_back(reason);
        }
    }
}

bool FtpPublishRun::UploadSiteFiles(CFTPLink& link) {
    ReadRemoteManifest(link);
    UploadSupportImages(link);
    UploadPages(link);
    UploadFolderFiles(link, *m_doc.m_pRoot);
    // A stopped run removes nothing: what it did not reach is still published. The
    // manifest records what it did send.
    if (!m_bStopped) RemoveUnpublished(link);
    WriteRemoteManifest(link);
    return m_doc.m_arrPublishFiles.empty();
}

void FtpPublishRun::ReadRemoteManifest(CFTPLink& link) {
    const std::string local = StagingDirectory() + "/" + PublishManifest::kFileName + ".read";
    if (link.TransferFile(PublishManifest::kFileName, local, m_settings.bPassive != 0, true)) {
        std::ifstream in(local, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (in) m_oldManifest = PublishManifest::Parse(text.str());
    }
    std::error_code ec;
    std::filesystem::remove(local, ec);
    if (m_oldManifest) m_remoteState = *m_oldManifest;
}

void FtpPublishRun::RemoveUnpublished(CFTPLink& link) {
    if (!m_oldManifest) return;
    for (const auto& [path, digest] : m_oldManifest->Entries()) {
        if (m_published.count(path) != 0 || path == PublishManifest::kFileName) continue;
        if (!link.IsOpen()) return;
        // A file that will not go stays listed, to be tried again next time.
        if (link.DeleteFile(path)) {
            m_remoteState.Remove(path);
            ++m_nRemoved;
        }
    }
}

void FtpPublishRun::WriteRemoteManifest(CFTPLink& link) {
    const std::string local = StagingDirectory() + "/" + PublishManifest::kFileName;
    {
        std::ofstream out(local, std::ios::binary | std::ios::trunc);
        out << m_remoteState.Serialize();
        if (!out.flush()) {
            m_doc.m_arrPublishFiles.push_back(local);
            return;
        }
    }
    if (!Transfer(link, PublishManifest::kFileName, local)) {
        m_doc.m_arrPublishFiles.push_back(local);
    }
}

bool FtpPublishRun::UploadSupportImages(CFTPLink& link) {
    // Missing built-in images are put back first; a failure shows as failed uploads.
    SupportImages::EnsureInstalled(m_programFolder);
    if (!m_doc.m_strBackgroundImage.empty()) {
        // Under a name of its own when it is named like a support image.
        Upload(link, ImagesRemoteName(SitePaths::BackgroundImageName(m_doc.m_strBackgroundImage)),
               m_doc.m_strBackgroundImage);
    }
    for (const SupportImages::Image& image : SupportImages::All()) {
        const std::string name = image.name;
        Upload(link, "images/" + name, m_programFolder + "/images/" + name);
    }
    return true;
}

bool FtpPublishRun::UploadPages(CFTPLink& link) {
    const std::string staging = StagingDirectory();
    for (const std::string& name : ListStagingPages(staging)) {
        Upload(link,
               ImagesRemoteName(name).has_value() ? std::optional<std::string>(name) : std::nullopt,
               staging + "/" + name);
    }
    Upload(link, std::string("styles.css"), staging + "/styles.css");
    return true;
}

bool FtpPublishRun::UploadFolderFiles(CFTPLink& link, const CBuildTreeFolder& folder) {
    if (folder.m_bHotspotFolder != 0 && !folder.m_strHotspotImage.empty()) {
        const std::optional<std::string> remote = FilesRemoteName(folder.m_strHotspotImage);
        if (!remote || ToLowerUtf8(*remote) != ToLowerUtf8(folder.m_strHotspotImage)) {
            Upload(link, remote, folder.m_strHotspotImage);
        }
    }
    for (const auto& doc : folder.m_arrDocs) {
        if (!doc->IsActiveAt(m_now) || SitePaths::IsExternalLink(doc->m_strLink)) continue;
        Upload(link, FilesRemoteName(doc->m_strLink), doc->m_strLink);
    }
    for (const auto& sub : folder.m_arrFolders) {
        if (sub->IsActiveAt(m_now)) UploadFolderFiles(link, *sub);
    }
    return true;
}

}  // namespace foldcraft
