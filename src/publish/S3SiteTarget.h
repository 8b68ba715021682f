#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "publish/S3Client.h"
#include "publish/SiteTarget.h"

namespace foldcraft {

struct S3SiteTargetOptions {
    S3Client::Options client;
    // The site's folder in the bucket: "" or ending in "/".
    std::string prefix;
    // Files are put over at most this many connections at once (one client each).
    std::size_t connections = 1;
    // Objects of this size or more go up in parts of partSize bytes.
    std::uint64_t multipartThreshold = 64ull << 20;
    std::uint64_t partSize = 16ull << 20;
    std::size_t maxManifestBytes = PublishManifest::kMaxBytes;
    // A request that got no answer, a 5xx, 429 or SlowDown is tried at most maxTries
    // times, waiting retryWaits[n - 1] after the nth; note is told of each (a line
    // for the log); sleep waits (empty: the thread sleeps).
    int maxTries = 3;
    std::vector<std::chrono::milliseconds> retryWaits = {std::chrono::seconds(1),
                                                         std::chrono::seconds(2)};
    std::function<void(const std::string&)> note;
    std::function<void(std::chrono::milliseconds)> sleep;
    std::string host;                   // written into the lock; empty: gethostname()
    std::function<std::int64_t()> now;  // the lock's clock; empty: time()
};

// A site in a bucket of an S3-compatible object store, below a prefix.
//
// An object appears whole or not at all, so a file is PUT straight to its key, with
// its Content-Type (ContentTypeOf) and Cache-Control (CacheControlOf); one of
// multipartThreshold bytes or more goes up in parts, and a failed one is aborted.
// "Directories" are key prefixes: there is nothing to make or remove. The manifest
// and the lock (FtpSiteTarget::kLockFileName's text) are objects beside the site;
// the lock is created only where none is (If-None-Match: *) and read back, since
// not every store honours that condition.
//
// Reasons carry the store's error code: "The storage refused the keys:
// InvalidAccessKeyId (...)", "The bucket "B" does not exist", "Access denied: PATH
// (AccessDenied ...)", "The storage could not be reached (...)". No reason holds a
// key. Not thread-safe; a twin (Twin) has a client of its own.
class S3SiteTarget : public SiteTarget {
public:
    using Options = S3SiteTargetOptions;

    explicit S3SiteTarget(Options options);

    // What a first request found: the bucket answers, and the keys are good.
    enum class Failure { kNone, kUnreachable, kKeys, kNoBucket, kDenied, kOther };
    Failure Ready(std::string& reason);

    // "text/html", "image/png", ..., "application/octet-stream".
    static std::string ContentTypeOf(const std::string& path);
    // "no-cache" for pages and style sheets, "max-age=86400" for everything else.
    static std::string CacheControlOf(const std::string& path);

    std::unique_ptr<SiteTarget> Twin() const override;
    std::size_t Connections() const override;

    Lock TakeLock(std::string& holder) override;
    void ReleaseLock() override;
    ManifestText ReadManifest() override;
    Status WriteManifest(const std::string& text) override;
    bool NeedsDigests() const override { return true; }
    bool Holds(const std::string& path, const FileSource& source, const ManifestEntry& wanted,
               const ManifestEntry* recorded) override;
    Status MakeDirectory(const std::string& path, bool& made) override;
    Status PutFile(const std::string& path, const FileSource& source, const ManifestEntry& wanted,
                   std::optional<ManifestEntry>& entry) override;
    Removal RemoveFile(const std::string& path, const ManifestEntry& recorded,
                       std::string& reason) override;
    Status RemoveDirectory(const std::string& path) override;
    void RemoveLeftovers(const std::string& directory) override;

private:
    std::string Key(const std::string& path) const { return m_options.prefix + path; }
    // request, tried again while its answer is transient (see Options).
    S3Client::Response Retrying(const std::string& what,
                                const std::function<S3Client::Response()>& request);
    Status Failed(const std::string& path, const S3Client::Response& response) const;
    Status PutBody(const std::string& path, const S3Client::Body& body);
    Status PutParts(const std::string& path, const S3Client::Body& body,
                    const std::vector<std::string>& headers);

    Options m_options;
    std::unique_ptr<S3Client> m_client;
    std::string m_lockText;
};

}  // namespace foldcraft
