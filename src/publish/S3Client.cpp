#include "publish/S3Client.h"

#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "publish/FileDigest.h"

namespace foldcraft {
namespace {

const char* const kEmptySha256 = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '.' || c == '_' || c == '~';
}

std::string Encode(const std::string& text, bool keepSlash) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (Unreserved(c) || (keepSlash && c == '/')) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    const std::size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : text.substr(start);
}

}  // namespace

struct S3Client::Request {
    const char* method = "GET";
    std::string url;
    std::vector<std::string> headers;
    std::string payloadSha256 = kEmptySha256;
    const Body* upload = nullptr;
    std::uint64_t sent = 0;
    const std::string* postBody = nullptr;
    std::size_t limit = 64 * 1024;
    bool noBody = false;
    Response response;
};

bool S3Client::Response::Transient() const {
    return status == 0 || status >= 500 || status == 429 || code == "SlowDown" ||
           code == "RequestTimeout";
}

std::string S3Client::Response::Reason() const {
    if (status == 0) return transport;
    if (!code.empty()) return message.empty() ? code : code + " (" + message + ")";
    return "HTTP " + std::to_string(status);
}

S3Client::S3Client(Options options) : m_options(std::move(options)) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    m_curl = curl_easy_init();
}

S3Client::~S3Client() {
    if (m_curl) curl_easy_cleanup(static_cast<CURL*>(m_curl));
}

std::string S3Client::EncodeKey(const std::string& key) {
    return Encode(key, true);
}

std::string S3Client::EncodeValue(const std::string& value) {
    return Encode(value, false);
}

std::string S3Client::XmlText(const std::string& xml, const std::string& tag) {
    const std::string open = "<" + tag + ">";
    const std::size_t start = xml.find(open);
    if (start == std::string::npos) return {};
    const std::size_t end = xml.find("</" + tag + ">", start);
    if (end == std::string::npos) return {};
    return xml.substr(start + open.size(), end - start - open.size());
}

std::string S3Client::Url(const std::string& key, const std::string& query) const {
    std::string url = m_options.endpoint;
    while (!url.empty() && url.back() == '/') url.pop_back();
    if (m_options.pathStyle) {
        url += "/" + EncodeValue(m_options.bucket);
    } else {
        const std::size_t host = url.find("://");
        if (host != std::string::npos) url.insert(host + 3, m_options.bucket + ".");
    }
    url += "/" + EncodeKey(key);
    if (!query.empty()) url += "?" + query;
    return url;
}

S3Client::Response S3Client::Get(const std::string& key, std::size_t limit,
                                 const std::vector<std::string>& headers) {
    Request request;
    request.url = Url(key, {});
    request.headers = headers;
    request.limit = limit;
    return Perform(request);
}

S3Client::Response S3Client::Head(const std::string& key) {
    Request request;
    request.method = "HEAD";
    request.url = Url(key, {});
    request.noBody = true;
    return Perform(request);
}

S3Client::Response S3Client::Put(const std::string& key, const std::string& query,
                                 const Body& body, const std::vector<std::string>& headers) {
    Request request;
    request.method = "PUT";
    request.url = Url(key, query);
    request.headers = headers;
    request.payloadSha256 = body.sha256.empty() ? "UNSIGNED-PAYLOAD" : body.sha256;
    request.upload = &body;
    return Perform(request);
}

S3Client::Response S3Client::Post(const std::string& key, const std::string& query,
                                  const std::string& body, const std::vector<std::string>& headers) {
    Request request;
    request.method = "POST";
    request.url = Url(key, query);
    request.headers = headers;
    request.postBody = &body;
    request.payloadSha256 = FileDigest::OfBytes(body).sha256;
    return Perform(request);
}

S3Client::Response S3Client::Delete(const std::string& key, const std::string& query) {
    Request request;
    request.method = "DELETE";
    request.url = Url(key, query);
    return Perform(request);
}

namespace {

size_t Received(char* data, size_t size, size_t count, void* user) {
    auto* pair = static_cast<std::pair<std::string*, std::size_t>*>(user);
    const std::size_t n = size * count;
    std::string& body = *pair->first;
    if (body.size() <= pair->second) body.append(data, std::min(n, pair->second + 1 - body.size()));
    return n;
}

struct HeaderSink {
    std::string etag;
    std::string contentType;
    std::uint64_t length = 0;
};

size_t HeaderLine(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<HeaderSink*>(user);
    const std::string line(data, size * count);
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos) {
        const std::string name = Lower(line.substr(0, colon));
        const std::string value = Trimmed(line.substr(colon + 1));
        if (name == "etag") sink->etag = value;
        if (name == "content-type") sink->contentType = value;
        if (name == "content-length") sink->length = std::strtoull(value.c_str(), nullptr, 10);
    }
    return size * count;
}

struct Reader {
    const S3Client::Body* body;
    std::uint64_t done = 0;
};

size_t Send(char* into, size_t size, size_t count, void* user) {
    auto* reader = static_cast<Reader*>(user);
    const S3Client::Body& body = *reader->body;
    const std::uint64_t total = body.bytes ? body.bytes->size() : body.length;
    const std::size_t room = size * count;
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(room, total - reader->done));
    if (want == 0) return 0;
    std::size_t got = 0;
    if (body.bytes) {
        std::copy_n(body.bytes->data() + reader->done, want, into);
        got = want;
    } else {
        const ssize_t n = ::pread(body.fd, into, want,
                                  static_cast<off_t>(body.offset + reader->done));
        if (n < 0 && errno == EINTR) return Send(into, size, count, user);
        if (n <= 0) {
            // Shorter than when it was opened, or unreadable: the upload fails, and
            // the object keeps what it had.
            body.readErrno = n < 0 ? errno : EIO;
            return CURL_READFUNC_ABORT;
        }
        got = static_cast<std::size_t>(n);
    }
    reader->done += got;
    if (body.onBytes) body.onBytes(got);
    return got;
}

}  // namespace

S3Client::Response S3Client::Perform(Request& request) {
    CURL* curl = static_cast<CURL*>(m_curl);
    Response& response = request.response;
    if (!curl) {
        response.transport = "libcurl could not start";
        return response;
    }
    curl_easy_reset(curl);
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_options.timeoutSeconds));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_options.timeoutSeconds));
    const std::string sigv4 = "aws:amz:" + m_options.region + ":s3";
    curl_easy_setopt(curl, CURLOPT_AWS_SIGV4, sigv4.c_str());
    curl_easy_setopt(curl, CURLOPT_USERNAME, m_options.accessKey.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, m_options.secretKey.c_str());

    curl_slist* headers = nullptr;
    request.headers.push_back("x-amz-content-sha256: " + request.payloadSha256);
    request.headers.push_back("Expect:");  // no wait for "100 Continue"
    for (const std::string& header : request.headers) headers = curl_slist_append(headers, header.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

    // Error documents are read whole (up to kErrorLimit) whatever the limit asked for.
    constexpr std::size_t kErrorLimit = 64 * 1024;
    std::pair<std::string*, std::size_t> sink{&response.body, std::max(request.limit, kErrorLimit)};
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Received);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    HeaderSink headerSink;
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, HeaderLine);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &headerSink);

    Reader reader{request.upload};
    if (request.noBody) {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    } else if (request.upload) {
        const Body& body = *request.upload;
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl, CURLOPT_READFUNCTION, Send);
        curl_easy_setopt(curl, CURLOPT_READDATA, &reader);
        curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE,
                         static_cast<curl_off_t>(body.bytes ? body.bytes->size() : body.length));
    } else if (request.postBody) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.postBody->data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.postBody->size()));
    }
    if (std::string(request.method) != "GET" && !request.upload && !request.postBody &&
        !request.noBody) {
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method);
    }

    const CURLcode result = curl_easy_perform(curl);
    curl_slist_free_all(headers);
    if (result != CURLE_OK) {
        response.status = 0;
        response.transport = errorText[0] ? errorText : curl_easy_strerror(result);
        return response;
    }
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    response.etag = headerSink.etag;
    response.contentType = headerSink.contentType;
    response.length = headerSink.length;
    // An error can come with a 200 (a multipart upload completed in vain).
    if (!response.Ok() || response.body.find("<Error>") != std::string::npos) {
        response.code = XmlText(response.body, "Code");
        response.message = XmlText(response.body, "Message");
        if (response.Ok() && !response.code.empty()) response.status = 500;
    }
    response.tooLarge = response.Ok() && response.body.size() > request.limit;
    if (response.tooLarge) response.body.resize(request.limit);
    return response;
}

}  // namespace foldcraft
