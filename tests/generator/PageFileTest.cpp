#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "generator/PageFile.h"
#include "support/TempDir.h"

namespace foldcraft::test {
namespace {

TEST(PageFile, TemplatesGetCrLfAndArgumentsStayAsTheyAre) {
    TempDir dir;
    PageFile file;
    ASSERT_TRUE(file.Open(dir / "a.html"));
    file.Format("%s|%d|%%|%x|%\n", {"a\nb%d", -12});
    file.Format("%s%s\n", {"only"});  // a missing argument writes nothing
    file.Text("raw\n");
    file.Format("%d %d\n", {2147483647, 9000000000LL});
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(ReadFile(dir / "a.html"),
              "a\nb%d|-12|%|%x|%\r\nonly\r\nraw\n2147483647 9000000000\r\n");
}

TEST(PageFile, SpecialBytesAtEveryOffsetOfAWord) {
    // Line ends, percent signs and arguments at every position within and across the
    // eight-byte blocks that plain template text is copied in.
    TempDir dir;
    for (size_t offset = 0; offset < 20; ++offset) {
        for (const char* special : {"\n", "%%", "%s", "%d", "\n\n", "%%\n"}) {
            const std::string tmpl =
                std::string(offset, 'a') + special + std::string(offset % 9, 'b');
            std::string expected(offset, 'a');
            const std::string_view sv(special);
            if (sv == "\n") expected += "\r\n";
            if (sv == "%%") expected += "%";
            if (sv == "%s") expected += "<arg>";
            if (sv == "%d") expected += "-42";
            if (sv == "\n\n") expected += "\r\n\r\n";
            if (sv == "%%\n") expected += "%\r\n";
            expected += std::string(offset % 9, 'b');
            PageFile file;
            ASSERT_TRUE(file.Open(dir / "w.html"));
            if (sv == "%d") {
                file.Format(tmpl, {-42});
            } else {
                file.Format(tmpl, {"<arg>"});
            }
            ASSERT_TRUE(file.Close());
            EXPECT_EQ(ReadFile(dir / "w.html"), expected) << "offset " << offset << " " << sv;
        }
    }
}

TEST(PageFile, LargeFilesAreWrittenWhole) {
    TempDir dir;
    PageFile file;
    ASSERT_TRUE(file.Open(dir / "big.html"));
    const std::string line(999, 'x');
    for (int i = 0; i < 1000; ++i) file.Format("%s\n", {line});
    EXPECT_EQ(file.BytesWritten(), 1001000u);
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(ReadFile(dir / "big.html").size(), 1001000u);
}

TEST(PageFile, ArgumentsLargerThanTheBufferAreWrittenWhole) {
    TempDir dir;
    PageFile file;
    ASSERT_TRUE(file.Open(dir / "huge.html"));
    const std::string huge(200 * 1024, 'h');
    file.Format("<p>%s</p>\n", {"x"});
    file.Format("<p>%s|%d|%%</p>\n", {huge, 7});
    file.Text(huge);
    file.Format("end\n");
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(ReadFile(dir / "huge.html"),
              "<p>x</p>\r\n<p>" + huge + "|7|%</p>\r\n" + huge + "end\r\n");
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
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(PageFile, RefusesPathsItCannotCreate) {
    TempDir dir;
    PageFile file;
    EXPECT_FALSE(file.Open(""));
    EXPECT_FALSE(file.Open(dir / "no/such/dir.html"));
    EXPECT_FALSE(file.Open(std::string("a\0b", 3)));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.Close());
}

}  // namespace
}  // namespace foldcraft::test
