#pragma once

#include <sys/types.h>

#include <string>

namespace foldcraft::test {

// A real S3-compatible server for tests: npm's s3rver ($FOLDCRAFT_S3RVER, else as
// installed into build/node by tools/setup.sh) on 127.0.0.1, on a free port, keeping its objects below a
// temporary directory, with the bucket kBucket. It takes the access key kAccessKey
// (any other is refused as unknown; it does not check version 4 signatures).
//
// The constructor waits (at most kPatience) until the server listens; Stop and the
// destructor end it, and the destructor removes the directory.
class S3rverTestServer {
public:
    static constexpr const char* kBucket = "site";
    static constexpr const char* kAccessKey = "S3RVER";
    static constexpr const char* kSecretKey = "S3RVER";

    S3rverTestServer();
    ~S3rverTestServer();
    S3rverTestServer(const S3rverTestServer&) = delete;
    S3rverTestServer& operator=(const S3rverTestServer&) = delete;

    // Why s3rver cannot run here (not installed); empty when it can.
    static std::string Unavailable();

    bool Started() const { return m_port > 0; }
    const std::string& Error() const { return m_error; }
    std::string Endpoint() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    // Where s3rver keeps the object at key of kBucket ("KEY._S3rver_object"), and the
    // keys it holds below prefix (by their files).
    std::string ObjectFile(const std::string& key) const;
    std::string ObjectsDir() const { return m_workDir + "/data/" + kBucket; }
    void Stop();
    // What the server logged: a line a request ("info: KEY STATUS ...").
    std::string Log() const;

private:
    std::string m_workDir;
    std::string m_error;
    pid_t m_pid = -1;
    int m_port = 0;
};

}  // namespace foldcraft::test
