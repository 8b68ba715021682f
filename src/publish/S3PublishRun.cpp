#include "publish/S3PublishRun.h"

#include <algorithm>
#include <utility>

#include "publish/FileCopy.h"
#include "publish/SitePages.h"
#include "publish/SyncRun.h"

namespace foldcraft {
namespace {

// Regions whose web site endpoints take a dash ("s3-website-us-east-1") rather
// than a dot, as they did before the dotted form came.
bool DashedWebsiteRegion(const std::string& region) {
    for (const char* dashed : {"us-east-1", "us-west-1", "us-west-2", "eu-west-1", "ap-southeast-1",
                               "ap-southeast-2", "ap-northeast-1", "sa-east-1", "us-gov-west-1"}) {
        if (region == dashed) return true;
    }
    return false;
}

}  // namespace

S3PublishRun::S3PublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                           S3Settings settings, PauseHook pause)
    : ServerPublishRun(doc, sink, std::move(programFolder), std::move(pause), "S3"),
      m_settings(std::move(settings)) {}

S3PublishRun::Result S3PublishRun::RunS3Publish() {
    m_failureKind = S3SiteTarget::Failure::kNone;
    m_failureMessage.clear();
    return Guarded([this] { return Run(); });
}

S3PublishRun::Result S3PublishRun::Run() {
    const RunTime time = Clock::ForRun();
    SitePages pages;
    if (const std::optional<Result> ended = RenderPages(pages, time)) return *ended;

    S3SiteTarget::Options options;
    options.client.endpoint = m_settings.Endpoint();
    options.client.region = m_settings.strRegion;
    options.client.bucket = m_settings.strBucket;
    options.client.pathStyle = m_settings.PathStyle();
    options.client.accessKey = m_settings.strAccessKey;
    options.client.secretKey = m_settings.strSecretKey;
    options.client.timeoutSeconds = m_settings.nTimeoutSeconds;
    options.prefix = m_settings.Prefix();
    options.connections = static_cast<std::size_t>(
        std::clamp(m_settings.nConnections, 1, S3Settings::kMaxConnections));
    options.multipartThreshold = m_multipartThreshold;
    options.partSize = m_partSize;
    options.note = [this](const std::string& line) { Append(line); };
    if (m_retryWaits) options.retryWaits = *m_retryWaits;

    Append("\nConnecting to bucket " + SyncRun::Printable(m_settings.strBucket) + " at " +
           SyncRun::Printable(options.client.endpoint) + "...");
    S3SiteTarget site(options);
    std::string reason;
    m_failureKind = site.Ready(reason);
    if (m_failureKind != S3SiteTarget::Failure::kNone) {
        m_failureMessage = SyncRun::Printable(reason) + ".";
        return FailureEnd("\nConnecting to the bucket failed!\n");
    }
    Append("\nSuccessfully connected to the bucket.\n");
    m_sink.Scroll(2);
    return SyncSite(site, pages, time.now, m_settings.bChangedOnly != 0);
}

bool S3PublishRun::FromServer(const std::string& shown) const {
    return !FileCopy::IsSourceTrouble(shown);
}

std::string S3PublishRun::WebsiteAddress(const S3Settings& settings) {
    if (!settings.IsAws()) return {};
    const std::string& region = settings.strRegion;
    return "http://" + settings.strBucket + ".s3-website" +
           (DashedWebsiteRegion(region) ? "-" : ".") + region + ".amazonaws.com/" +
           settings.Prefix();
}

std::string S3PublishRun::ClosingLines() const {
    const std::string address = WebsiteAddress(m_settings);
    if (!address.empty()) {
        return "\nThe site is at " + SyncRun::Printable(address) +
               " once static web site hosting is on for the bucket and its objects may be "
               "read by everyone.\n";
    }
    return "\nThis storage does not serve the bucket as a web site by itself: make the "
           "bucket's objects readable by everyone and turn on its web site hosting where the "
           "storage offers it, or put a CDN in front of the bucket with the title page as "
           "the index.\n";
}

}  // namespace foldcraft
