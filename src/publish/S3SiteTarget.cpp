#include "publish/S3SiteTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>
#include <thread>
#include <utility>

#include "publish/FileCopy.h"
#include "publish/FileDigest.h"
#include "publish/FtpSiteTarget.h"
#include "publish/UniqueFd.h"

namespace foldcraft {
namespace {

std::string ThisHost() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
    return name;
}

std::string ExtensionOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

S3Client::Body BytesBody(const std::string& bytes) {
    S3Client::Body body;
    body.bytes = &bytes;
    body.sha256 = FileDigest::OfBytes(bytes).sha256;
    return body;
}

}  // namespace

S3SiteTarget::S3SiteTarget(Options options)
    : m_options(std::move(options)), m_client(std::make_unique<S3Client>(m_options.client)) {
    if (m_options.host.empty()) m_options.host = ThisHost();
    if (!m_options.now)
        m_options.now = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
    if (m_options.partSize < (5u << 20)) m_options.partSize = 5u << 20;  // S3's least part
}

std::string S3SiteTarget::ContentTypeOf(const std::string& path) {
    static const std::pair<const char*, const char*> kTypes[] = {
        {"html", "text/html"}, {"htm", "text/html"}, {"css", "text/css"},
        {"js", "text/javascript"}, {"txt", "text/plain"}, {"csv", "text/csv"},
        {"xml", "application/xml"}, {"json", "application/json"},
        {"png", "image/png"}, {"jpg", "image/jpeg"}, {"jpeg", "image/jpeg"},
        {"gif", "image/gif"}, {"bmp", "image/bmp"}, {"svg", "image/svg+xml"},
        {"webp", "image/webp"}, {"ico", "image/vnd.microsoft.icon"}, {"pdf", "application/pdf"},
        {"rtf", "application/rtf"}, {"doc", "application/msword"},
        {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
        {"xls", "application/vnd.ms-excel"},
        {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
        {"ppt", "application/vnd.ms-powerpoint"},
        {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
        {"odt", "application/vnd.oasis.opendocument.text"},
        {"ods", "application/vnd.oasis.opendocument.spreadsheet"},
        {"odp", "application/vnd.oasis.opendocument.presentation"},
        {"zip", "application/zip"}, {"mp3", "audio/mpeg"}, {"mp4", "video/mp4"},
    };
    const std::string extension = ExtensionOf(path);
    for (const auto& [name, type] : kTypes) {
        if (extension == name) return type;
    }
    return "application/octet-stream";
}

std::string S3SiteTarget::CacheControlOf(const std::string& path) {
    const std::string extension = ExtensionOf(path);
    return extension == "html" || extension == "htm" || extension == "css" ? "no-cache"
                                                                            : "max-age=86400";
}

std::unique_ptr<SiteTarget> S3SiteTarget::Twin() const {
    return std::make_unique<S3SiteTarget>(m_options);
}

std::size_t S3SiteTarget::Connections() const {
    return std::max<std::size_t>(1, m_options.connections);
}

S3Client::Response S3SiteTarget::Retrying(const std::string& what,
                                          const std::function<S3Client::Response()>& request) {
    S3Client::Response response = request();
    for (int attempt = 1; response.Transient() && attempt < m_options.maxTries; ++attempt) {
        if (m_options.note) {
            m_options.note("\nTrying " + what + " again (" + std::to_string(attempt + 1) + " of " +
                           std::to_string(m_options.maxTries) + "): " + response.Reason() + "\n");
        }
        const std::size_t wait = static_cast<std::size_t>(attempt - 1);
        if (wait < m_options.retryWaits.size()) {
            if (m_options.sleep) {
                m_options.sleep(m_options.retryWaits[wait]);
            } else {
                std::this_thread::sleep_for(m_options.retryWaits[wait]);
            }
        }
        response = request();
    }
    return response;
}

SiteTarget::Status S3SiteTarget::Failed(const std::string& path,
                                        const S3Client::Response& response) const {
    if (response.status == 0)
        return Status::Failed("The storage could not be reached (" + response.Reason() + ")", true);
    const std::string& code = response.code;
    if (code == "InvalidAccessKeyId" || code == "SignatureDoesNotMatch")
        return Status::Failed("The storage refused the keys: " + response.Reason(), true);
    if (code == "NoSuchBucket") {
        return Status::Failed("The bucket \"" + m_options.client.bucket + "\" does not exist",
                              true);
    }
    if (code == "AccessDenied" || (code.empty() && response.status == 403))
        return Status::Failed("Access denied: " + path + " (" + response.Reason() + ")");
    return Status::Failed("The storage failed on " + path + ": " + response.Reason());
}

S3SiteTarget::Failure S3SiteTarget::Ready(std::string& reason) {
    // A byte of the manifest: the answer tells whether the bucket is there and the
    // keys are good, whether or not there is a manifest yet.
    const S3Client::Response response = Retrying(PublishManifest::kFileName, [&] {
        return m_client->Get(Key(PublishManifest::kFileName), 1, {"Range: bytes=0-0"});
    });
    reason.clear();
    if (response.Ok() || response.code == "NoSuchKey" || response.code == "InvalidRange" ||
        (response.status == 404 && response.code.empty())) {
        return Failure::kNone;
    }
    reason = Failed(PublishManifest::kFileName, response).reason;
    if (response.status == 0) return Failure::kUnreachable;
    if (response.code == "InvalidAccessKeyId" || response.code == "SignatureDoesNotMatch")
        return Failure::kKeys;
    if (response.code == "NoSuchBucket") return Failure::kNoBucket;
    if (response.status == 403) return Failure::kDenied;
    return Failure::kOther;
}

// ---------------------------------------------------------------------------
// The lock and the manifest

SiteTarget::Lock S3SiteTarget::TakeLock(std::string& holder) {
    holder.clear();
    const std::string name = Key(FtpSiteTarget::kLockFileName);
    const std::string ours =
        FtpSiteTarget::LockText(m_options.host, static_cast<long>(::getpid()), m_options.now());
    const S3Client::Body body = BytesBody(ours);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto there = Retrying(FtpSiteTarget::kLockFileName, [&] {
            return m_client->Get(name, FtpSiteTarget::kMaxLockBytes);
        });
        bool onlyIfNone = true;
        if (there.Ok()) {
            const FtpSiteTarget::LockState state = FtpSiteTarget::JudgeLock(
                there.tooLarge ? std::string() : there.body, m_options.host, m_options.now());
            if (!state.stale || attempt > 0) {
                holder = state.holder;
                return Lock::kHeld;
            }
            onlyIfNone = false;  // a stale one is replaced
        } else if (there.status != 404 || there.code == "NoSuchBucket") {
            holder = Failed(FtpSiteTarget::kLockFileName, there).reason;
            return Lock::kFailed;
        }
        std::vector<std::string> headers = {"Content-Type: text/plain", "Cache-Control: no-cache"};
        if (onlyIfNone) headers.push_back("If-None-Match: *");
        const auto put = Retrying(FtpSiteTarget::kLockFileName,
                                  [&] { return m_client->Put(name, {}, body, headers); });
        if (put.status == 412 || put.status == 409) continue;  // another run was first
        if (!put.Ok()) {
            holder = Failed(FtpSiteTarget::kLockFileName, put).reason;
            return Lock::kFailed;
        }
        // Read back: a store that ignores the condition lets the last writer win.
        const auto back = m_client->Get(name, FtpSiteTarget::kMaxLockBytes);
        if (back.Ok() && back.body == ours) {
            m_lockText = ours;
            return Lock::kTaken;
        }
    }
    holder = std::string(FtpSiteTarget::kLockFileName) + " could not be made";
    return Lock::kFailed;
}

void S3SiteTarget::ReleaseLock() {
    if (m_lockText.empty()) return;
    const std::string name = Key(FtpSiteTarget::kLockFileName);
    // Only our own: one that another run took over (ours had expired) stays.
    const auto there = m_client->Get(name, FtpSiteTarget::kMaxLockBytes);
    if (there.Ok() && there.body == m_lockText) m_client->Delete(name);
    m_lockText.clear();
}

SiteTarget::ManifestText S3SiteTarget::ReadManifest() {
    ManifestText result;
    const auto response = Retrying(PublishManifest::kFileName, [&] {
        return m_client->Get(Key(PublishManifest::kFileName), m_options.maxManifestBytes);
    });
    if (response.status == 404 && response.code != "NoSuchBucket") return result;
    result.found = true;
    if (!response.Ok()) {
        result.status = Failed(PublishManifest::kFileName, response);
    } else if (response.tooLarge) {
        result.status = Status::Failed(std::string("The manifest ") + PublishManifest::kFileName +
                                       " is larger than " +
                                       std::to_string(m_options.maxManifestBytes) + " bytes.");
    } else {
        result.text = response.body;
    }
    return result;
}

SiteTarget::Status S3SiteTarget::WriteManifest(const std::string& text) {
    return PutBody(PublishManifest::kFileName, BytesBody(text));
}

// ---------------------------------------------------------------------------
// Objects

bool S3SiteTarget::Holds(const std::string& /*path*/, const FileSource& /*source*/,
                         const ManifestEntry& wanted, const ManifestEntry* recorded) {
    return recorded != nullptr && !recorded->sha256.empty() && recorded->size == wanted.size &&
           recorded->sha256 == wanted.sha256;
}

SiteTarget::Status S3SiteTarget::MakeDirectory(const std::string& /*path*/, bool& made) {
    made = false;  // a key prefix needs no making
    return Status::Ok();
}

SiteTarget::Status S3SiteTarget::RemoveDirectory(const std::string& /*path*/) {
    return Status::Ok();
}

void S3SiteTarget::RemoveLeftovers(const std::string& /*directory*/) {
    // Nothing is ever put under a temporary name.
}

SiteTarget::Status S3SiteTarget::PutFile(const std::string& path, const FileSource& source,
                                         const ManifestEntry& wanted,
                                         std::optional<ManifestEntry>& entry) {
    // What was read is recorded: a file changed meanwhile differs next time and goes again.
    entry = wanted;
    S3Client::Body body;
    body.onBytes = source.onBytes;
    UniqueFd file;
    if (source.bytes) {
        body.bytes = source.bytes;
    } else {
        // A pipe or device must not block the open; only a regular file is sent, and
        // at most the size it had when it was opened.
        file = UniqueFd(::open(source.localPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        struct stat st {};
        if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0)
            return Status::Failed(FileCopy::SourceTrouble(errno));
        if (S_ISDIR(st.st_mode)) return Status::Failed(FileCopy::SourceTrouble(EISDIR));
        if (!S_ISREG(st.st_mode)) return Status::Failed(FileCopy::kNotRegular);
        body.fd = file.Get();
        body.length = static_cast<std::uint64_t>(st.st_size);
    }
    // The digest the sync took signs the payload; a file changed since is refused by
    // the store rather than stored unchecked.
    const std::uint64_t size = body.bytes ? body.bytes->size() : body.length;
    if (!wanted.sha256.empty() && wanted.size == size) body.sha256 = wanted.sha256;
    if (body.fd >= 0 && size >= m_options.multipartThreshold) {
        return PutParts(path, body,
                        {"Content-Type: " + ContentTypeOf(path),
                         "Cache-Control: " + CacheControlOf(path)});
    }
    return PutBody(path, body);
}

SiteTarget::Status S3SiteTarget::PutBody(const std::string& path, const S3Client::Body& body) {
    const std::vector<std::string> headers = {"Content-Type: " + ContentTypeOf(path),
                                              "Cache-Control: " + CacheControlOf(path)};
    const auto response = Retrying(path, [&] {
        body.readErrno = 0;
        return m_client->Put(Key(path), {}, body, headers);
    });
    if (body.readErrno != 0) return Status::Failed(FileCopy::SourceTrouble(body.readErrno));
    return response.Ok() ? Status::Ok() : Failed(path, response);
}

SiteTarget::Status S3SiteTarget::PutParts(const std::string& path, const S3Client::Body& body,
                                          const std::vector<std::string>& headers) {
    const std::string key = Key(path);
    const auto created =
        Retrying(path, [&] { return m_client->Post(key, "uploads=", {}, headers); });
    const std::string id = S3Client::XmlText(created.body, "UploadId");
    if (!created.Ok() || id.empty()) return Failed(path, created);
    const std::string idQuery = "uploadId=" + S3Client::EncodeValue(id);
    std::string parts;
    S3Client::Response response;
    int number = 0;
    for (std::uint64_t offset = 0; offset < body.length; offset += m_options.partSize) {
        S3Client::Body part;
        part.fd = body.fd;
        part.offset = offset;
        part.length = std::min(m_options.partSize, body.length - offset);
        part.onBytes = body.onBytes;
        const std::string query = "partNumber=" + std::to_string(++number) + "&" + idQuery;
        response = Retrying(path, [&] {
            part.readErrno = 0;
            return m_client->Put(key, query, part, {});
        });
        if (!response.Ok() || part.readErrno != 0) {
            m_client->Delete(key, idQuery);
            if (part.readErrno != 0) return Status::Failed(FileCopy::SourceTrouble(part.readErrno));
            return Failed(path, response);
        }
        parts += "<Part><PartNumber>" + std::to_string(number) + "</PartNumber><ETag>" +
                 response.etag + "</ETag></Part>";
    }
    const std::string complete =
        "<CompleteMultipartUpload>" + parts + "</CompleteMultipartUpload>";
    response = Retrying(path, [&] {
        return m_client->Post(key, idQuery, complete, {"Content-Type: application/xml"});
    });
    if (response.Ok()) return Status::Ok();
    m_client->Delete(key, idQuery);
    return Failed(path, response);
}

SiteTarget::Removal S3SiteTarget::RemoveFile(const std::string& path,
                                             const ManifestEntry& recorded, std::string& reason) {
    reason.clear();
    const auto there = Retrying(path, [&] { return m_client->Head(Key(path)); });
    if (there.status == 404) return Removal::kGone;
    if (!there.Ok()) {
        reason = Failed(path, there).reason;
        return Removal::kFailed;
    }
    if (there.length != recorded.size) {
        reason = path + " has " + std::to_string(there.length) + " bytes in the bucket, " +
                 std::to_string(recorded.size) + " when it was published";
        return Removal::kChanged;
    }
    const auto removed = Retrying(path, [&] { return m_client->Delete(Key(path)); });
    if (removed.Ok() || removed.status == 404) return Removal::kRemoved;
    reason = Failed(path, removed).reason;
    return Removal::kFailed;
}

}  // namespace foldcraft
