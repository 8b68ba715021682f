#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "document/ProjectTargets.h"
#include "model/FoldcraftDoc.h"
#include "model/MemorySettingsStore.h"
#include "publish/FtpSettings.h"
#include "publish/S3Settings.h"
#include "publish/SftpSettings.h"
#include "support/TempDir.h"

using foldcraft::FtpSettings;
using foldcraft::MemorySettingsStore;
using foldcraft::ProjectTargets;
using foldcraft::S3Settings;
using foldcraft::SftpSettings;
using foldcraft::test::TempDir;
using Method = ProjectTargets::Method;

namespace {

// What the publish dialogs write on a Publish press, through targets.
void PublishFtp(ProjectTargets& targets, const std::string& host) {
    FtpSettings ftp;
    ftp.strHostName = host;
    ftp.strUser = "ann";
    ftp.strPassword = "ftp-secret";
    ftp.strTrustFingerprint = host == "a.example" ? "AB:CD" : "";
    ASSERT_TRUE(ftp.Write(targets));
    // Kept in the settings file where no keyring answers and the user asked for it.
    ASSERT_TRUE(targets.WriteString("FTPServer", "Password", ftp.strPassword));
}
void PublishS3(ProjectTargets& targets, const std::string& bucket) {
    S3Settings s3;
    s3.strBucket = bucket;
    s3.strEndpoint = "http://127.0.0.1:4568";
    s3.strSecretKey = "s3-secret";
    ASSERT_TRUE(s3.Write(targets));
}

}  // namespace

// Two projects published to different targets, then the user's own sections changed
// behind them (as foldcraft-cli --save-settings does): opening each project in turn
// gives its own method, directory and target back, values it never set come from the
// user's sections, and a project without a record gets those sections and the method
// of its file (FTP meaning SFTP while the retired flag says so). The same file
// reached through a link is the same project. No password or key is kept per project.
TEST(ProjectTargets, EachProjectGetsItsOwnTargetBackAndOthersTheUserDefaults) {
    TempDir dir;
    const std::string a = dir.WriteFile("a/a.fcd", "");
    const std::string b = dir.WriteFile("b/b.fcd", "");
    const std::string c = dir.WriteFile("c.fcd", "");
    std::filesystem::create_symlink(a, dir / "link.fcd");
    MemorySettingsStore store;
    ProjectTargets targets(store);
    targets.SetProject(a);
    ASSERT_TRUE(targets.Remember(Method::kFtp, "/site/a"));
    PublishFtp(targets, "a.example");
    targets.SetProject(b);
    ASSERT_TRUE(targets.Remember(Method::kS3, "/site/b"));
    PublishS3(targets, "bucket-b");
    store.WriteString("FTPServer", "HostName", "user.example");
    store.WriteString("FTPServer", "TrustFingerprint", "");
    store.WriteString("S3Storage", "Bucket", "user-bucket");
    store.WriteInt("SFTPServer", "Chosen", 1);

    struct Row {
        std::string file;
        std::int32_t fileMethod;
        Method method;
        std::optional<std::string> localPath;
        std::string ftpHost, fingerprint, bucket;
    };
    const int ftp = CFoldcraftDoc::kPublishFtp;
    const int local = CFoldcraftDoc::kPublishLocal;
    const Row rows[] = {
        {a, local, Method::kFtp, "/site/a", "a.example", "AB:CD", "user-bucket"},
        {b, ftp, Method::kS3, "/site/b", "user.example", "", "bucket-b"},
        {a, local, Method::kFtp, "/site/a", "a.example", "AB:CD", "user-bucket"},
        {dir / "link.fcd", ftp, Method::kFtp, "/site/a", "a.example", "AB:CD", "user-bucket"},
        {c, ftp, Method::kSftp, std::nullopt, "user.example", "", "user-bucket"},
        {c, local, Method::kLocal, std::nullopt, "user.example", "", "user-bucket"},
        {"", ftp, Method::kSftp, std::nullopt, "user.example", "", "user-bucket"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        targets.SetProject(row.file);
        EXPECT_EQ(targets.InitialMethod(row.fileMethod), row.method);
        EXPECT_EQ(targets.LocalPath(), row.localPath);
        const FtpSettings ftpRead = FtpSettings::Read(targets).value;
        EXPECT_EQ(ftpRead.strHostName, row.ftpHost);
        EXPECT_EQ(ftpRead.strTrustFingerprint, row.fingerprint);
        EXPECT_EQ(ftpRead.strPassword, "ftp-secret");
        EXPECT_EQ(S3Settings::Read(targets).value.strBucket, row.bucket);
    }
    for (const std::string& write : store.WriteLog()) {
        if (write.rfind("Projects/", 0) != 0) continue;
        EXPECT_EQ(write.find("Password"), std::string::npos) << write;
        EXPECT_EQ(write.find("Key"), std::string::npos) << write;
    }
}

// A record whose file is another project's (two paths with one key) is none.
TEST(ProjectTargets, ARecordOfAnotherFileIsNone) {
    MemorySettingsStore store;
    const std::string section = ProjectTargets::SectionOf("/p/mine.fcd");
    store.WriteString(section, "File", "/p/other.fcd");
    store.WriteString(section, "Method", "s3");
    store.WriteString(section + "/FTPServer", "HostName", "other.example");
    ProjectTargets targets(store);
    targets.SetProject("/p/mine.fcd");
    EXPECT_EQ(targets.InitialMethod(CFoldcraftDoc::kPublishLocal), Method::kLocal);
    EXPECT_EQ(FtpSettings::Read(targets).value.strHostName, "");
}
