#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct ssh_session_struct;
struct ssh_channel_struct;

namespace foldcraft {

// An SFTP conversation (protocol version 3) of Foldcraft's own, on a channel of its
// own beside libssh's SFTP session, for the two things libssh 0.10's SFTP client
// cannot do: a file's writes go out without waiting for each answer (a distant server
// is waited on about once per file, not once per block), and a file is renamed over
// another in one step with posix-rename@openssh.com where the server offers it.
//
// Failures are values (Result). A channel that failed or timed out is lost for good:
// every later call fails at once. Not thread-safe; the session must outlive it and be
// used from the same thread.
class SftpUploadChannel {
public:
    struct Result {
        bool ok = true;
        std::uint32_t code = 0;  // the server's SSH_FX_* status when it refused
        bool lost = false;       // the channel or the connection failed
        bool readFailed = false; // Write only: next() could not read the source
        bool opened = false;     // Write only: the file was opened (a refusal came later)
        std::string message;     // the server's text, or what went wrong
    };

    // Opens the channel and starts SFTP on it. null when the server refuses (why in
    // error), so that the caller can do without it.
    static std::unique_ptr<SftpUploadChannel> Open(ssh_session_struct* session, int timeoutSeconds,
                                                   std::string& error);
    ~SftpUploadChannel();
    SftpUploadChannel(const SftpUploadChannel&) = delete;
    SftpUploadChannel& operator=(const SftpUploadChannel&) = delete;

    bool OffersPosixRename() const { return m_posixRename; }
    bool Lost() const { return m_lost; }

    // Creates or truncates remote (mode 0644) and writes into it what next() gives
    // (it fills at most room bytes and returns how many, 0 at the end, -1 when the
    // source cannot be read), keeping up to inFlight writes of blockSize bytes
    // unanswered; then closes it. onBytes (may be empty) is told of each block the
    // server took. On a refusal the writes already sent are answered before it returns.
    Result Write(const std::string& remote, const std::function<long(char*, std::size_t)>& next,
                 const std::function<void(std::uint64_t)>& onBytes, std::size_t blockSize,
                 std::size_t inFlight);
    // Renames from over to, replacing a file there in one step. Only where
    // OffersPosixRename().
    Result Rename(const std::string& from, const std::string& to);

private:
    SftpUploadChannel(ssh_channel_struct* channel, int timeoutSeconds);
    bool Start(std::string& error);
    std::uint32_t NextId() { return ++m_lastId; }
    bool Send(const std::string& packet);
    // The next answer: its type, request id and the rest of it. false: lost.
    bool Receive(std::uint8_t& type, std::uint32_t& id, std::string& body);
    // Waits for the answer to id, which must be a status or (for OPEN) a handle.
    Result Await(std::uint32_t id, std::string* handle);
    Result LostResult(const std::string& why);

    ssh_channel_struct* m_channel;
    int m_timeoutMs;
    bool m_posixRename = false;
    bool m_lost = false;
    std::uint32_t m_lastId = 0;
    std::string m_pending;  // bytes read from the channel, not parsed yet
    std::vector<char> m_block;
};

}  // namespace foldcraft
