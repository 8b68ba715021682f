#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace foldcraft {

class PageSet;

// One generated text file, written through a memory buffer in large blocks.
//
// Templates are printf-style: "%s" takes the next argument as text, byte for byte
// (no escaping) unless it is made by Escaped() or Attribute(), "%d" the next
// argument as a signed decimal number, "%%" writes one percent sign, and every "\n"
// of a template is written as CR LF. Texts given to Text() and the plain "%s"
// arguments are written exactly as they stand.
//
// On disk, the page is written into a temporary file beside its place (see
// TempFileName), which takes the page's name when it is closed: a reader sees the
// old page or the whole new one, and whatever stands at the page's place (a symbolic
// link, a named pipe, an older page) is replaced, never written through or opened. A
// directory at the page's place cannot be replaced: Close() fails.
//
// In memory, the same bytes are collected and handed to a PageSet on Close().
//
// A failed write is remembered; Close() reports it. Nothing throws.
class PageFile {
public:
    // One template argument: a text or a number. It refers to the text, which must
    // outlive the Format() call (a temporary of the same expression does).
    class Arg {
    public:
        Arg(std::string_view text) : m_text(text), m_kind(Kind::kText) {}
        Arg(const std::string& text) : m_text(text), m_kind(Kind::kText) {}
        Arg(const char* text) : m_text(text), m_kind(Kind::kText) {}
        Arg(int number) : m_number(number) {}
        Arg(long number) : m_number(number) {}
        Arg(long long number) : m_number(number) {}

    private:
        friend class PageFile;
        enum class Kind : unsigned char { kNumber, kText, kEscaped, kAttribute };
        Arg(std::string_view text, Kind kind) : m_text(text), m_kind(kind) {}
        // Room it takes at most in the page.
        size_t Room() const;
        std::string_view m_text;
        std::int64_t m_number = 0;
        Kind m_kind = Kind::kNumber;
    };

    // Arguments written as PageText::Escaped() and PageText::Attribute() write them,
    // without a copy of their own.
    static Arg Escaped(std::string_view text) { return Arg(text, Arg::Kind::kEscaped); }
    static Arg Attribute(std::string_view address) { return Arg(address, Arg::Kind::kAttribute); }

    PageFile() = default;
    ~PageFile();
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    // Starts the page at path. False (and the file stays closed) when the path
    // holds a NUL byte or no temporary file can be created beside it.
    bool Open(const std::string& path);
    // Starts the page name (a path relative to the directory open as dirFd, which
    // may be an O_PATH descriptor; AT_FDCWD takes name as a path of its own). The
    // descriptor must stay open until Close(); the caller keeps owning it. False
    // as Open(path).
    bool OpenAt(int dirFd, std::string_view name);
    // Starts a page kept in memory: Close() adds it to pages under name (see
    // PageSet::Add). pages must outlive the open page. False for an empty name or
    // one holding a NUL byte.
    bool OpenInMemory(PageSet& pages, std::string_view name);
    bool IsOpen() const { return m_fd >= 0 || m_pages != nullptr; }

    // Writes a template with its arguments (see above). A template that asks for
    // more arguments than given writes nothing for the missing ones.
    void Format(std::string_view tmpl, std::initializer_list<Arg> args = {});
    // Writes bytes exactly as they stand (no line-end translation).
    void Text(std::string_view text);

    // Writes what is buffered, closes the file and puts it in the page's place,
    // replacing what stood there (in memory: adds the page to its PageSet). False
    // when any write, the close or the rename failed; the temporary file is then
    // removed and the place left as it was. Safe to call on a file that is not open
    // (false). A page that is destroyed open is dropped the same way.
    bool Close();

    // Bytes written so far (benchmarks use it).
    std::uint64_t BytesWritten() const { return m_written + m_used; }

private:
    // Closes what is open and readies an empty page.
    void Start();
    // Makes room for n more bytes in the buffer, writing out what it holds when
    // needed. False when n does not fit even into an empty buffer.
    bool Reserve(size_t n);
    void Flush();
    // Writes an argument at out, which has room for arg.Room() bytes; returns the end.
    static char* WriteArg(char* out, const Arg& arg);
    // Writes an argument too large for the buffer.
    void WriteArgThroughText(const Arg& arg);
    void WriteDirect(const char* data, size_t size);
    // Closes the temporary file and removes it.
    void Abandon();

    int m_fd = -1;
    int m_dirFd = -1;            // what m_path and m_temp are relative to (not owned)
    std::string m_path;          // the page's place
    std::string m_temp;          // the temporary file beside it
    PageSet* m_pages = nullptr;  // in memory: where the page goes
    std::string m_bytes;         // in memory: the page so far, less the buffer
    bool m_failed = false;
    std::uint64_t m_written = 0;
    std::unique_ptr<char[]> m_buffer;
    size_t m_used = 0;
};

}  // namespace foldcraft
