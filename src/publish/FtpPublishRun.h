#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "model/Clock.h"
#include "publish/FtpSettings.h"
#include "publish/LogSink.h"
#include "publish/PublishManifest.h"

class CFoldcraftDoc;
class CBuildTreeFolder;
class CFTPLink;

namespace foldcraft {

// The FTP publish run: writes the site's pages into the program folder's staging
// directory "_temp", logs on to the server (through the configured firewall),
// changes to the starting directory, makes the remote directory tree, uploads the
// support images, the pages, the stylesheet and the published documents, and logs
// off, reporting every step to a log sink.
//
// Remote layout, relative to the starting directory (the same as a local site):
//   <page>.html, styles.css           the staging pages, in name order, styles.css last
//   images/<name>                     the background image (by
//                                     SitePaths::BackgroundImageName), then the
//                                     support images
//   files/<relative path>             documents and hotspot pictures, where relative
//                                     path is SitePaths::RelativeSitePath of the source
//
// A source whose remote name would not stay inside files/ or images/ (a "." or ".."
// segment, an empty remainder, CR or LF in it) gets no directory and no upload; its
// path goes into the not-copied list. Web and mail links are never uploaded.
//
// A directory that the server refuses with 550 (and that is not there) does not end
// the run: the files below it are listed as not copied. Each file is stored under a
// temporary name beside its place (TemporaryName) and then renamed over the old one,
// so a failed upload keeps the file that was there; a server that cannot rename gets
// plain uploads. After the not-copied list, each distinct server reply that made a
// file fail is logged once ("Server: ..."), with a hint when active mode failed (PORT
// refused, or 425: the server could not connect back).
//
// The manifest PublishManifest::kFileName in the starting directory records what the
// run put on the server. The next run reads it back, uploads only new or changed
// files (unless FtpSettings::bChangedOnly is 0) and removes the files that it lists
// and the site no longer holds; nothing else on the server is ever removed. It is
// written last, under its temporary name, then renamed. A missing or foreign one
// means a full upload and no removals.
//
// The caller has made the publish checks first (PublishChecks::BeginPublish and
// FtpSettings::Check). The run empties doc.m_arrPublishFiles when it starts and
// leaves there the local paths of the files that were not uploaded. Passwords never
// reach the log.
class FtpPublishRun {
public:
    using Result = PublishResult;
    using PauseHook = PublishPauseHook;
    // Asked before each remote directory and each upload (from the run's thread);
    // true stops the run there: the file under way is finished, the rest is left.
    using StopHook = std::function<bool()>;

    static constexpr const char* kStoppedLine = "\nPublish stopped by the user.\n";

    // doc and sink must outlive the run. programFolder holds images/ (missing support
    // images are installed there before upload) and the staging directory _temp.
    FtpPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                  FtpSettings settings, PauseHook pause = {});
    ~FtpPublishRun();

    // How long any network wait may go without progress; by default the settings'
    // timeout.
    void SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // A stop request: once stop() answers true the run makes no further directory
    // and uploads no further file; after a good logon it sends QUIT, then ends with
    // kStoppedLine as a failed run (the files not sent are not listed).
    void SetStopHook(StopHook stop) { m_stop = std::move(stop); }

    // Runs the whole publish once. The Close button is disabled while it works and
    // enabled at the end in every case.
    Result RunFtpPublish();

    // Set when the run failed or a file was not uploaded.
    bool ErrorFlag() const { return m_bError; }

    // After a failed login, starting directory or directory structure: what the
    // client last heard from the server (or its own failure text), with any password
    // masked. Empty when the run did not fail there, or when the text answers a
    // command that carried a password (a server may echo what it was sent).
    const std::string& FailureDetail() const { return m_strFailureDetail; }

    // The staging directory: programFolder + "/_temp".
    std::string StagingDirectory() const;

    // The steps, public for tests. CreateTempPages returns 0 on success, 1 when the
    // directory cannot be made for want of a parent, 2 to 5 when the stylesheet, the
    // title page, the sitemap or the folder pages fail. Pages left in the directory
    // by an earlier run (*.html, styles.css) are removed first, so only this
    // project's current pages are uploaded.
    int CreateTempPages(const std::string& directory);
    bool CreateRemoteDirectories(CFTPLink& link);
    bool CreateRemoteFolderDirectories(CFTPLink& link, const CBuildTreeFolder& folder);
    bool MirrorRemoteDirectories(CFTPLink& link, std::string_view sourcePath);
    bool UploadSiteFiles(CFTPLink& link);
    bool UploadSupportImages(CFTPLink& link);
    bool UploadPages(CFTPLink& link);
    bool UploadFolderFiles(CFTPLink& link, const CBuildTreeFolder& folder);

    // "files/" + the relative site path of a local source; nullopt when that would
    // not stay inside files/.
    static std::optional<std::string> FilesRemoteName(std::string_view source);
    // "images/" + the file name of a local source; nullopt when the name is unsafe.
    static std::optional<std::string> ImagesRemoteName(std::string_view source);
    // Where a file is stored before it is renamed to remote: ".part-" + its name in
    // the same directory.
    static std::string TemporaryName(const std::string& remote);

    // Log texts of the run beyond the fixed ones.
    static constexpr const char* kDirectoriesRefused = "\nSome directories could not be created.\n";
    static constexpr const char* kPortRefusedHint =
        "\nHint: active mode (PORT) failed on this server; passive mode may work.\n";

private:
    Result FailureEnd(const char* text);
    // A step after a good logon failed: keeps the failure detail, appends text, logs
    // off (QUIT) and ends the run as FailureEnd does.
    Result FailureEndAfterLogon(CFTPLink& link, const char* text);
    void Append(const char* text) { m_sink.AppendText(text); }
    void Pause(int milliseconds) {
        if (m_pause) m_pause(milliseconds);
    }
    // Uploads local as remote (when given), listing local on failure.
    void Upload(CFTPLink& link, const std::optional<std::string>& remote, const std::string& local);
    // MakeDirectory once per run for each path.
    bool MakeRemoteDirectory(CFTPLink& link, const std::string& path);
    void KeepFailureDetail(const CFTPLink& link);
    bool StopRequested();
    std::string MaskPasswords(std::string text) const;
    // Stores local as remote through the temporary name. False with the reason in
    // m_strUploadFailure; m_bOldFileKept tells whether the server still holds what
    // it held before.
    bool Transfer(CFTPLink& link, const std::string& remote, const std::string& local);
    void NoteUploadFailure(const CFTPLink& link);
    // The 550 reply of the refused directory that path lies in (or is), or nullptr.
    const std::string* RefusedDirectoryOf(const std::string& path) const;
    void ReadRemoteManifest(CFTPLink& link);
    void RemoveUnpublished(CFTPLink& link);
    void WriteRemoteManifest(CFTPLink& link);

    CFoldcraftDoc& m_doc;
    ILogSink& m_sink;
    std::string m_programFolder;
    FtpSettings m_settings;
    PauseHook m_pause;
    StopHook m_stop;
    bool m_bStopped = false;
    std::chrono::milliseconds m_timeout;
    Time m_now = 0;
    bool m_bError = false;
    std::string m_strFailureDetail;
    std::unordered_set<std::string> m_madeDirectories;
    std::map<std::string, std::string> m_refusedDirectories;  // path -> 550 reply
    std::vector<std::string> m_failureReplies;                // distinct, in order
    bool m_bPortRefused = false;
    bool m_bRenameWorks = true;
    bool m_bOldFileKept = true;
    std::string m_strUploadFailure;
    std::string m_strUploadFailureWord;
    std::optional<PublishManifest> m_oldManifest;  // as read back from the server
    PublishManifest m_remoteState;                 // what the server holds of ours
    std::unordered_set<std::string> m_published;   // every remote name of this site
    int m_nSkipped = 0;
    int m_nRemoved = 0;
};

}  // namespace foldcraft
