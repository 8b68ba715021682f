#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace foldcraft {

// Requests to one bucket of an S3-compatible object store over HTTP(S), through
// libcurl, signed with AWS Signature Version 4 (CURLOPT_AWS_SIGV4) and the payload's
// SHA-256 in x-amz-content-sha256. The handle keeps its connection between requests.
//
// Failures are values (Response): an answer that is not 2xx carries the store's
// error code and message; no answer at all carries libcurl's reason. The keys never
// appear in a Response. Not thread-safe: one client per thread.
class S3Client {
public:
    struct Options {
        std::string endpoint;  // "https://s3.eu-west-1.amazonaws.com", "http://127.0.0.1:4568"
        std::string region;
        std::string bucket;
        bool pathStyle = false;  // endpoint/bucket/key rather than bucket.host/key
        std::string accessKey;
        std::string secretKey;
        int timeoutSeconds = 60;  // connecting, and any wait without progress
    };

    struct Response {
        long status = 0;        // HTTP status; 0: no answer
        std::string transport;  // libcurl's reason when there was no answer
        std::string body;       // at most the limit asked for (error documents in full)
        bool tooLarge = false;  // the body went beyond the limit
        std::string etag;
        std::uint64_t length = 0;  // Content-Length of a HEAD's object
        std::string contentType;   // Content-Type of the answer
        std::string code;          // the store's error code ("NoSuchBucket"), or ""
        std::string message;       // the store's error message, or ""

        bool Ok() const { return status >= 200 && status < 300; }
        // Worth trying again: no answer, 5xx, 429, SlowDown.
        bool Transient() const;
        // "NoSuchKey (The specified key does not exist.)", "HTTP 500",
        // "connection refused: ..."
        std::string Reason() const;
    };

    // The bytes of a PUT: a string, or length bytes of fd from offset.
    struct Body {
        const std::string* bytes = nullptr;
        int fd = -1;
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
        std::string sha256;  // of the payload, hex; empty: UNSIGNED-PAYLOAD
        std::function<void(std::uint64_t)> onBytes;  // told as bytes go out
        // Set when fd could not be read (the source, not the store, failed).
        mutable int readErrno = 0;
    };

    explicit S3Client(Options options);
    ~S3Client();
    S3Client(const S3Client&) = delete;
    S3Client& operator=(const S3Client&) = delete;

    // key: the object's name in the bucket (not encoded). query: "" or an encoded
    // query already in canonical order ("partNumber=1&uploadId=..."). headers:
    // "Name: value" lines.
    Response Get(const std::string& key, std::size_t limit,
                 const std::vector<std::string>& headers = {});
    Response Head(const std::string& key);
    Response Put(const std::string& key, const std::string& query, const Body& body,
                 const std::vector<std::string>& headers);
    Response Post(const std::string& key, const std::string& query, const std::string& body,
                  const std::vector<std::string>& headers);
    Response Delete(const std::string& key, const std::string& query = {});

    // key percent-encoded as S3 canonical URIs want it ("/" kept).
    static std::string EncodeKey(const std::string& key);
    // A query value percent-encoded.
    static std::string EncodeValue(const std::string& value);
    // The text of the first <tag>...</tag> in an XML document, or "".
    static std::string XmlText(const std::string& xml, const std::string& tag);

    const Options& GetOptions() const { return m_options; }

private:
    struct Request;
    Response Perform(Request& request);
    std::string Url(const std::string& key, const std::string& query) const;

    Options m_options;
    void* m_curl;  // CURL*
};

}  // namespace foldcraft
