#include "publish/FtpLineReader.h"

namespace foldcraft {

std::size_t FtpLineReader::Take(std::string_view data) {
    if (m_state != State::kPartial) return 0;
    const std::size_t newline = data.find('\n');
    const std::size_t body = newline == std::string_view::npos ? data.size() : newline;
    m_line.append(data.substr(0, body));
    if (m_line.size() > kMaxLineLength) {
        m_state = State::kTooLong;
        return body;
    }
    if (newline == std::string_view::npos) return body;
    if (!m_line.empty() && m_line.back() == '\r') m_line.pop_back();
    m_state = State::kComplete;
    return body + 1;
}

}  // namespace foldcraft
