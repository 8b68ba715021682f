#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "publish/S3SiteTarget.h"
#include "publish/S3Settings.h"
#include "publish/ServerPublishRun.h"

class CFoldcraftDoc;

namespace foldcraft {

// The publish to an S3-compatible bucket, step for step the FTP one
// (ServerPublishRun): the pages rendered in memory, the bucket reached with the
// keys, the site synced below the prefix (SyncRun on an S3SiteTarget, over up to the
// settings' connections), and at the end where the site can be seen: the bucket's
// web site address on AWS, else what the bucket needs to serve it.
//
// The caller has made the publish checks first (PublishChecks::BeginPublish and
// S3Settings::Check). doc.m_arrPublishFiles receives the files not uploaded. The
// keys never reach the log.
class S3PublishRun : public ServerPublishRun {
public:
    S3PublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                 S3Settings settings, PauseHook pause = {});

    // The waits between the tries of a request (tests: none).
    void SetRetryWaits(std::vector<std::chrono::milliseconds> waits) {
        m_retryWaits = std::move(waits);
    }
    // Objects of this size or more go up in parts (tests: small).
    void SetMultipart(std::uint64_t threshold, std::uint64_t partSize) {
        m_multipartThreshold = threshold;
        m_partSize = partSize;
    }

    Result RunS3Publish();

    // What stopped the run before anything was sent (kNone when the bucket answered).
    S3SiteTarget::Failure FailureKind() const { return m_failureKind; }
    // That failure in one sentence, with the store's error code; empty for kNone.
    const std::string& FailureMessage() const { return m_failureMessage; }

    // Where the site is seen once published ("http://B.s3-website-R.amazonaws.com/P"
    // for AWS; empty elsewhere).
    static std::string WebsiteAddress(const S3Settings& settings);

private:
    Result Run();
    bool FromServer(const std::string& shown) const override;
    std::string LoggedOffLine() const override { return {}; }
    std::string ClosingLines() const override;

    S3Settings m_settings;
    std::optional<std::vector<std::chrono::milliseconds>> m_retryWaits;
    std::uint64_t m_multipartThreshold = 64ull << 20;
    std::uint64_t m_partSize = 16ull << 20;
    S3SiteTarget::Failure m_failureKind = S3SiteTarget::Failure::kNone;
    std::string m_failureMessage;
};

}  // namespace foldcraft
