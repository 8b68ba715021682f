#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "generator/PageFile.h"
#include "generator/PageText.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace foldcraft::test {
namespace {

// Line ends, percent signs and arguments at every position within and across the
// eight-byte blocks that template text is scanned in, after text that fills the
// buffer; arguments stand as they are, also when larger than the buffer.
TEST(PageFile, TemplatesGetCrLfAndArgumentsStayAsTheyAre) {
    const std::string huge(200 * 1024, 'h');
    const struct {
        std::string tmpl, text;
        long long number;
        std::string expected;
    } cases[] = {
        {"\n", "", 0, "\r\n"},
        {"\n\n", "", 0, "\r\n\r\n"},
        {"%%\n", "", 0, "%\r\n"},
        {"%s", "a\nb%d", 0, "a\nb%d"},
        {"%s|%d", "", 9000000000LL, "|9000000000"},
        {"%s|%d|%s|%x|%", "x", -42, "x|-42||%x|%"},  // a missing argument writes nothing
        {"<%s|%d>\n", huge, 7, "<" + huge + "|7>\r\n"},
    };
    TempDir dir;
    for (size_t offset = 0; offset < 20; ++offset) {
        for (const auto& c : cases) {
            const std::string before = huge.substr(0, offset * 5000) + std::string(offset, 'a');
            const std::string after(offset % 9, 'b');
            PageFile file;
            ASSERT_TRUE(file.Open(dir / "w.html"));
            file.Text(before);
            file.Format(std::string(offset, 'a') + c.tmpl + after, {c.text, c.number});
            ASSERT_TRUE(file.Close());
            EXPECT_EQ(ReadFile(dir / "w.html"),
                      before + std::string(offset, 'a') + c.expected + after)
                << "offset " << offset << " " << c.tmpl;
        }
    }
}

// Escaped and address arguments are written as PageText makes them, also when they
// are too large for the buffer once escaped.
TEST(PageFile, EscapedAndAddressArgumentsAreThePageTexts) {
    const std::string big = std::string(20 * 1024, 'x') + "&\"<>%";
    const std::string cases[] = {"", "a&b<c>\"d", "files/Q&A #1.txt", "http://x/a b?q=\"<x>\"&r",
                                 big};
    TempDir dir;
    for (const std::string& text : cases) {
        PageFile file;
        ASSERT_TRUE(file.Open(dir / "w.html"));
        file.Format("[%s|%s]", {PageFile::Escaped(text), PageFile::Attribute(text)});
        ASSERT_TRUE(file.Close());
        EXPECT_EQ(ReadFile(dir / "w.html"),
                  "[" + PageText::Escaped(text) + "|" + PageText::Attribute(text) + "]")
            << text.substr(0, 40);
    }
    EXPECT_EQ(PageText::Attribute("files/Q&A #1.txt"), "files/Q&amp;A%20%231.txt");
}

// A page goes into a temporary file beside its place and then takes the place:
// whatever stood there is replaced, never written through or opened. A missing
// directory or a NUL byte refuse the page; a directory at its place fails it.
TEST(PageFile, ReplacesWhatStandsAtItsPlace) {
    const struct {
        const char* what;
        std::string page;                      // in the directory
        int (*make)(const std::string& page);  // what stands there before
        bool opens;
        bool closes;
    } cases[] = {
        {"nothing", "a.html", nullptr, true, true},
        {"a link to the user's file", "a.html",
         [](const std::string& p) { return ::symlink("user.txt", p.c_str()); }, true, true},
        {"a link to a device", "a.html",
         [](const std::string& p) { return ::symlink("/dev/null", p.c_str()); }, true, true},
        {"a named pipe", "a.html", [](const std::string& p) { return ::mkfifo(p.c_str(), 0600); },
         true, true},
        {"a directory", "a.html", [](const std::string& p) { return ::mkdir(p.c_str(), 0700); },
         true, false},
        {"a missing directory", "no/a.html", nullptr, false, false},
        {"a NUL byte", std::string("a\0b", 3), nullptr, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        dir.WriteFile("user.txt", "USER");
        const std::string page = dir / c.page;
        ASSERT_EQ(c.make ? c.make(page) : 0, 0);
        PageFile file;
        EXPECT_EQ(file.Open(page), c.opens);
        file.Text("NEW");
        EXPECT_EQ(file.Close(), c.closes);
        if (c.closes) {
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(page)));
            EXPECT_EQ(ReadFile(page), "NEW");
        }
        EXPECT_EQ(ReadFile(dir / "user.txt"), "USER");
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            const std::string name = entry.path().filename();
            EXPECT_TRUE(name == "user.txt" || name == "a.html") << "left behind: " << name;
        }
    }
}

TEST(PageFile, WriteErrorsAreReportedByCloseAndLeaveTheOldPage) {
    // Writes beyond a file size limit fail (EFBIG) instead of raising SIGXFSZ.
    TempDir dir;
    const std::string page = dir.WriteFile("a.html", "OLD PAGE");
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    PageFile file;
    const bool opened = file.Open(page);
    for (int i = 0; i < 100; ++i) file.Text(std::string(1000, 'x'));
    const bool closed = file.Close();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(opened);
    EXPECT_FALSE(closed);
    EXPECT_EQ(ReadFile(page), "OLD PAGE");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 1);
}

}  // namespace
}  // namespace foldcraft::test
