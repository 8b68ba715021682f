#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/QtSettingsStore.h"
#include "support/TempDir.h"

using foldcraft::QtSettingsStore;
using foldcraft::test::TempDir;

namespace {
mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 07777;
}
}  // namespace

// A text with INI-special characters and a number read back from a new store; an
// empty text is not a missing one; missing or non-numeric values give the defaults.
TEST(QtSettingsStoreTest, ValuesSurviveANewStore) {
    TempDir dir;
    const std::string ini = dir / "Foldcraft.ini", special = "p=w;d \"x\" \xC3\xA9";
    {
        QtSettingsStore store(ini);
        EXPECT_EQ(store.FileName(), ini);
        EXPECT_TRUE(store.WriteString("FTPServer", "Password", special) &&
                    store.WriteString("FTPFirewall", "Password", "") &&
                    store.WriteInt("Message", "SupportFileMsg", -1));
    }
    const QtSettingsStore store(ini);
    EXPECT_EQ(store.GetString("FTPServer", "Password", ""), special);
    EXPECT_EQ(store.GetString("FTPFirewall", "Password", "default"), "");
    EXPECT_EQ(store.GetString("FTPFirewall", "User", "default"), "default");
    EXPECT_EQ(store.GetInt("Message", "SupportFileMsg", 0), -1);
    EXPECT_EQ(store.GetInt("FTPServer", "Password", 21), 21);
    EXPECT_EQ(store.GetInt("FTPServer", "Port", 21), 21);
}

// The file is private whatever the umask: a new one before anything is written, an
// existing one open to others as soon as it is opened, and each after every write,
// also when another program removed it meanwhile. The user's own store lives under
// the company and program names.
TEST(QtSettingsStoreTest, FileIsPrivateWhateverTheUmask) {
    TempDir dir;
    const mode_t oldMask = ::umask(022);
    const std::string open = dir.WriteFile("open.ini", "[FTPServer]\nPassword=old\n");
    ::chmod(open.c_str(), 0644);
    for (const std::string& ini : {dir / "sub/new.ini", open, dir / "removed.ini"}) {
        QtSettingsStore store(ini);
        EXPECT_EQ(ModeOf(ini), 0600u) << ini;
        if (ini.ends_with("removed.ini")) std::filesystem::remove(ini);
        EXPECT_TRUE(store.WriteString("FTPServer", "Password", "secret"));
        EXPECT_EQ(ModeOf(ini), 0600u) << ini;
    }
    ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    QtSettingsStore store;
    const std::string file = store.FileName();
    EXPECT_NE(file.find("Halvard/Foldcraft"), std::string::npos) << file;
    EXPECT_TRUE(store.WriteString("FTPServer", "Password", "secret"));
    // Qt reads the configuration folder once per process: the mode is checked only
    // when the store went to the folder set above.
    EXPECT_TRUE(file.rfind(dir.Path(), 0) != 0 || ModeOf(file) == 0600u) << file;
    ::umask(oldMask);
}
