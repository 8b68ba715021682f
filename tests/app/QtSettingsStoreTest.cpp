#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

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
    // Texts (the same names in two sections, an empty one, INI-special characters)
    // and numbers.
    const std::tuple<const char*, const char*, const char*> texts[] = {
        {"FTPServer", "HostName", "ftp.example.com"},
        {"FTPServer", "User", "anna"},
        {"FTPServer", "Password", "p=w;d \"x\" \xC3\xA9"},
        {"FTPServer", "StartDir", "/public_html"},
        {"FTPFirewall", "HostName", "proxy"},
        {"FTPFirewall", "User", ""},
        {"FTPFirewall", "Password", "secret"}};
    const std::tuple<const char*, const char*, int> numbers[] = {{"Tip", "StartUp", 0},
                                                                 {"Tip", "FilePos", 1234},
                                                                 {"FTPServer", "Port", 2121},
                                                                 {"FTPFirewall", "Port", 21},
                                                                 {"FTPFirewall", "FirewallType", 8},
                                                                 {"Message", "SupportFileMsg", -1}};
    {
        QtSettingsStore store(ini);
        EXPECT_EQ(store.FileName(), ini);
        for (const auto& [section, name, value] : texts)
            EXPECT_TRUE(store.WriteString(section, name, value));
        for (const auto& [section, name, value] : numbers)
            EXPECT_TRUE(store.WriteInt(section, name, value));
    }
    const QtSettingsStore store(ini);
    for (const auto& [section, name, value] : texts)  // a stored empty text is not missing
        EXPECT_EQ(store.GetString(section, name, "default"), value) << section << "/" << name;
    for (const auto& [section, name, value] : numbers)
        EXPECT_EQ(store.GetInt(section, name, 99), value) << section << "/" << name;
}

TEST(QtSettingsStoreTest, MissingOrNonNumericValuesGiveTheDefaults) {
    TempDir dir;
    const QtSettingsStore empty(dir / "empty.ini");
    EXPECT_EQ(empty.GetInt("FTPServer", "Port", 21), 21);
    EXPECT_EQ(empty.GetString("FTPServer", "HostName", "fallback"), "fallback");
    const QtSettingsStore hand(
        dir.WriteFile("hand.ini", "[FTPServer]\nPort=twenty-one\nHostName=h\n"));
    EXPECT_EQ(hand.GetInt("FTPServer", "Port", 21), 21);
    EXPECT_EQ(hand.GetString("FTPServer", "HostName", ""), "h");
    EXPECT_EQ(hand.GetInt("FTPServer", "HostName", 7), 7);
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
