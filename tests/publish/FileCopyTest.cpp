#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>

#include "publish/FileCopy.h"
#include "support/AsOrdinaryUser.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::FileCopy;
using foldcraft::test::AsOrdinaryUser;
using foldcraft::test::FileExists;
using foldcraft::test::ReadFile;
using foldcraft::test::TempDir;
using foldcraft::test::UserRun;

namespace {

void SetMtime(const std::string& path, time_t seconds, long nanos) {
    const struct timespec times[2] = {{seconds, nanos}, {seconds, nanos}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

struct timespec Mtime(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtim;
}

size_t EntriesIn(const std::string& dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
}

}  // namespace

TEST(FileCopy, CopiesBytesAndKeepsModificationTime) {
    TempDir dir;
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 + 7);
    const std::string src = dir.WriteFile("src/a.bin", big);
    SetMtime(src, 1'000'000'000, 123'456'789);
    fs::create_directories(dir / "dst");
    const std::string dst = dir / "dst/a.bin";
    EXPECT_EQ(FileCopy::CopyReplacing(src, dst), FileCopy::Outcome::kCopied);
    EXPECT_EQ(ReadFile(dst), big);
    EXPECT_EQ(Mtime(dst).tv_sec, 1'000'000'000);
    EXPECT_EQ(Mtime(dst).tv_nsec, 123'456'789);
    // No temporary file is left behind.
    EXPECT_EQ(EntriesIn(dir / "dst"), 1u);
}

TEST(FileCopy, EmptyFile) {
    TempDir dir;
    const std::string src = dir.WriteFile("empty", "");
    EXPECT_EQ(FileCopy::CopyReplacing(src, dir / "copy"), FileCopy::Outcome::kCopied);
    EXPECT_TRUE(FileExists(dir / "copy"));
    EXPECT_EQ(fs::file_size(dir / "copy"), 0u);
}

TEST(FileCopy, ReplacesExistingDestinationAndSymlinkIsNotFollowed) {
    TempDir dir;
    const std::string src = dir.WriteFile("src", "new");
    const std::string dst = dir.WriteFile("dst", "old old old old");
    EXPECT_EQ(FileCopy::CopyReplacing(src, dst), FileCopy::Outcome::kCopied);
    EXPECT_EQ(ReadFile(dst), "new");

    const std::string outside = dir.WriteFile("outside", "keep");
    ASSERT_EQ(::symlink(outside.c_str(), (dir / "link").c_str()), 0);
    EXPECT_EQ(FileCopy::CopyReplacing(src, dir / "link"), FileCopy::Outcome::kCopied);
    EXPECT_EQ(ReadFile(outside), "keep");
    EXPECT_FALSE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(ReadFile(dir / "link"), "new");
}

TEST(FileCopy, SameFileIsLeftAlone) {
    TempDir dir;
    const std::string src = dir.WriteFile("a/doc.txt", "contents");
    EXPECT_EQ(FileCopy::CopyReplacing(src, src), FileCopy::Outcome::kSameFile);
    EXPECT_EQ(FileCopy::CopyReplacing(src, dir / "a/../a/doc.txt"), FileCopy::Outcome::kSameFile);
    ASSERT_EQ(::link(src.c_str(), (dir / "hard").c_str()), 0);
    EXPECT_EQ(FileCopy::CopyReplacing(src, dir / "hard"), FileCopy::Outcome::kSameFile);
    EXPECT_EQ(ReadFile(src), "contents");
    EXPECT_TRUE(FileCopy::SameFile(src, dir / "hard"));
    EXPECT_FALSE(FileCopy::SameFile(src, dir / "missing"));
}

TEST(FileCopy, FailuresLeaveDestinationUntouched) {
    TempDir dir;
    const std::string dst = dir.WriteFile("dst", "old");
    std::string error;
    EXPECT_EQ(FileCopy::CopyReplacing(dir / "missing", dst, &error), FileCopy::Outcome::kFailed);
    EXPECT_NE(error.find("missing"), std::string::npos);
    EXPECT_EQ(ReadFile(dst), "old");

    // A directory as source.
    fs::create_directories(dir / "adir");
    EXPECT_EQ(FileCopy::CopyReplacing(dir / "adir", dst), FileCopy::Outcome::kFailed);
    EXPECT_EQ(ReadFile(dst), "old");

    // A directory as destination.
    const std::string src = dir.WriteFile("src", "new");
    fs::create_directories(dir / "occupied/x");
    EXPECT_EQ(FileCopy::CopyReplacing(src, dir / "occupied"), FileCopy::Outcome::kFailed);
    EXPECT_TRUE(fs::is_directory(dir / "occupied/x"));

    // A missing destination directory.
    EXPECT_EQ(FileCopy::CopyReplacing(src, dir / "nodir/file"), FileCopy::Outcome::kFailed);
    EXPECT_EQ(EntriesIn(dir.Path()), 4u);  // dst, adir, src, occupied: no temporary left
}

TEST(FileCopy, NamedPipeDoesNotBlock) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(FileCopy::CopyReplacing(dir / "fifo", dir / "copy"), FileCopy::Outcome::kFailed);
    EXPECT_FALSE(FileExists(dir / "copy"));
}

// A file that reads on past the size it had when it was opened (a log being
// written; a /proc file always does) is copied up to that size only: a writer that
// never stops must not fill the disk.
TEST(FileCopy, CopiesAtMostTheSizeSeenWhenOpened) {
    TempDir dir;
    struct stat st {};
    ASSERT_EQ(::stat("/proc/self/status", &st), 0);
    ASSERT_TRUE(S_ISREG(st.st_mode));
    ASSERT_EQ(st.st_size, 0);
    EXPECT_EQ(FileCopy::CopyReplacing("/proc/self/status", dir / "copy"),
              FileCopy::Outcome::kCopied);
    EXPECT_EQ(ReadFile(dir / "copy"), "");
}

TEST(FileCopy, UnreadableSourceFails) {
    TempDir dir;
    const std::string src = dir.WriteFile("secret", "x");
    ::chmod(dir.Path().c_str(), 0777);
    ::chmod(src.c_str(), 0);
    const UserRun run = AsOrdinaryUser(
        [&] { return FileCopy::CopyReplacing(src, dir / "copy") == FileCopy::Outcome::kFailed; });
    if (run == UserRun::kNoOrdinaryUser) GTEST_SKIP() << "cannot run as an ordinary user";
    EXPECT_EQ(run, UserRun::kPassed);
    EXPECT_FALSE(FileExists(dir / "copy"));
}
