#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "publish/FileCopy.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::FileCopy;
using foldcraft::test::ReadFile;
using Outcome = FileCopy::Outcome;

namespace {
// Into the directory of destination, opened by its path.
Outcome CopyReplacing(const std::string& source, const std::string& destination,
                      std::string* error) {
    const std::size_t slash = destination.rfind('/');
    const int dirFd = ::open(destination.substr(0, slash).c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd < 0) {
        *error = "no directory";
        return Outcome::kFailed;
    }
    const Outcome outcome = FileCopy::CopyInto(source, dirFd, destination.substr(slash + 1), error);
    ::close(dirFd);
    return outcome;
}
}  // namespace

// Through a temporary file renamed into place, keeping the modification time; a link
// at the destination is replaced, not followed; no waiting on a named pipe; a source
// read only up to its size when opened (one that grows, like /proc files, must not
// fill the disk); the destination kept when it is the source or the copy fails.
TEST(FileCopy, CopiesThroughATemporaryFile) {
    foldcraft::test::TempDir dir;
    std::string bytes(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + 7);
    const std::string src = dir.WriteFile("src", bytes);
    const struct timespec times[2] = {{1'000'000'000, 123'456'789}, {1'000'000'000, 123'456'789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, src.c_str(), times, 0), 0);
    for (const char* name : {"old", "kept", "outside"}) dir.WriteFile(name, name);
    ASSERT_EQ(::symlink((dir / "outside").c_str(), (dir / "link").c_str()), 0);
    ASSERT_EQ(::link(src.c_str(), (dir / "hard").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_directories(dir / "adir/x");
    struct Case {
        std::string source, destination;  // below dir unless absolute
        Outcome outcome;
        std::string after;  // the destination's bytes afterwards
    };
    const std::vector<Case> cases = {
        {"src", "new", Outcome::kCopied, bytes},
        {"src", "old", Outcome::kCopied, bytes},
        {"src", "link", Outcome::kCopied, bytes},
        {"/proc/self/status", "proc", Outcome::kCopied, ""},
        {"src", "src", Outcome::kSameFile, bytes},
        {"src", "adir/../src", Outcome::kSameFile, bytes},
        {"src", "hard", Outcome::kSameFile, bytes},
        {"missing", "kept", Outcome::kFailed, "kept"},
        {"adir", "kept", Outcome::kFailed, "kept"},
        {"fifo", "from-fifo", Outcome::kFailed, ""},
        {"src", "adir", Outcome::kFailed, ""},
        {"src", "nodir/file", Outcome::kFailed, ""},
    };
    for (const Case& c : cases) {
        const std::string source = c.source[0] == '/' ? c.source : dir / c.source;
        std::string error;
        EXPECT_EQ(CopyReplacing(source, dir / c.destination, &error), c.outcome)
            << c.source << " " << c.destination;
        EXPECT_EQ(ReadFile(dir / c.destination), c.after) << c.destination;
        EXPECT_EQ(error.empty(), c.outcome != Outcome::kFailed) << error;
    }
    struct stat st {};
    ASSERT_EQ(::stat((dir / "new").c_str(), &st), 0);
    EXPECT_EQ(std::pair(st.st_mtim.tv_sec, st.st_mtim.tv_nsec),
              std::pair(times[1].tv_sec, times[1].tv_nsec));
    EXPECT_FALSE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(ReadFile(dir / "outside"), "outside");
    EXPECT_TRUE(fs::is_directory(dir / "adir/x"));
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
    }
}
