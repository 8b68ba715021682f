#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/Clock.h"
#include "model/SerialObject.h"

// Where a storing archive sends its bytes. Write returns false when the bytes
// could not be taken (disk full, I/O error); the archive then stops.
class ArchiveSink {
public:
    virtual ~ArchiveSink() = default;
    virtual bool Write(const char* data, size_t size) = 0;
};

// Where a loading archive may take its bytes from piece by piece. Read returns the
// number of bytes read (0 at the end), or -1 on an I/O error.
class ArchiveSource {
public:
    virtual ~ArchiveSource() = default;
    virtual long long Read(char* data, size_t size) = 0;
};

// A sink that appends to a string in memory.
class StringArchiveSink : public ArchiveSink {
public:
    bool Write(const char* data, size_t size) override {
        m_bytes.append(data, size);
        return true;
    }
    std::string& Bytes() { return m_bytes; }

private:
    std::string m_bytes;
};

// The error a CArchive throws while reading or writing a project file. It never
// leaves the model: the project file functions (model/ProjectFile.h) catch it and
// turn it into a result.
class CArchiveException {
public:
    enum class Kind {
        kDamaged,             // the bytes do not form a readable project
        kUnsupportedVersion,  // the document's version word is not 1
        kTooDeep,             // folders nested deeper than CArchive::kMaxFolderDepth
        kTooLarge,            // a text or list too long for the file format
        kWriteFailed,         // the sink refused bytes
        kReadFailed,          // the source reported an I/O error
    };
    CArchiveException(Kind kind, std::string message)
        : m_kind(kind), m_message(std::move(message)) {}
    Kind GetKind() const { return m_kind; }
    const std::string& Message() const { return m_message; }

private:
    Kind m_kind;
    std::string m_message;
};

// The binary stream of a project file: little-endian numbers, texts with a length
// prefix, counts, and object references that carry their class by name, with one
// numbering of class records and objects for the whole file.
//
// A storing archive writes through a 64 KiB buffer into an ArchiveSink; call
// Flush() at the end. A loading archive reads from bytes in memory that must
// outlive it, or from an ArchiveSource of known size through a 1 MiB window (so
// that a large file need not be held whole). Every failure throws
// CArchiveException; a loading archive never allocates more than the bytes that
// are left can justify.
class CArchive {
public:
    // Folders may be nested this many levels deep, the root folder counting as the
    // first level. Deeper trees are refused when reading and when writing.
    static constexpr int kMaxFolderDepth = 1000;

    // A storing archive writing into sink.
    explicit CArchive(ArchiveSink& sink);
    // A loading archive reading bytes.
    explicit CArchive(std::string_view bytes);
    // A loading archive reading the first totalSize bytes of source; a source that
    // ends sooner makes the file one that "ends early".
    // windowSize is the least the window is refilled with (tests use small ones).
    CArchive(ArchiveSource& source, std::uint64_t totalSize, size_t windowSize = 1024 * 1024);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return m_sink != nullptr; }
    bool IsLoading() const { return m_sink == nullptr; }

    // ---- storing ----
    void WriteU16(std::uint16_t value);
    void WriteU32(std::uint32_t value);
    void WriteI32(std::int32_t value) { WriteU32(static_cast<std::uint32_t>(value)); }
    void WriteBytes(const void* data, size_t size);
    // A text: one byte length below 255; 0xFF + u16 below 65,534; 0xFF 0xFFFF + u32 above.
    void WriteText(std::string_view text);
    // A list count: u16 below 65,535, else 0xFFFF + u32.
    void WriteCount(size_t count);
    // A time as the file's 32-bit field, read back as unsigned: values before 1970
    // are written as 0 and values after 2106-02-07 06:28:15 UTC as 0xFFFFFFFF.
    void WriteTime(foldcraft::Time time);
    // An object reference: the tag (with the class record the first time the class
    // appears in the file), then the object's body through its Serialize.
    void WriteObject(CSerialObject& object);
    // Sends the buffered bytes to the sink.
    void Flush();

    // ---- loading ----
    std::uint8_t ReadU8();
    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }
    void ReadBytes(void* data, size_t size);
    // Any of the three length forms; the wide form (0xFF, u16 0xFFFE, a length in any
    // of the three forms, then UTF-16 units) is converted to UTF-8, unpaired
    // surrogates becoming U+FFFD.
    std::string ReadText();
    // A list count; refused at once when count * minEntryBytes exceeds what is left.
    std::uint32_t ReadCount(size_t minEntryBytes);
    // The 32-bit time field read as unsigned seconds since 1970.
    foldcraft::Time ReadTime();
    // Reads an object's tag (and class record) and checks that it names className;
    // null references, references back to an object, unknown classes and classes
    // other than className are refused as damaged. The caller then creates the
    // object and runs its Serialize.
    void ReadObjectTag(std::string_view className);

    std::uint64_t Position() const { return m_consumed + m_pos; }
    std::uint64_t Remaining() const { return m_total - Position(); }

    // Counts one folder level for as long as it lives; throws kTooDeep beyond
    // kMaxFolderDepth.
    class DepthGuard {
    public:
        explicit DepthGuard(CArchive& ar);
        ~DepthGuard() { --m_ar.m_depth; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;

    private:
        CArchive& m_ar;
    };

    // Throws a kDamaged error whose message says what is wrong and where.
    [[noreturn]] void Damaged(const std::string& what) const;

private:
    // Makes size bytes available at m_in[m_pos], refilling the window from the
    // source; throws "ends early" when the file holds fewer.
    void Need(std::uint64_t size);
    void Refill(size_t size);
    void Put(const void* data, size_t size);

    // storing
    ArchiveSink* m_sink = nullptr;
    std::string m_buffer;
    std::vector<std::pair<std::string, std::uint32_t>> m_storedClasses;  // name -> number

    // loading: m_in is the window of the file at offset m_consumed (all of it for
    // bytes in memory), m_pos the reading position in the window
    ArchiveSource* m_source = nullptr;
    std::string m_window;
    std::string_view m_in;
    size_t m_pos = 0;
    std::uint64_t m_consumed = 0;
    std::uint64_t m_total = 0;
    size_t m_windowSize = 0;
    std::vector<std::pair<std::uint32_t, std::string>> m_loadedClasses;  // number -> name

    // both: the last number given to a class record or object (0 = none yet)
    std::uint32_t m_lastNumber = 0;
    int m_depth = 0;
};

// Reads or writes an object list of one class: the count, then each entry as an
// object reference. Loading replaces the list's contents with new objects made by
// T's default constructor and read by their Serialize.
template <typename T>
void SerializeObjectList(CArchive& ar, std::vector<std::unique_ptr<T>>& list,
                         std::string_view className) {
    if (ar.IsStoring()) {
        ar.WriteCount(list.size());
        for (auto& entry : list) ar.WriteObject(*entry);
        return;
    }
    // The smallest entry is a two-byte tag and a four-byte version word.
    const std::uint32_t count = ar.ReadCount(6);
    list.clear();
    list.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        ar.ReadObjectTag(className);
        auto entry = std::make_unique<T>();
        entry->Serialize(ar);
        list.push_back(std::move(entry));
    }
}
