#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/QtSettingsStore.h"
#include "support/TempDir.h"

using foldcraft::QtSettingsStore;
using foldcraft::test::ReadFile;
using foldcraft::test::TempDir;

namespace {

// Sets the process umask for one scope.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : m_old(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_old); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t m_old;
};

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 07777;
    return st.st_mode & 07777;
}

}  // namespace

TEST(QtSettingsStoreTest, ValuesOfEverySectionSurviveANewStore) {
    TempDir dir;
    const std::string ini = dir / "Foldcraft.ini";
    {
        QtSettingsStore store(ini);
        EXPECT_TRUE(store.WriteInt("Tip", "StartUp", 0));
        EXPECT_TRUE(store.WriteInt("Tip", "FilePos", 1234));
        EXPECT_TRUE(store.WriteString("FTPServer", "HostName", "ftp.example.com"));
        EXPECT_TRUE(store.WriteString("FTPServer", "User", "anna"));
        EXPECT_TRUE(store.WriteString("FTPServer", "Password", "p=w;d \"x\" \xC3\xA9"));
        EXPECT_TRUE(store.WriteString("FTPServer", "StartDir", "/public_html/site"));
        EXPECT_TRUE(store.WriteInt("FTPServer", "Port", 2121));
        EXPECT_TRUE(store.WriteString("FTPFirewall", "HostName", "proxy"));
        EXPECT_TRUE(store.WriteString("FTPFirewall", "User", ""));
        EXPECT_TRUE(store.WriteString("FTPFirewall", "Password", "secret"));
        EXPECT_TRUE(store.WriteInt("FTPFirewall", "Port", 21));
        EXPECT_TRUE(store.WriteInt("FTPFirewall", "FirewallType", 8));
        EXPECT_TRUE(store.WriteInt("Message", "SupportFileMsg", -1));
        EXPECT_EQ(store.FileName(), ini);
    }
    const QtSettingsStore store(ini);
    EXPECT_EQ(store.GetInt("Tip", "StartUp", 1), 0);
    EXPECT_EQ(store.GetInt("Tip", "FilePos", 0), 1234);
    EXPECT_EQ(store.GetString("FTPServer", "HostName", ""), "ftp.example.com");
    EXPECT_EQ(store.GetString("FTPServer", "User", ""), "anna");
    EXPECT_EQ(store.GetString("FTPServer", "Password", ""), "p=w;d \"x\" \xC3\xA9");
    EXPECT_EQ(store.GetString("FTPServer", "StartDir", ""), "/public_html/site");
    EXPECT_EQ(store.GetInt("FTPServer", "Port", 21), 2121);
    EXPECT_EQ(store.GetString("FTPFirewall", "HostName", ""), "proxy");
    EXPECT_EQ(store.GetString("FTPFirewall", "User", "default"),
              "");  // stored empty is not missing
    EXPECT_EQ(store.GetString("FTPFirewall", "Password", ""), "secret");
    EXPECT_EQ(store.GetInt("FTPFirewall", "Port", 0), 21);
    EXPECT_EQ(store.GetInt("FTPFirewall", "FirewallType", 0), 8);
    EXPECT_EQ(store.GetInt("Message", "SupportFileMsg", 0), -1);
    // Sections stay apart.
    EXPECT_EQ(store.GetString("FTPServer", "Password", ""), "p=w;d \"x\" \xC3\xA9");
    EXPECT_EQ(store.GetString("FTPFirewall", "Password", ""), "secret");
}

TEST(QtSettingsStoreTest, MissingValuesGiveTheDefaults) {
    TempDir dir;
    const QtSettingsStore store(dir / "empty.ini");
    EXPECT_EQ(store.GetInt("Tip", "StartUp", 1), 1);
    EXPECT_EQ(store.GetInt("FTPServer", "Port", 21), 21);
    EXPECT_EQ(store.GetString("FTPServer", "HostName", "fallback"), "fallback");
    EXPECT_EQ(store.GetString("FTPFirewall", "Password", ""), "");
}

TEST(QtSettingsStoreTest, ValueThatIsNotANumberGivesTheDefault) {
    TempDir dir;
    const std::string ini = dir.WriteFile("hand.ini", "[FTPServer]\nPort=twenty-one\nHostName=h\n");
    const QtSettingsStore store(ini);
    EXPECT_EQ(store.GetInt("FTPServer", "Port", 21), 21);
    EXPECT_EQ(store.GetString("FTPServer", "HostName", ""), "h");
    EXPECT_EQ(store.GetInt("FTPServer", "HostName", 7), 7);
}

TEST(QtSettingsStoreTest, FileIsPrivateWhateverTheUmask) {
    TempDir dir;
    ScopedUmask mask(022);
    const std::string ini = dir / "sub/settings.ini";
    {
        QtSettingsStore store(ini);
        EXPECT_EQ(ModeOf(ini), 0600u);  // before anything is written
        EXPECT_TRUE(store.WriteString("FTPServer", "Password", "secret"));
        EXPECT_EQ(ModeOf(ini), 0600u);
        EXPECT_TRUE(store.WriteInt("FTPServer", "Port", 21));
        EXPECT_EQ(ModeOf(ini), 0600u);
    }
    EXPECT_EQ(ModeOf(ini), 0600u);
    EXPECT_NE(ReadFile(ini).find("secret"), std::string::npos);
}

TEST(QtSettingsStoreTest, ExistingOpenFileIsMadePrivate) {
    TempDir dir;
    ScopedUmask mask(022);
    const std::string ini = dir.WriteFile("open.ini", "[FTPServer]\nPassword=old\n");
    ::chmod(ini.c_str(), 0644);
    QtSettingsStore store(ini);
    EXPECT_EQ(ModeOf(ini), 0600u);
    EXPECT_EQ(store.GetString("FTPServer", "Password", ""), "old");
    EXPECT_TRUE(store.WriteString("FTPServer", "Password", "new"));
    EXPECT_EQ(ModeOf(ini), 0600u);
}

TEST(QtSettingsStoreTest, UserStoreLivesUnderTheCompanyAndProgramNames) {
    TempDir dir;
    ScopedUmask mask(022);
    ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    QtSettingsStore store;
    const std::string file = store.FileName();
    EXPECT_NE(file.find("Halvard/Foldcraft"), std::string::npos) << file;
    // Qt reads the configuration folder once per process: the mode is checked only
    // when the store went to the folder set above.
    if (file.rfind(dir.Path(), 0) != 0)
        GTEST_SKIP() << "configuration folder already chosen: " << file;
    EXPECT_TRUE(store.WriteString("FTPServer", "Password", "secret"));
    EXPECT_EQ(ModeOf(file), 0600u);
}
