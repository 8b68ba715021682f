#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "settings/QtSettingsStore.h"
#include "support/TempDir.h"

using foldcraft::ISettingsStore;
using foldcraft::QtSettingsStore;
using foldcraft::test::ReadFile;
using foldcraft::test::TempDir;

namespace {
mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 07777;
}

std::unique_ptr<QtSettingsStore> Open(const std::string& ini) {
    std::string error;
    auto store = QtSettingsStore::Open(ini, error);
    EXPECT_TRUE(store && error.empty()) << error;
    return store;
}
}  // namespace

// A text with INI-special characters and a number read back from a new store; an
// empty text is not a missing one; missing or non-numeric values give the defaults;
// an unquoted comma written by hand makes a list, which is not one text.
TEST(QtSettingsStoreTest, ValuesSurviveANewStore) {
    TempDir dir;
    const std::string ini = dir / "Foldcraft.ini", special = "p=w;d \"x\" \xC3\xA9";
    {
        auto store = Open(ini);
        ASSERT_TRUE(store);
        EXPECT_EQ(store->FileName(), ini);
        EXPECT_TRUE(store->WriteString("FTPServer", "Password", special) &&
                    store->WriteString("FTPFirewall", "Password", "") &&
                    store->WriteInt("Message", "SupportFileMsg", -1));
    }
    std::string contents = ReadFile(ini);
    dir.WriteFile("Foldcraft.ini", contents + "[Hand]\nList=a, b\n");
    const auto store = Open(ini);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->GetString("FTPServer", "Password", ""), special);
    EXPECT_EQ(store->GetString("FTPFirewall", "Password", "default"), "");
    EXPECT_EQ(store->GetString("FTPFirewall", "User", "default"), "default");
    EXPECT_EQ(store->GetInt("Message", "SupportFileMsg", 0), -1);
    EXPECT_EQ(store->GetInt("FTPServer", "Password", 21), 21);
    EXPECT_EQ(store->GetInt("FTPServer", "Port", 21), 21);
    EXPECT_EQ(store->Lookup("Hand", "List").kind, ISettingsStore::Stored::Kind::kNotText);
    EXPECT_NE(store->ReadString("Hand", "List", "").error.find("Hand/List"), std::string::npos);
}

// The file is private whatever the umask: a new one before anything is written, an
// existing one open to others as soon as it is opened, and each after every write,
// also when another program removed it meanwhile. The user's own store lives under
// the company and program names in the configuration folder.
TEST(QtSettingsStoreTest, FileIsPrivateWhateverTheUmask) {
    TempDir dir;
    const mode_t oldMask = ::umask(022);
    const std::string open = dir.WriteFile("open.ini", "[FTPServer]\nPassword=old\n");
    ::chmod(open.c_str(), 0644);
    for (const std::string& ini : {dir / "sub/new.ini", open, dir / "removed.ini"}) {
        auto store = Open(ini);
        ASSERT_TRUE(store);
        EXPECT_EQ(ModeOf(ini), 0600u) << ini;
        if (ini.ends_with("removed.ini")) std::filesystem::remove(ini);
        EXPECT_TRUE(store->WriteString("FTPServer", "Password", "secret"));
        EXPECT_EQ(ModeOf(ini), 0600u) << ini;
    }
    ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    std::string error;
    const auto store = QtSettingsStore::OpenUserStore(error);
    ASSERT_TRUE(store) << error;
    EXPECT_EQ(store->FileName(), dir / "Halvard/Foldcraft.conf");
    EXPECT_TRUE(store->WriteString("FTPServer", "Password", "secret"));
    EXPECT_EQ(ModeOf(store->FileName()), 0600u);
    ::unsetenv("XDG_CONFIG_HOME");
    ::umask(oldMask);
}

// A settings file that is a link (to a user's file, to nothing), a FIFO, a device or
// a directory is refused as it is opened, without waiting and without a change to
// it or to what it leads to; one put in place of the file after the opening makes
// the next write fail the same way.
TEST(QtSettingsStoreTest, OnlyARegularFileIsUsed) {
    struct Row {
        const char* kind;
        bool afterOpen;
    };
    for (const Row row : {Row{"link", false},
                          {"dangling", false},
                          {"fifo", false},
                          {"device", false},
                          {"directory", false},
                          {"link", true},
                          {"fifo", true}}) {
        SCOPED_TRACE(std::string(row.kind) + (row.afterOpen ? " after the opening" : ""));
        TempDir dir;
        const std::string victim = dir.WriteFile("notes.txt", "MY NOTES");
        ::chmod(victim.c_str(), 0644);
        const std::string ini = dir / "settings.ini";
        std::unique_ptr<QtSettingsStore> store;
        if (row.afterOpen) {
            store = Open(ini);
            ASSERT_TRUE(store);
            std::filesystem::remove(ini);
        }
        const std::string kind = row.kind;
        int made = -1;
        if (kind == "link") made = ::symlink(victim.c_str(), ini.c_str());
        if (kind == "dangling") made = ::symlink((dir / "absent.ini").c_str(), ini.c_str());
        if (kind == "fifo") made = ::mkfifo(ini.c_str(), 0666);
        if (kind == "device") made = ::mknod(ini.c_str(), S_IFCHR | 0666, makedev(1, 3));
        if (kind == "directory") made = ::mkdir(ini.c_str(), 0755);
        if (made != 0 && kind == "device") continue;  // not allowed to make one here
        ASSERT_EQ(made, 0);
        const mode_t mode = ModeOf(ini);
        if (row.afterOpen) {
            EXPECT_FALSE(store->WriteString("FTPServer", "Password", "secret"));
        } else {
            std::string error;
            EXPECT_FALSE(QtSettingsStore::Open(ini, error));
            EXPECT_EQ(error, "Error: the settings file is not a regular file: " + ini);
        }
        EXPECT_EQ(ModeOf(ini), mode);
        EXPECT_EQ(ModeOf(victim), 0644u);
        EXPECT_EQ(ReadFile(victim), "MY NOTES");
        EXPECT_FALSE(std::filesystem::exists(dir / "absent.ini"));
    }
}
