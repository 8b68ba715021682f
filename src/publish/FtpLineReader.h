#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace foldcraft {

// One line of an FTP control connection, gathered from the bytes as they arrive.
// Pure: the caller reads the socket and hands over what it got. A line ends at LF;
// one CR before the LF is dropped too.
class FtpLineReader {
public:
    // A line longer than this (its CR counted) is taken for a broken connection
    // rather than read forever.
    static constexpr std::size_t kMaxLineLength = 64 * 1024;

    enum class State {
        kPartial,   // no LF yet: hand over more bytes
        kComplete,  // the line is whole: Line() holds it
        kTooLong,   // more than kMaxLineLength bytes before the LF
    };

    // Takes bytes from the front of data up to and including the first LF (all of
    // them when there is none) and returns how many it took. Takes nothing once the
    // line is complete or too long.
    std::size_t Take(std::string_view data);
    State GetState() const { return m_state; }
    // The line without its CR LF, once complete (the text so far otherwise).
    const std::string& Line() const { return m_line; }
    std::string ReleaseLine() { return std::move(m_line); }

private:
    std::string m_line;
    State m_state = State::kPartial;
};

}  // namespace foldcraft
