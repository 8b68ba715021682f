#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace foldcraft {

// The FTP server's replies as text, without the connection: which line ends a
// reply, the class of a reply, and the contents of the replies the client reads
// (227 to PASV, 257 to PWD). Pure; nothing here fails other than by its result.
//
// A reply is one line ("200 Ok") or, when its fourth character is "-", every line
// up to the first that starts with the same three characters and a space
// ("211-Features", ..., "211 End").
class FtpReply {
public:
    // A multi-line reply with more lines than this after its first is taken for a
    // broken connection rather than read forever.
    static constexpr int kMaxLines = 10000;

    enum class State {
        kMore,      // the reply goes on: add the next line
        kComplete,  // the line added ends the reply
        kTooLong,   // kMaxLines lines after the first and no end
    };

    // Adds the next line of the reply (without CR LF), the first line first. A line
    // added after kComplete or kTooLong starts nothing new: the state stays.
    State Add(const std::string& line);
    State GetState() const { return m_state; }

    // The class of a reply line: its first character's digit value (2 for "200
    // Ok"), 0 for an empty line, which is no reply of any class. A line that starts
    // with no digit gives a value outside 1 to 5.
    static int ReplyClass(const std::string& line);

    // The data address of a 227 reply: "(h1,h2,h3,h4,p1,p2)", six decimal numbers
    // of one to three digits and at most 255, with nothing else between the first
    // "(" and the first ")". The reply code itself is not looked at. nullopt when
    // there is no such list, or the port is 0.
    struct PassiveAddress {
        std::uint32_t address = 0;  // host byte order: h1 is the top byte
        unsigned port = 0;          // p1 * 256 + p2
    };
    static std::optional<PassiveAddress> ParsePassive(const std::string& reply);

    // The path of a 257 reply: the text between the first quote and its closing
    // quote, a doubled quote standing for one. nullopt when the reply does not start
    // with "257", has no closed quote or gives an empty path.
    static std::optional<std::string> ParsePath(const std::string& reply);

private:
    std::string m_code;  // of a multi-line reply
    int m_lines = -1;    // lines added after the first
    State m_state = State::kMore;
};

}  // namespace foldcraft
