#include "publish/FtpReply.h"

namespace foldcraft {

FtpReply::State FtpReply::Add(const std::string& line) {
    if (m_state != State::kMore) return m_state;
    if (m_lines < 0) {
        m_lines = 0;
        if (line.size() < 4 || line[3] != '-') return m_state = State::kComplete;
        m_code = line.substr(0, 3);
        return m_state;
    }
    ++m_lines;
    if (line.size() >= 4 && line[3] == ' ' && line.compare(0, 3, m_code) == 0) {
        return m_state = State::kComplete;
    }
    if (m_lines >= kMaxLines) m_state = State::kTooLong;
    return m_state;
}

int FtpReply::ReplyClass(const std::string& line) {
    return line.empty() ? 0 : line[0] - '0';
}

std::optional<FtpReply::PassiveAddress> FtpReply::ParsePassive(const std::string& reply) {
    const std::size_t open = reply.find('(');
    const std::size_t close = reply.find(')');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return std::nullopt;
    }
    unsigned numbers[6];
    int count = 0;
    std::size_t pos = open + 1;
    while (count < 6) {
        std::size_t digits = pos;
        unsigned value = 0;
        while (digits < close && reply[digits] >= '0' && reply[digits] <= '9' && digits - pos < 3) {
            value = value * 10 + static_cast<unsigned>(reply[digits] - '0');
            ++digits;
        }
        if (digits == pos || value > 255) return std::nullopt;
        numbers[count++] = value;
        pos = digits;
        if (count < 6) {
            if (pos >= close || reply[pos] != ',') return std::nullopt;
            ++pos;
        }
    }
    if (pos != close) return std::nullopt;
    PassiveAddress result;
    result.address = numbers[0] << 24 | numbers[1] << 16 | numbers[2] << 8 | numbers[3];
    result.port = numbers[4] * 256 + numbers[5];
    if (result.port == 0) return std::nullopt;
    return result;
}

std::optional<std::string> FtpReply::ParsePath(const std::string& reply) {
    const std::size_t open = reply.find('"');
    if (reply.compare(0, 3, "257") != 0 || open == std::string::npos) return std::nullopt;
    std::string path;
    for (std::size_t i = open + 1; i < reply.size(); ++i) {
        if (reply[i] != '"') {
            path += reply[i];
        } else if (i + 1 < reply.size() && reply[i + 1] == '"') {
            path += '"';
            ++i;
        } else {
            return path.empty() ? std::nullopt : std::optional<std::string>(path);
        }
    }
    return std::nullopt;
}

}  // namespace foldcraft
