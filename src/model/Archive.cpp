#include "model/Archive.h"

#include <algorithm>
#include <cstring>

#include "model/TextCase.h"

namespace {

constexpr size_t kBufferSize = 64 * 1024;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kBigTag = 0x7FFF;
constexpr std::uint16_t kClassTagBit = 0x8000;
constexpr std::uint32_t kBigClassBit = 0x80000000u;
constexpr std::uint16_t kWideTextMark = 0xFFFE;

// The classes a project file may record.
constexpr std::string_view kKnownClasses[] = {"CBuildTreeFolder", "CBuildTreeDoc", "CHotspotArea"};

// A class name from a file, made safe to show: printable ASCII kept, anything
// else as \xNN, at most 64 bytes shown.
std::string Printable(std::string_view name) {
    std::string out;
    static const char kHex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < name.size() && i < 64; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    if (name.size() > 64) out += "...";
    return out;
}

}  // namespace

CArchive::CArchive(ArchiveSink& sink) : m_sink(&sink) {
    m_buffer.reserve(kBufferSize);
}

CArchive::CArchive(std::string_view bytes) : m_in(bytes), m_total(bytes.size()) {}

CArchive::CArchive(ArchiveSource& source, std::uint64_t totalSize, size_t windowSize)
    : m_source(&source), m_total(totalSize), m_windowSize(std::max<size_t>(windowSize, 1)) {}

// ---------------------------------------------------------------- storing

void CArchive::Put(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    if (m_buffer.size() + size > kBufferSize) {
        Flush();
        if (size >= kBufferSize) {
            if (!m_sink->Write(p, size)) {
                throw CArchiveException(CArchiveException::Kind::kWriteFailed,
                                        "the bytes could not be written");
            }
            return;
        }
    }
    m_buffer.append(p, size);
}

void CArchive::Flush() {
    if (!m_sink || m_buffer.empty()) return;
    if (!m_sink->Write(m_buffer.data(), m_buffer.size())) {
        m_buffer.clear();
        throw CArchiveException(CArchiveException::Kind::kWriteFailed,
                                "the bytes could not be written");
    }
    m_buffer.clear();
}

void CArchive::WriteU16(std::uint16_t value) {
    const unsigned char b[2] = {static_cast<unsigned char>(value),
                                static_cast<unsigned char>(value >> 8)};
    Put(b, 2);
}

void CArchive::WriteU32(std::uint32_t value) {
    const unsigned char b[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    Put(b, 4);
}

void CArchive::WriteBytes(const void* data, size_t size) {
    Put(data, size);
}

void CArchive::WriteText(std::string_view text) {
    const size_t n = text.size();
    if (n < 0xFF) {
        const auto b = static_cast<unsigned char>(n);
        Put(&b, 1);
    } else {
        const unsigned char ff = 0xFF;
        Put(&ff, 1);
        if (n < 0xFFFE) {
            WriteU16(static_cast<std::uint16_t>(n));
        } else {
            if (n > 0xFFFFFFFFu) {
                throw CArchiveException(CArchiveException::Kind::kTooLarge,
                                        "a text is longer than a project file can hold");
            }
            WriteU16(0xFFFF);
            WriteU32(static_cast<std::uint32_t>(n));
        }
    }
    Put(text.data(), n);
}

void CArchive::WriteCount(size_t count) {
    if (count < 0xFFFF) {
        WriteU16(static_cast<std::uint16_t>(count));
        return;
    }
    if (count > 0xFFFFFFFFu) {
        throw CArchiveException(CArchiveException::Kind::kTooLarge,
                                "a list is longer than a project file can hold");
    }
    WriteU16(0xFFFF);
    WriteU32(static_cast<std::uint32_t>(count));
}

void CArchive::WriteTime(foldcraft::Time time) {
    const foldcraft::Time clamped = std::clamp<foldcraft::Time>(time, 0, 0xFFFFFFFFll);
    WriteU32(static_cast<std::uint32_t>(clamped));
}

void CArchive::WriteObject(CSerialObject& object) {
    const std::string_view name = object.GetClassName();
    const auto known = std::find_if(m_storedClasses.begin(), m_storedClasses.end(),
                                    [&](const auto& entry) { return entry.first == name; });
    if (known == m_storedClasses.end()) {
        WriteU16(kNewClassTag);
        WriteU16(static_cast<std::uint16_t>(object.GetSchema()));
        WriteU16(static_cast<std::uint16_t>(name.size()));
        Put(name.data(), name.size());
        m_storedClasses.emplace_back(std::string(name), ++m_lastNumber);
    } else if (known->second < kBigTag) {
        WriteU16(static_cast<std::uint16_t>(kClassTagBit | known->second));
    } else {
        WriteU16(kBigTag);
        WriteU32(kBigClassBit | known->second);
    }
    ++m_lastNumber;
    object.Serialize(*this);
}

// ---------------------------------------------------------------- loading

void CArchive::Damaged(const std::string& what) const {
    throw CArchiveException(CArchiveException::Kind::kDamaged,
                            "the project file is damaged: " + what + " (at byte " +
                                std::to_string(Position()) + " of " + std::to_string(m_total) +
                                ")");
}

void CArchive::Need(std::uint64_t size) {
    if (size > Remaining()) Damaged("it ends early");
    if (size > m_in.size() - m_pos) Refill(static_cast<size_t>(size));
}

void CArchive::Refill(size_t size) {
    // Keep the unread bytes, then read until size bytes are there (or, to save
    // calls, a whole window's worth, never beyond the file's size).
    const size_t unread = m_in.size() - m_pos;
    const auto wanted = static_cast<size_t>(
        std::min<std::uint64_t>(std::max<std::uint64_t>(size, m_windowSize), Remaining()));
    if (m_window.size() < wanted) {
        std::string window(wanted, '\0');
        if (unread > 0) std::memcpy(window.data(), m_in.data() + m_pos, unread);
        m_window.swap(window);
    } else if (unread > 0) {
        std::memmove(m_window.data(), m_in.data() + m_pos, unread);
    }
    m_consumed += m_pos;
    m_pos = 0;
    size_t have = unread;
    while (have < wanted) {
        const long long n = m_source->Read(m_window.data() + have, wanted - have);
        if (n < 0) {
            throw CArchiveException(CArchiveException::Kind::kReadFailed,
                                    "the file could not be read");
        }
        if (n == 0) {
            // The file is shorter than it was: what is there is all there is.
            m_total = m_consumed + have;
            m_in = std::string_view(m_window.data(), have);
            Damaged("it ends early");
        }
        have += static_cast<size_t>(n);
    }
    m_in = std::string_view(m_window.data(), have);
}

std::uint8_t CArchive::ReadU8() {
    Need(1);
    return static_cast<std::uint8_t>(m_in[m_pos++]);
}

std::uint16_t CArchive::ReadU16() {
    Need(2);
    const auto* p = reinterpret_cast<const unsigned char*>(m_in.data() + m_pos);
    m_pos += 2;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t CArchive::ReadU32() {
    Need(4);
    const auto* p = reinterpret_cast<const unsigned char*>(m_in.data() + m_pos);
    m_pos += 4;
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

void CArchive::ReadBytes(void* data, size_t size) {
    Need(size);
    if (size > 0) std::memcpy(data, m_in.data() + m_pos, size);
    m_pos += size;
}

std::string CArchive::ReadText() {
    std::uint64_t n = ReadU8();
    bool wide = false;
    if (n == 0xFF) {
        n = ReadU16();
        if (n == kWideTextMark) {
            // The wide form: a second length prefix counting UTF-16 units.
            wide = true;
            n = ReadU8();
            if (n == 0xFF) {
                n = ReadU16();
                if (n == kWideTextMark) Damaged("a text has two wide-text marks");
                if (n == 0xFFFF) n = ReadU32();
            }
        } else if (n == 0xFFFF) {
            n = ReadU32();
        }
    }
    if (!wide) {
        Need(n);
        std::string text(m_in.substr(m_pos, n));
        m_pos += n;
        return text;
    }
    if (n > Remaining() / 2) Damaged("it ends early");
    std::string text;
    text.reserve(static_cast<size_t>(n));
    for (std::uint64_t i = 0; i < n; ++i) {
        char32_t cp = ReadU16();
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n) {
            Need(2);
            const auto* p = reinterpret_cast<const unsigned char*>(m_in.data() + m_pos);
            const char32_t low = static_cast<char32_t>(p[0] | (p[1] << 8));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                m_pos += 2;
                ++i;
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
        foldcraft::AppendUtf8(cp, text);
    }
    return text;
}

std::uint32_t CArchive::ReadCount(size_t minEntryBytes) {
    std::uint32_t n = ReadU16();
    if (n == 0xFFFF) n = ReadU32();
    if (minEntryBytes > 0 && n > Remaining() / minEntryBytes) {
        Damaged("a list of " + std::to_string(n) + " entries is longer than the rest of the file");
    }
    return n;
}

foldcraft::Time CArchive::ReadTime() {
    return static_cast<foldcraft::Time>(ReadU32());
}

void CArchive::ReadObjectTag(std::string_view className) {
    const std::uint16_t tag = ReadU16();
    std::uint32_t classNumber = 0;
    std::string_view recordedName;
    if (tag == kNewClassTag) {
        ReadU16();  // schema number: any is accepted
        const std::uint16_t length = ReadU16();
        Need(length);
        const std::string_view name = m_in.substr(m_pos, length);
        m_pos += length;
        const bool known = std::find(std::begin(kKnownClasses), std::end(kKnownClasses), name) !=
                           std::end(kKnownClasses);
        if (!known) Damaged("unknown class \"" + Printable(name) + "\"");
        classNumber = ++m_lastNumber;
        m_loadedClasses.emplace_back(classNumber, std::string(name));
        recordedName = m_loadedClasses.back().second;
    } else {
        if (tag == kBigTag) {
            const std::uint32_t big = ReadU32();
            if ((big & kBigClassBit) == 0) {
                Damaged(big == 0 ? "a list holds a null reference"
                                 : "a list refers back to an object read before");
            }
            classNumber = big & ~kBigClassBit;
        } else if (tag & kClassTagBit) {
            classNumber = tag & ~kClassTagBit;
        } else {
            Damaged(tag == 0 ? "a list holds a null reference"
                             : "a list refers back to an object read before");
        }
        // Class records are numbered in increasing order: binary search.
        const auto it = std::lower_bound(
            m_loadedClasses.begin(), m_loadedClasses.end(), classNumber,
            [](const auto& entry, std::uint32_t number) { return entry.first < number; });
        if (it == m_loadedClasses.end() || it->first != classNumber) {
            Damaged("an object names class record " + std::to_string(classNumber) +
                    ", which the file does not hold");
        }
        recordedName = it->second;
    }
    if (recordedName != className) {
        Damaged("a list of " + std::string(className) + " entries holds a " +
                std::string(recordedName));
    }
    ++m_lastNumber;
}

// ---------------------------------------------------------------- both

CArchive::DepthGuard::DepthGuard(CArchive& ar) : m_ar(ar) {
    if (++m_ar.m_depth > kMaxFolderDepth) {
        --m_ar.m_depth;
        throw CArchiveException(
            CArchiveException::Kind::kTooDeep,
            "folders are nested more than " + std::to_string(kMaxFolderDepth) + " levels deep");
    }
}
