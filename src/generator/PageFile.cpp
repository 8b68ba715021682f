#include "generator/PageFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

#include "generator/PageSet.h"
#include "generator/PageText.h"
#include "generator/TempFileName.h"

namespace foldcraft {
namespace {
// Pages are small: almost every page is written in one call.
constexpr size_t kBufferSize = 64 * 1024;
// Buffers of pages closed on this thread, for the next pages: a run writes
// thousands of pages, rarely more than two open at once.
thread_local std::vector<std::unique_ptr<char[]>> t_spareBuffers;

// Room that a number takes at most ("-9223372036854775808").
constexpr size_t kNumberRoom = 20;

// A mask whose lowest set bit lies in the first byte of word that equals b (the
// bits above it may be set too); zero when no byte equals b.
constexpr std::uint64_t ByteMatches(std::uint64_t word, unsigned char b) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    const std::uint64_t x = word ^ (kOnes * b);
    return (x - kOnes) & ~x & kHighs;
}
}  // namespace

PageFile::~PageFile() {
    if (m_fd >= 0) Abandon();
    if (m_buffer && t_spareBuffers.size() < 4) t_spareBuffers.push_back(std::move(m_buffer));
}

void PageFile::Abandon() {
    ::close(m_fd);
    m_fd = -1;
    ::unlinkat(m_dirFd, m_temp.c_str(), 0);
}

void PageFile::Start() {
    if (IsOpen()) Close();
    m_failed = false;
    m_written = 0;
    m_used = 0;
    if (!m_buffer && !t_spareBuffers.empty()) {
        m_buffer = std::move(t_spareBuffers.back());
        t_spareBuffers.pop_back();
    }
    if (!m_buffer) m_buffer.reset(new char[kBufferSize]);
}

bool PageFile::Open(const std::string& path) {
    return OpenAt(AT_FDCWD, path);
}

bool PageFile::OpenAt(int dirFd, std::string_view name) {
    Start();
    if (name.empty() || name.find('\0') != std::string_view::npos) return false;
    // Nothing at the page's place is looked at: a directory there makes the rename
    // fail, and anything else is replaced.
    const size_t slash = name.rfind('/');
    const size_t dirLength = slash == std::string_view::npos ? 0 : slash + 1;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        m_temp.assign(name.substr(0, dirLength));
        TempFileName::AppendNext(m_temp);
        fd = ::openat(dirFd, m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      0644);
        if (fd < 0 && errno != EEXIST && errno != EINTR) break;
    }
    if (fd < 0) return false;
    m_fd = fd;
    m_dirFd = dirFd;
    m_path.assign(name);
    return true;
}

bool PageFile::OpenInMemory(PageSet& pages, std::string_view name) {
    Start();
    if (name.empty() || name.find('\0') != std::string_view::npos) return false;
    m_pages = &pages;
    m_path.assign(name);
    m_bytes.clear();
    return true;
}

bool PageFile::Reserve(size_t n) {
    if (kBufferSize - m_used >= n) return true;
    Flush();
    return n <= kBufferSize;
}

void PageFile::Text(std::string_view text) {
    if (!IsOpen()) return;
    if (Reserve(text.size())) {
        std::memcpy(m_buffer.get() + m_used, text.data(), text.size());
        m_used += text.size();
    } else {
        WriteDirect(text.data(), text.size());
    }
}

size_t PageFile::Arg::Room() const {
    switch (m_kind) {
        case Kind::kNumber:
            return kNumberRoom;
        case Kind::kText:
            return m_text.size();
        case Kind::kEscaped:
            return PageText::kEscapedRoom * m_text.size();
        case Kind::kAttribute:
            return PageText::kAttributeRoom * m_text.size();
    }
    return 0;
}

char* PageFile::WriteArg(char* out, const Arg& arg) {
    switch (arg.m_kind) {
        case Arg::Kind::kNumber:
            return std::to_chars(out, out + kNumberRoom, arg.m_number).ptr;
        case Arg::Kind::kText:
            std::memcpy(out, arg.m_text.data(), arg.m_text.size());
            return out + arg.m_text.size();
        case Arg::Kind::kEscaped:
            return PageText::WriteEscaped(out, arg.m_text);
        case Arg::Kind::kAttribute:
            return PageText::WriteAttribute(out, arg.m_text);
    }
    return out;
}

void PageFile::Format(std::string_view tmpl, std::initializer_list<Arg> args) {
    if (!IsOpen()) return;
    // At most: every template byte doubled (a line end), every argument at its most.
    size_t need = 2 * tmpl.size();
    for (const Arg& arg : args) need += arg.Room();
    if (!Reserve(need)) {
        // Larger than the buffer: piece by piece through Text().
        const Arg* next = args.begin();
        for (size_t i = 0; i < tmpl.size(); ++i) {
            const char c = tmpl[i];
            if (c == '\n') {
                Text("\r\n");
            } else if (c == '%' && i + 1 < tmpl.size() &&
                       (tmpl[i + 1] == 's' || tmpl[i + 1] == 'd')) {
                ++i;
                if (next == args.end()) continue;
                WriteArgThroughText(*next);
                ++next;
            } else {
                if (c == '%' && i + 1 < tmpl.size() && tmpl[i + 1] == '%') ++i;
                Text(std::string_view(&c, 1));
            }
        }
        return;
    }
    const Arg* next = args.begin();
    char* out = m_buffer.get() + m_used;
    const char* in = tmpl.data();
    const char* const end = in + tmpl.size();
    while (in < end) {
        // Eight bytes at a time: plain bytes are copied in one go up to the first line
        // end or percent sign. The buffer has room for the eight bytes copied even when
        // fewer of them count: every template byte reserved two.
        if (end - in >= 8) {
            std::uint64_t word;
            std::memcpy(&word, in, 8);
            const std::uint64_t special = ByteMatches(word, '\n') | ByteMatches(word, '%');
            std::memcpy(out, &word, 8);
            if (special == 0) {
                in += 8;
                out += 8;
                continue;
            }
            if constexpr (std::endian::native == std::endian::little) {
                const int plain = std::countr_zero(special) / 8;
                in += plain;
                out += plain;
            }
        }
        const char c = *in++;
        if (c == '\n') {
            *out++ = '\r';
            *out++ = '\n';
        } else if (c != '%') {
            *out++ = c;
        } else {
            const char conversion = in < end ? *in : '\0';
            if (conversion == '%') {
                *out++ = '%';
                ++in;
            } else if (conversion == 's' || conversion == 'd') {
                ++in;
                if (next == args.end()) continue;
                out = WriteArg(out, *next);
                ++next;
            } else {
                *out++ = '%';  // a lone percent sign; what follows is plain
            }
        }
    }
    m_used = static_cast<size_t>(out - m_buffer.get());
}

void PageFile::WriteArgThroughText(const Arg& arg) {
    switch (arg.m_kind) {
        case Arg::Kind::kNumber:
            Text(std::to_string(arg.m_number));
            break;
        case Arg::Kind::kText:
            Text(arg.m_text);
            break;
        case Arg::Kind::kEscaped:
            Text(PageText::Escaped(arg.m_text));
            break;
        case Arg::Kind::kAttribute:
            Text(PageText::Attribute(arg.m_text));
            break;
    }
}

void PageFile::WriteDirect(const char* data, size_t left) {
    if (m_pages) {
        m_bytes.append(data, left);
        m_written += left;
        return;
    }
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
}

void PageFile::Flush() {
    if (m_used == 0) return;
    WriteDirect(m_buffer.get(), m_used);
    m_used = 0;
}

bool PageFile::Close() {
    if (m_pages) {
        Flush();
        m_pages->Add(std::move(m_path), std::move(m_bytes));
        m_pages = nullptr;
        m_bytes = std::string();
        return true;
    }
    if (m_fd < 0) return false;
    Flush();
    if (m_failed) {
        Abandon();
        return false;
    }
    // close() may report a deferred write error (network file systems, quotas).
    const bool closed = ::close(m_fd) == 0 || errno == EINTR;
    m_fd = -1;
    if (!closed || ::renameat(m_dirFd, m_temp.c_str(), m_dirFd, m_path.c_str()) != 0) {
        ::unlinkat(m_dirFd, m_temp.c_str(), 0);
        m_failed = true;
    }
    return !m_failed;
}

}  // namespace foldcraft
