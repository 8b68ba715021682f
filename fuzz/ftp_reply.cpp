// libFuzzer target: reads arbitrary bytes as what an FTP server sends on the control
// connection, split into lines and replies as the client does, a few bytes at a time
// and all at once, and reads each reply's last line as a 227 and a 257 reply.
// Whatever the bytes, both ways give the same replies, and every address and path
// read from a reply reads back the same from the reply the client itself would
// form for it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "publish/FTPLink.h"
#include "publish/FtpLineReader.h"
#include "publish/FtpReply.h"

using foldcraft::FtpLineReader;
using foldcraft::FtpReply;

namespace {

struct Replies {
    std::vector<std::vector<std::string>> complete;  // each reply's lines
    bool broken = false;                             // a line or a reply too long
};

// The replies in bytes, handed over chunk bytes at a time; ends at the first line
// or reply that is too long (the client drops the connection there).
Replies Read(std::string_view bytes, std::size_t chunk) {
    Replies replies;
    FtpLineReader line;
    FtpReply reply;
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::string_view piece = bytes.substr(pos, chunk);
        const std::size_t taken = line.Take(piece);
        if (taken > piece.size()) std::abort();
        pos += taken;
        if (line.GetState() == FtpLineReader::State::kTooLong) {
            replies.broken = true;
            return replies;
        }
        if (line.GetState() == FtpLineReader::State::kPartial) {
            if (taken != piece.size()) std::abort();
            continue;
        }
        lines.push_back(line.ReleaseLine());
        line = FtpLineReader();
        const std::string& text = lines.back();
        if (text.find('\n') != std::string::npos || text.size() > FtpLineReader::kMaxLineLength) {
            std::abort();
        }
        const FtpReply::State state = reply.Add(text);
        if (state == FtpReply::State::kTooLong) {
            replies.broken = true;
            return replies;
        }
        if (state == FtpReply::State::kComplete) {
            replies.complete.push_back(std::move(lines));
            lines.clear();
            reply = FtpReply();
        }
    }
    return replies;
}

// The path as a server quotes it in a 257 reply.
std::string Quoted(const std::string& path) {
    std::string text = "\"";
    for (char c : path) {
        text += c;
        if (c == '"') text += '"';
    }
    return text + "\"";
}

void CheckReplyTexts(const std::string& last) {
    if (const auto passive = FtpReply::ParsePassive(last)) {
        if (passive->port == 0 || passive->port > 65535) std::abort();
        // "PORT h1,h2,h3,h4,p1,p2" carries the same six numbers.
        const std::string numbers =
            CFTPLink::PortCommand(passive->address, passive->port).substr(5);
        const auto again = FtpReply::ParsePassive("227 Entering Passive Mode (" + numbers + ").");
        if (!again || again->address != passive->address || again->port != passive->port) {
            std::abort();
        }
    }
    if (const auto path = FtpReply::ParsePath(last)) {
        if (path->empty() || last.compare(0, 3, "257") != 0) std::abort();
        const auto again =
            FtpReply::ParsePath("257 " + Quoted(*path) + " is the current directory");
        if (again != path) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Replies whole = Read(bytes, bytes.size() + 1);
    const std::size_t chunk = size > 0 ? 1 + data[0] % 7 : 1;
    const Replies pieces = Read(bytes, chunk);
    if (whole.broken != pieces.broken || whole.complete != pieces.complete) std::abort();
    for (const auto& lines : whole.complete) {
        if (lines.empty()) std::abort();
        // A multi-line reply ends with a line of its own code.
        if (lines.size() > 1 && lines.back().compare(0, 3, lines.front(), 0, 3) != 0) std::abort();
        CheckReplyTexts(lines.back());
    }
    return 0;
}
