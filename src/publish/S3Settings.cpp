#include "publish/S3Settings.h"

#include <cctype>

namespace foldcraft {
namespace {

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// The host of an http(s) address, without port or user.
std::string HostOf(const std::string& url) {
    const std::size_t start = url.find("://");
    if (start == std::string::npos) return {};
    std::string host = url.substr(start + 3);
    host = host.substr(0, host.find_first_of("/?#"));
    const std::size_t at = host.rfind('@');
    if (at != std::string::npos) host = host.substr(at + 1);
    if (!host.empty() && host[0] == '[') return host.substr(0, host.find(']') + 1);
    return host.substr(0, host.find(':'));
}

bool IsIpOrLocal(const std::string& host) {
    if (host == "localhost" || (!host.empty() && host[0] == '[')) return true;
    for (const char c : host) {
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.') return false;
    }
    return !host.empty();
}

}  // namespace

ISettingsStore::Checked<S3Settings> S3Settings::Read(const ISettingsStore& store) {
    S3Settings s;
    std::string error;
    auto text = [&](const char* name, std::string& into, const char* defaultValue) {
        auto read = store.ReadString(kSection, name, defaultValue);
        if (error.empty()) error = std::move(read.error);
        into = std::move(read.value);
    };
    auto number = [&](const char* name, int defaultValue, int min, int max) {
        auto read = store.ReadInt(kSection, name, defaultValue, min, max);
        if (error.empty()) error = std::move(read.error);
        return read.value;
    };
    text("Endpoint", s.strEndpoint, "");
    text("Region", s.strRegion, kDefaultRegion);
    text("Bucket", s.strBucket, "");
    text("Prefix", s.strPrefix, "");
    text("AccessKey", s.strAccessKey, "");
    s.nPathStyle = number("PathStyle", -1, -1, 1);
    s.nConnections = number("Connections", kDefaultConnections, 1, kMaxConnections);
    s.nTimeoutSeconds = number("Timeout", kDefaultTimeoutSeconds, 1, 3600);
    s.bChangedOnly = number("ChangedOnly", 1, 0, 1);
    if (!error.empty()) return {S3Settings{}, std::move(error)};
    if (s.strRegion.empty()) s.strRegion = kDefaultRegion;
    return {std::move(s), {}};
}

std::string S3Settings::Check() const {
    if (strBucket.empty()) return kNoBucket;
    if (!strEndpoint.empty() &&
        ((!StartsWith(strEndpoint, "http://") && !StartsWith(strEndpoint, "https://")) ||
         HostOf(strEndpoint).empty())) {
        return kBadEndpoint;
    }
    const std::string prefix = Prefix();
    if (!prefix.empty() &&
        (prefix[0] == '/' || ("/" + prefix).find("/../") != std::string::npos ||
         ("/" + prefix).find("/./") != std::string::npos || prefix.find("//") != std::string::npos)) {
        return kBadPrefix;
    }
    for (const char c : prefix) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '\\') return kBadPrefix;
    }
    if (strAccessKey.empty() || strSecretKey.empty()) return kNoKeys;
    return {};
}

bool S3Settings::Write(ISettingsStore& store) const {
    const std::string problem = Check();
    if (!problem.empty() && problem != kNoKeys) return false;
    return store.WriteString(kSection, "Endpoint", strEndpoint) &&
           store.WriteString(kSection, "Region", strRegion) &&
           store.WriteString(kSection, "Bucket", strBucket) &&
           store.WriteString(kSection, "Prefix", strPrefix) &&
           store.WriteString(kSection, "AccessKey", strAccessKey) &&
           store.WriteInt(kSection, "PathStyle", nPathStyle) &&
           store.WriteInt(kSection, "Connections", nConnections) &&
           store.WriteInt(kSection, "ChangedOnly", bChangedOnly);
}

std::string S3Settings::Endpoint() const {
    if (!strEndpoint.empty()) {
        std::string endpoint = strEndpoint;
        while (!endpoint.empty() && endpoint.back() == '/') endpoint.pop_back();
        return endpoint;
    }
    return "https://s3." + strRegion + ".amazonaws.com";
}

bool S3Settings::IsAws() const {
    const std::string host = HostOf(Endpoint());
    const std::string aws = ".amazonaws.com";
    return host.size() > aws.size() && host.compare(host.size() - aws.size(), aws.size(), aws) == 0;
}

bool S3Settings::PathStyle() const {
    if (nPathStyle >= 0) return nPathStyle == 1;
    if (!IsAws() && IsIpOrLocal(HostOf(Endpoint()))) return true;
    // A certificate for *.s3.REGION.amazonaws.com does not cover a dotted name.
    return StartsWith(Endpoint(), "https://") && strBucket.find('.') != std::string::npos;
}

std::string S3Settings::Prefix() const {
    if (strPrefix.empty() || strPrefix.back() == '/') return strPrefix;
    return strPrefix + "/";
}

}  // namespace foldcraft
