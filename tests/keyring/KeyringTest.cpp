// The passwords in a real keyring. ctest runs this program twice: inside
// tests/keyring/with-keyring.sh, with GNOME Keyring in a D-Bus session of its own
// (FOLDCRAFT_KEYRING=secret-service), and with no session bus at all
// (FOLDCRAFT_KEYRING=none). Each test runs in one of the two and skips in the other.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/CliRunner.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"
#include "publish/FtpSettings.h"
#include "publish/ftp/FtpTestProject.h"
#include "settings/KeychainPasswordStore.h"
#include "settings/PublishPasswords.h"
#include "settings/QtSettingsStore.h"
#include "support/FtpTestServer.h"
#include "support/S3rverTestServer.h"
#include "support/TempDir.h"

using namespace foldcraft;
using namespace foldcraft::test;
using Status = IPasswordStore::Status;

namespace {

std::string Mode() {
    const char* mode = std::getenv("FOLDCRAFT_KEYRING");
    return mode ? mode : "skip: not run by ctest (tests/keyring/with-keyring.sh)";
}

// The test goes on only in the given mode; in the keyring's, only once it answers.
#define KEYRING_MODE(mode)                                                            \
    do {                                                                              \
        if (Mode() != (mode)) GTEST_SKIP() << "this test needs " << (mode) << "; " << Mode(); \
        if (std::string(mode) == "secret-service") {                                  \
            const auto probe = KeychainPasswordStore().Read("probe");                 \
            if (probe.status == Status::kNoService)                                   \
                GTEST_SKIP() << "the keyring did not answer: " << probe.error;        \
        }                                                                             \
    } while (false)

// What `secret-tool` finds of Foldcraft's items.
std::string SecretToolSearch() {
    std::string out;
    if (FILE* pipe = ::popen("secret-tool search --all server Foldcraft 2>&1", "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
        ::pclose(pipe);
    }
    return out;
}

std::unique_ptr<QtSettingsStore> OpenStore(const std::string& ini) {
    std::string error;
    auto store = QtSettingsStore::Open(ini, error);
    EXPECT_TRUE(store) << error;
    return store;
}

}  // namespace

// Store, read back, change and remove; the protocol and the port are part of the key,
// so that one server's password never goes to another; secret-tool sees the item.
TEST(KeyringTest, StoreReadChangeRemove) {
    KEYRING_MODE("secret-service");
    KeychainPasswordStore keyring;
    const std::string ftp = "ftp://alice@127.0.0.1:21";
    struct Step {
        char op;  // 'w' write, 'r' read, 'd' remove
        std::string key, secret;
        Status status;
    };
    const Step steps[] = {
        {'r', ftp, "", Status::kNotFound},
        {'w', ftp, "first \xC3\xA9 pw", Status::kOk},
        {'r', ftp, "first \xC3\xA9 pw", Status::kOk},
        {'w', ftp, "second-pw", Status::kOk},
        {'r', ftp, "second-pw", Status::kOk},
        {'r', "sftp://alice@127.0.0.1:21", "", Status::kNotFound},
        {'r', "ftp://alice@127.0.0.1:2121", "", Status::kNotFound},
        {'d', ftp, "", Status::kOk},
        {'r', ftp, "", Status::kNotFound},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(1, step.op) + " " + step.key);
        const IPasswordStore::Result result = step.op == 'w'   ? keyring.Write(step.key, step.secret)
                                              : step.op == 'r' ? keyring.Read(step.key)
                                                               : keyring.Remove(step.key);
        EXPECT_EQ(result.status, step.status) << result.error;
        if (step.op == 'r') {
            EXPECT_EQ(result.secret, step.secret);
        }
        if (step.op == 'w') {
            const std::string found = SecretToolSearch();
            EXPECT_NE(found.find(step.key), std::string::npos) << found;
            EXPECT_NE(found.find(step.secret), std::string::npos) << found;
        }
    }
}

// A password that an older version left in the settings file moves into the keyring
// the first time it is looked up, with the log line, and leaves the file.
TEST(KeyringTest, PasswordMovesOutOfTheSettingsFile) {
    KEYRING_MODE("secret-service");
    TempDir dir;
    const std::string ini =
        dir.WriteFile("Foldcraft.conf",
                      "[FTPServer]\nHostName=127.0.0.1\nUser=bob\nPassword=old-file-pw\n");
    auto store = OpenStore(ini);
    ASSERT_TRUE(store);
    KeychainPasswordStore keyring;
    PublishPasswords passwords(*store, keyring);
    const FtpSettings settings = FtpSettings::Read(*store).value;
    const std::string lines[] = {PublishPasswords::kMovedLine, ""};  // the first use, the next
    for (const std::string& line : lines) {
        const PublishPasswords::Found found = passwords.FtpPassword(settings);
        EXPECT_TRUE(found.found && found.keyringAnswered && !found.inSettingsFile);
        EXPECT_EQ(found.secret, "old-file-pw");
        EXPECT_EQ(found.logLine, line);
        EXPECT_EQ(ReadFile(ini).find("old-file-pw"), std::string::npos) << ReadFile(ini);
    }
    EXPECT_EQ(keyring.Read("ftp://bob@127.0.0.1:21").secret, "old-file-pw");
}

// With no session bus, "no keyring service answered" is not "not found": the
// callers tell the user once, rather than taking the keyring for empty.
TEST(KeyringTest, NoServiceIsNotNotFound) {
    KEYRING_MODE("none");
    KeychainPasswordStore keyring;
    for (const auto& result : {keyring.Read("ftp://carol@127.0.0.1:21"),
                               keyring.Write("ftp://carol@127.0.0.1:21", "pw"),
                               keyring.Remove("ftp://carol@127.0.0.1:21")}) {
        EXPECT_EQ(result.status, Status::kNoService);
        EXPECT_NE(result.error.find("No keyring service answered"), std::string::npos);
    }
}

// ftp-publish without --password-env takes the keyring's password; --password-env
// wins over it; with none anywhere and standard input not a terminal it stops with a
// clear error, as sftp-publish does with no way at all to log on. No password reaches
// the settings file or the output.
TEST(KeyringTest, CommandLineReadsTheKeyring) {
    const bool keyringMode = Mode() == "secret-service";
    if (keyringMode) {
        KEYRING_MODE("secret-service");
    } else {
        KEYRING_MODE("none");
    }
    if (!FtpTestServer::Available()) GTEST_SKIP() << "/usr/bin/python3 has no pyftpdlib";
    TempDir dir;
    FtpTestProject project(dir);
    const std::string file = dir / "site.fcd";
    ASSERT_TRUE(SaveProject(project.doc, file).Ok());
    std::filesystem::create_directories(dir / "root");
    FtpTestServer server(dir / "root", "carol", "right-pw-1");
    ASSERT_TRUE(server.Started()) << server.Error();
    const std::string key = "ftp://carol@127.0.0.1:" + std::to_string(server.Port());
    const std::string ini = dir / "Foldcraft.conf";
    KeychainPasswordStore keyring;
    struct Row {
        std::string inKeyring;  // empty: nothing
        std::string fromEnv;    // empty: no --password-env
        int exitCode;
        std::string err;
        std::string keptAfter = {};  // the keyring's password after the run
        bool sftp = false;           // sftp-publish with no key file or agent
    };
    const std::string noPassword = "Error: no password for " + key + ": ";
    const std::string noTerminal =
        ", and standard input is not a terminal to ask on; use --password-env VAR.\n";
    const std::string noSftpPassword =
        "Error: no password for sftp://carol@127.0.0.1:" + std::to_string(server.Port()) + ": ";
    const std::string noSftpWay = ", there is no key file or agent" + noTerminal;
    std::vector<Row> rows;
    if (keyringMode) {
        rows.push_back({"right-pw-1", "", 0, "", "right-pw-1"});
        // --save-settings keeps the one given in the keyring.
        rows.push_back({"wrong-pw-2", "right-pw-1", 0, "", "right-pw-1"});
        rows.push_back({"", "", 2, noPassword + "the keyring holds none" + noTerminal, ""});
        rows.push_back(
            {"", "", 2, noSftpPassword + "the keyring holds none" + noSftpWay, "", true});
    } else {
        rows.push_back({"", "", 2, noPassword + "no keyring service answered" + noTerminal});
        rows.push_back(
            {"", "", 2, noSftpPassword + "no keyring service answered" + noSftpWay, "", true});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.inKeyring + "/" + row.fromEnv);
        if (keyringMode) {
            if (row.inKeyring.empty()) keyring.Remove(key);
            else ASSERT_TRUE(keyring.Write(key, row.inKeyring).Ok());
        }
        std::vector<std::string> args = {row.sftp ? "sftp-publish" : "ftp-publish",
                                         file, "--settings", ini,
                                         "--host", "127.0.0.1", "--port",
                                         std::to_string(server.Port()), "--user", "carol",
                                         "--start-dir", "/", "--save-settings"};
        if (row.sftp) args.push_back("--no-agent");
        std::vector<std::string> env;
        if (!row.fromEnv.empty()) {
            args.insert(args.end(), {"--password-env", "FTP_PW"});
            env.push_back("FTP_PW=" + row.fromEnv);
        }
        const CliRun run = RunCli(args, {}, env);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
        if (!row.err.empty()) {
            EXPECT_EQ(run.err, row.err);
        }
        if (keyringMode) {
            EXPECT_EQ(keyring.Read(key).secret, row.keptAfter);
        }
        const std::string texts[] = {run.out, run.err, ReadFile(ini)};
        for (const std::string& text : texts) {
            EXPECT_EQ(text.find("right-pw-1"), std::string::npos) << text;
            EXPECT_EQ(text.find("wrong-pw-2"), std::string::npos) << text;
        }
    }
}

// s3-publish keeps the secret key of --save-settings in the keyring, and the access
// key in the settings; a later run without either variable finds both there. With
// neither a variable nor the keyring's secret, and no terminal, it stops. The secret
// never reaches the settings file or the output.
TEST(KeyringTest, S3SecretKeyInTheKeyring) {
    const bool keyringMode = Mode() == "secret-service";
    if (keyringMode) {
        KEYRING_MODE("secret-service");
    } else {
        KEYRING_MODE("none");
    }
    const std::string unavailable = S3rverTestServer::Unavailable();
    if (!unavailable.empty()) GTEST_SKIP() << unavailable;
    S3rverTestServer server;
    ASSERT_TRUE(server.Started()) << server.Error();
    TempDir dir;
    FtpTestProject project(dir);
    const std::string file = dir / "site.fcd";
    ASSERT_TRUE(SaveProject(project.doc, file).Ok());
    const std::string ini =
        dir.WriteFile("Foldcraft.conf",
                      "[S3Storage]\nAccessKey=" + std::string(S3rverTestServer::kAccessKey) + "\n");
    const std::string key =
        "s3://" + std::string(S3rverTestServer::kAccessKey) + "@" + server.Endpoint();
    const std::string secret = "s3-secret-1";
    struct Row {
        bool fromEnv;  // both keys in AWS_*, with --save-settings
        int exitCode;
        std::string err;
    };
    const std::string noSecret = "Error: no secret key for " + key + ": ";
    const std::string noTerminal =
        ", and standard input is not a terminal to ask on; use --secret-key-env VAR.\n";
    std::vector<Row> rows;
    if (keyringMode) {
        rows = {{true, 0, ""}, {false, 0, ""}};
        // The same, after the keyring has lost it.
        rows.push_back({false, 2, noSecret + "the keyring holds none" + noTerminal});
    } else {
        rows = {{false, 2, noSecret + "no keyring service answered" + noTerminal}};
    }
    KeychainPasswordStore keyring;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(i);
        if (keyringMode && i == 2) {
            ASSERT_TRUE(keyring.Remove(key).Ok());
        }
        std::vector<std::string> args = {"--program-folder", dir / "program", "s3-publish", file,
                                         "--settings", ini, "--endpoint", server.Endpoint(),
                                         "--bucket", S3rverTestServer::kBucket};
        std::vector<std::string> env;
        if (row.fromEnv) {
            args.push_back("--save-settings");
            env = {"AWS_ACCESS_KEY_ID=" + std::string(S3rverTestServer::kAccessKey),
                   "AWS_SECRET_ACCESS_KEY=" + secret};
        }
        const CliRun run = RunCli(args, {}, env);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.out << run.err;
        if (!row.err.empty()) {
            EXPECT_EQ(run.err, row.err);
        }
        if (keyringMode && i == 0) {
            EXPECT_EQ(keyring.Read(key).secret, secret);
        }
        const std::string texts[] = {run.out, run.err, ReadFile(ini)};
        for (const std::string& text : texts) {
            EXPECT_EQ(text.find(secret), std::string::npos) << text;
        }
    }
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // the keyring's answers come through its events
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
