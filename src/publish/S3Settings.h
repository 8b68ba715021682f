#pragma once

#include <string>

#include "model/SettingsStore.h"

namespace foldcraft {

// Where an S3-compatible object store keeps the site, in the per-user settings
// store:
//
//   "S3Storage"  "Endpoint" (empty: AWS's endpoint of the region), "Region"
//                ("us-east-1"), "Bucket", "Prefix" (a folder of the bucket, "" or
//                ending in "/"), "PathStyle" (-1: decided by the endpoint, 0, 1),
//                "Connections" (4, 1 to 16), "Timeout" (60 s), "ChangedOnly" (1),
//                "AccessKey" (the access key id, which is no secret)
//
// The secret key is never stored here: it comes from the environment or the
// keyring, for one run.
struct S3Settings {
    static constexpr const char* kSection = "S3Storage";
    static constexpr const char* kDefaultRegion = "us-east-1";
    static constexpr int kDefaultTimeoutSeconds = 60;
    static constexpr int kDefaultConnections = 4;
    static constexpr int kMaxConnections = 16;

    static constexpr const char* kNoBucket = "You must enter a bucket name.";
    static constexpr const char* kBadEndpoint =
        "The endpoint must be an address beginning with http:// or https://.";
    static constexpr const char* kBadPrefix =
        "The prefix must be a folder name such as \"site/\", without \"..\" or a leading \"/\".";
    static constexpr const char* kNoKeys =
        "You must give an access key and a secret key (the environment variables "
        "AWS_ACCESS_KEY_ID and AWS_SECRET_ACCESS_KEY, or the options that name others).";

    std::string strEndpoint;
    std::string strRegion = kDefaultRegion;
    std::string strBucket;
    std::string strPrefix;
    int nPathStyle = -1;
    int nConnections = kDefaultConnections;
    int nTimeoutSeconds = kDefaultTimeoutSeconds;
    int bChangedOnly = 1;
    std::string strAccessKey;
    // For one run only, never stored here.
    std::string strSecretKey;

    // Reads every value, missing ones taking their defaults; a value that does not
    // read is an error naming its key (value is then S3Settings{}).
    static ISettingsStore::Checked<S3Settings> Read(const ISettingsStore& store);
    // The checks of a publish, in order: bucket, endpoint, prefix, keys. The message
    // of the first that fails, or empty.
    std::string Check() const;
    // Writes everything but the secret key. False when a check other than the keys' fails
    // or a write did not reach the store.
    bool Write(ISettingsStore& store) const;

    // The endpoint in use: strEndpoint, else "https://s3.REGION.amazonaws.com".
    std::string Endpoint() const;
    // Whether the endpoint is Amazon's own.
    bool IsAws() const;
    // Whether buckets are addressed in the path (endpoint/bucket/key) rather than in
    // the host name: nPathStyle when set, else for an endpoint other than AWS's that
    // is an IP address or localhost, or for a bucket name with a dot over HTTPS.
    bool PathStyle() const;
    // The prefix with a trailing "/" where it has none ("" stays "").
    std::string Prefix() const;
};

}  // namespace foldcraft
