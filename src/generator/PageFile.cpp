#include "generator/PageFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

namespace foldcraft {
namespace {
// Pages are small; a buffer this large is written in one call for almost all.
constexpr size_t kFlushAt = 64 * 1024;
}  // namespace

PageFile::~PageFile() {
    if (m_fd >= 0) Close();
}

bool PageFile::Open(const std::string& path) {
    if (m_fd >= 0) Close();
    m_failed = false;
    m_written = 0;
    m_buffer.clear();
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    m_fd = fd;
    m_buffer.reserve(kFlushAt + 4096);
    return true;
}

void PageFile::Text(std::string_view text) {
    if (m_fd < 0) return;
    m_buffer.append(text);
    if (m_buffer.size() >= kFlushAt) Flush();
}

void PageFile::AppendNumber(std::int64_t number) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    m_buffer.append(digits, result.ptr);
}

void PageFile::Format(std::string_view tmpl, std::initializer_list<Arg> args) {
    if (m_fd < 0) return;
    const Arg* next = args.begin();
    size_t runStart = 0;
    for (size_t i = 0; i < tmpl.size(); ++i) {
        const char c = tmpl[i];
        if (c != '\n' && c != '%') continue;
        m_buffer.append(tmpl.substr(runStart, i - runStart));
        if (c == '\n') {
            m_buffer.append("\r\n");
        } else {
            const char spec = i + 1 < tmpl.size() ? tmpl[i + 1] : '\0';
            if (spec == '%') {
                m_buffer.push_back('%');
                ++i;
            } else if (spec == 's' || spec == 'd') {
                if (next != args.end()) {
                    if (next->m_isText) {
                        m_buffer.append(next->m_text);
                    } else {
                        AppendNumber(next->m_number);
                    }
                    ++next;
                }
                ++i;
            } else {
                m_buffer.push_back('%');  // a lone percent sign; what follows is plain
            }
        }
        runStart = i + 1;
    }
    m_buffer.append(tmpl.substr(runStart));
    if (m_buffer.size() >= kFlushAt) Flush();
}

void PageFile::Flush() {
    const char* data = m_buffer.data();
    size_t left = m_buffer.size();
    while (left > 0 && !m_failed) {
        const ssize_t n = ::write(m_fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            m_failed = true;
            break;
        }
        data += n;
        left -= static_cast<size_t>(n);
        m_written += static_cast<std::uint64_t>(n);
    }
    m_buffer.clear();
}

bool PageFile::Close() {
    if (m_fd < 0) return false;
    Flush();
    // close() may report a deferred write error (network file systems, quotas).
    if (::close(m_fd) != 0 && errno != EINTR) m_failed = true;
    m_fd = -1;
    return !m_failed;
}

}  // namespace foldcraft
