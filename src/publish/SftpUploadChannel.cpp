#include "publish/SftpUploadChannel.h"

#include <libssh/libssh.h>

#include <algorithm>
#include <utility>

namespace foldcraft {
namespace {

// Packet types, open flags and attribute flags of SFTP version 3.
constexpr std::uint8_t kInit = 1;
constexpr std::uint8_t kVersion = 2;
constexpr std::uint8_t kOpen = 3;
constexpr std::uint8_t kClose = 4;
constexpr std::uint8_t kWrite = 6;
constexpr std::uint8_t kStatus = 101;
constexpr std::uint8_t kHandle = 102;
constexpr std::uint8_t kExtended = 200;
constexpr std::uint32_t kOpenWrite = 0x02;
constexpr std::uint32_t kOpenCreate = 0x08;
constexpr std::uint32_t kOpenTruncate = 0x10;
constexpr std::uint32_t kAttributePermissions = 0x04;
constexpr std::uint32_t kFileMode = 0644;
// Answers to what is sent here are small; a larger length means the stream is broken.
constexpr std::uint32_t kMaxAnswer = 256 * 1024;
constexpr const char* kPosixRename = "posix-rename@openssh.com";

void PutU32(std::string& out, std::uint32_t value) {
    const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 8), static_cast<char>(value)};
    out.append(bytes, 4);
}

void PutU64(std::string& out, std::uint64_t value) {
    PutU32(out, static_cast<std::uint32_t>(value >> 32));
    PutU32(out, static_cast<std::uint32_t>(value));
}

void PutString(std::string& out, const char* data, std::size_t length) {
    PutU32(out, static_cast<std::uint32_t>(length));
    out.append(data, length);
}

void PutString(std::string& out, const std::string& text) {
    PutString(out, text.data(), text.size());
}

// A packet's length, type and id; Finish sets the length once the rest is appended.
std::string Begin(std::uint8_t type, std::uint32_t id) {
    std::string packet(4, '\0');
    packet.push_back(static_cast<char>(type));
    PutU32(packet, id);
    return packet;
}

void Finish(std::string& packet) {
    const auto length = static_cast<std::uint32_t>(packet.size() - 4);
    for (int i = 0; i < 4; ++i) packet[static_cast<std::size_t>(i)] = static_cast<char>(length >> (24 - 8 * i));
}

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i]));
    };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

// Reads the uint32-prefixed string at `at` (advanced past it). false: too short.
bool StringAt(const std::string& bytes, std::size_t& at, std::string& text) {
    if (bytes.size() < at + 4) return false;
    const std::uint32_t length = U32At(bytes, at);
    if (bytes.size() - at - 4 < length) return false;
    text = bytes.substr(at + 4, length);
    at += 4 + length;
    return true;
}

}  // namespace

std::unique_ptr<SftpUploadChannel> SftpUploadChannel::Open(ssh_session_struct* session,
                                                           int timeoutSeconds, std::string& error) {
    ssh_channel channel = ssh_channel_new(session);
    if (!channel) {
        error = ssh_get_error(session);
        return nullptr;
    }
    if (ssh_channel_open_session(channel) != SSH_OK ||
        ssh_channel_request_subsystem(channel, "sftp") != SSH_OK) {
        error = ssh_get_error(session);
        ssh_channel_free(channel);
        return nullptr;
    }
    std::unique_ptr<SftpUploadChannel> opened(new SftpUploadChannel(channel, timeoutSeconds));
    if (!opened->Start(error)) return nullptr;
    return opened;
}

SftpUploadChannel::SftpUploadChannel(ssh_channel_struct* channel, int timeoutSeconds)
    : m_channel(channel), m_timeoutMs(std::max(1, timeoutSeconds) * 1000) {}

SftpUploadChannel::~SftpUploadChannel() {
    if (!m_lost) ssh_channel_close(m_channel);
    ssh_channel_free(m_channel);
}

bool SftpUploadChannel::Start(std::string& error) {
    std::string init(4, '\0');
    init.push_back(static_cast<char>(kInit));
    PutU32(init, 3);
    Finish(init);
    std::uint8_t type = 0;
    std::uint32_t version = 0;
    std::string body;
    if (!Send(init) || !Receive(type, version, body) || type != kVersion || version < 3) {
        error = "The server did not start SFTP on a second channel";
        return false;
    }
    // Extensions: pairs of name and data.
    std::size_t at = 0;
    std::string name, data;
    while (StringAt(body, at, name) && StringAt(body, at, data)) {
        if (name == kPosixRename && data == "1") m_posixRename = true;
    }
    return true;
}

SftpUploadChannel::Result SftpUploadChannel::LostResult(const std::string& why) {
    m_lost = true;
    Result result;
    result.ok = false;
    result.lost = true;
    result.message = why;
    return result;
}

bool SftpUploadChannel::Send(const std::string& packet) {
    if (m_lost) return false;
    // Blocks while the server's window is full, within the session's timeout.
    std::size_t sent = 0;
    while (sent < packet.size()) {
        const int n = ssh_channel_write(m_channel, packet.data() + sent,
                                        static_cast<std::uint32_t>(packet.size() - sent));
        if (n <= 0) {
            m_lost = true;
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool SftpUploadChannel::Receive(std::uint8_t& type, std::uint32_t& id, std::string& body) {
    char buffer[16 * 1024];
    for (;;) {
        if (m_lost) return false;
        if (m_pending.size() >= 4) {
            const std::uint32_t length = U32At(m_pending, 0);
            if (length < 5 || length > kMaxAnswer) {
                m_lost = true;
                return false;
            }
            if (m_pending.size() >= 4 + std::size_t{length}) {
                type = static_cast<std::uint8_t>(m_pending[4]);
                id = U32At(m_pending, 5);
                body = m_pending.substr(9, length - 5);
                m_pending.erase(0, 4 + std::size_t{length});
                return true;
            }
        }
        const int n = ssh_channel_read_timeout(m_channel, buffer, sizeof buffer, 0, m_timeoutMs);
        if (n <= 0) {
            // 0: the server ended the channel, or said nothing within the timeout.
            m_lost = true;
            return false;
        }
        m_pending.append(buffer, static_cast<std::size_t>(n));
    }
}

SftpUploadChannel::Result SftpUploadChannel::Await(std::uint32_t id, std::string* handle) {
    std::uint8_t type = 0;
    std::uint32_t answered = 0;
    std::string body;
    if (!Receive(type, answered, body)) return LostResult("The SFTP channel was lost");
    if (answered != id) return LostResult("The server answered a request it was not sent");
    Result result;
    std::size_t at = 0;
    if (type == kHandle && handle && StringAt(body, at, *handle)) return result;
    if (type != kStatus || body.size() < 4)
        return LostResult("The server sent an answer that is not SFTP");
    result.code = U32At(body, 0);
    result.ok = result.code == 0 && !handle;
    at = 4;
    StringAt(body, at, result.message);
    return result;
}

SftpUploadChannel::Result SftpUploadChannel::Write(
    const std::string& remote, const std::function<long(char*, std::size_t)>& next,
    const std::function<void(std::uint64_t)>& onBytes, std::size_t blockSize,
    std::size_t inFlight) {
    if (m_lost) return LostResult("The SFTP channel was lost");
    std::string packet = Begin(kOpen, NextId());
    PutString(packet, remote);
    PutU32(packet, kOpenWrite | kOpenCreate | kOpenTruncate);
    PutU32(packet, kAttributePermissions);
    PutU32(packet, kFileMode);
    Finish(packet);
    std::string handle;
    if (!Send(packet)) return LostResult("The SFTP channel was lost");
    Result result = Await(m_lastId, &handle);
    if (!result.ok || result.code != 0) {
        result.ok = false;
        return result;
    }
    result.opened = true;

    // The blocks, then the close, go out without waiting, at most inFlight unanswered;
    // a refusal or a read error stops the blocks, never the close.
    m_block.resize(std::max<std::size_t>(blockSize, 1));
    struct Sent {
        std::uint32_t id;
        std::uint64_t bytes;
    };
    std::vector<Sent> waiting;
    std::uint64_t offset = 0;
    bool closing = false;
    while (!closing || !waiting.empty()) {
        while (!closing && waiting.size() < std::max<std::size_t>(inFlight, 1)) {
            const long length = result.ok ? next(m_block.data(), m_block.size()) : 0;
            if (length < 0) {
                result.ok = false;
                result.readFailed = true;
            }
            packet = Begin(length > 0 ? kWrite : kClose, NextId());
            PutString(packet, handle);
            if (length > 0) {
                PutU64(packet, offset);
                PutString(packet, m_block.data(), static_cast<std::size_t>(length));
                offset += static_cast<std::uint64_t>(length);
            }
            Finish(packet);
            if (!Send(packet)) return LostResult("The SFTP channel was lost");
            waiting.push_back({m_lastId, static_cast<std::uint64_t>(std::max(length, 0L))});
            closing = length <= 0;
        }
        std::uint8_t type = 0;
        std::uint32_t answered = 0;
        std::string body;
        if (!Receive(type, answered, body)) return LostResult("The SFTP channel was lost");
        const auto it = std::find_if(waiting.begin(), waiting.end(),
                                     [&](const Sent& sent) { return sent.id == answered; });
        if (it == waiting.end() || type != kStatus || body.size() < 4)
            return LostResult("The server sent an answer that is not SFTP");
        const std::uint32_t code = U32At(body, 0);
        if (code != 0 && result.ok) {
            result.ok = false;
            result.code = code;
            std::size_t at = 4;
            StringAt(body, at, result.message);
        } else if (code == 0 && it->bytes > 0 && onBytes) {
            onBytes(it->bytes);
        }
        waiting.erase(it);
    }
    return result;
}

SftpUploadChannel::Result SftpUploadChannel::Rename(const std::string& from,
                                                    const std::string& to) {
    if (m_lost) return LostResult("The SFTP channel was lost");
    const std::uint32_t id = NextId();
    std::string packet = Begin(kExtended, id);
    PutString(packet, kPosixRename, std::char_traits<char>::length(kPosixRename));
    PutString(packet, from);
    PutString(packet, to);
    Finish(packet);
    if (!Send(packet)) return LostResult("The SFTP channel was lost");
    return Await(id, nullptr);
}

}  // namespace foldcraft
