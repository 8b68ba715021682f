// S3 publish runs against a real S3-compatible server on 127.0.0.1 (S3rverTestServer).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "model/Clock.h"
#include "publish/EventLogSink.h"
#include "publish/S3Client.h"
#include "publish/S3PublishRun.h"
#include "publish/ftp/FtpTestProject.h"
#include "support/S3rverTestServer.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::S3Client;
using foldcraft::S3PublishRun;
using foldcraft::S3Settings;
using foldcraft::S3SiteTarget;
using foldcraft::test::EventLogSink;
using foldcraft::test::FtpTestProject;
using foldcraft::test::LocalPublishFiles;
using foldcraft::test::S3rverTestServer;
using foldcraft::test::TempDir;

namespace {

S3Settings SettingsFor(const S3rverTestServer& server) {
    S3Settings settings;
    settings.strEndpoint = server.Endpoint();
    settings.strBucket = S3rverTestServer::kBucket;
    settings.strPrefix = "www";
    settings.strAccessKey = S3rverTestServer::kAccessKey;
    settings.strSecretKey = S3rverTestServer::kSecretKey;
    settings.nConnections = 3;
    return settings;
}

struct Outcome {
    S3PublishRun::Result result;
    S3SiteTarget::Failure failure;
    std::string log;
    std::string message;
};

Outcome Publish(FtpTestProject& project, const std::string& program, const S3Settings& settings) {
    EventLogSink events;
    S3PublishRun run(project.doc, events, program, settings, events.Pauses());
    run.SetRetryWaits({});
    run.SetMultipart(8u << 20, 5u << 20);
    Outcome outcome{run.RunS3Publish(), run.FailureKind(), {}, run.FailureMessage()};
    for (const std::string& event : events.events) {
        if (event.rfind("show:", 0) == 0) outcome.log += event.substr(5);
    }
    return outcome;
}

// The site's keys, by the server's files; their bytes read back through the S3 API;
// Foldcraft's own objects aside. times: each object file's modification time.
std::map<std::string, std::string> Published(const S3rverTestServer& server,
                                             const S3Settings& settings,
                                             std::map<std::string, std::int64_t>* times = nullptr) {
    const std::string suffix = "._S3rver_object";
    const fs::path root = server.ObjectsDir() + "/www";
    S3Client client({settings.Endpoint(), settings.strRegion, settings.strBucket, true,
                     settings.strAccessKey, settings.strSecretKey, 10});
    std::map<std::string, std::string> objects;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(),
                                                         suffix.size(), suffix) != 0)
            continue;
        const std::string key = fs::relative(entry.path(), root).string();
        const std::string path = key.substr(0, key.size() - suffix.size());
        if (times) {
            struct stat st {};
            ::stat(entry.path().c_str(), &st);
            (*times)[path] = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
        }
        if (path.rfind(".foldcraft-", 0) == 0) continue;
        objects[path] = client.Get("www/" + path, 64u << 20).body;
    }
    return objects;
}

class S3Publish : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string unavailable = S3rverTestServer::Unavailable();
        if (!unavailable.empty()) GTEST_SKIP() << unavailable;
        server = std::make_unique<S3rverTestServer>();
        ASSERT_TRUE(server->Started()) << server->Error();
        fs::create_directories(program);
    }

    std::unique_ptr<S3rverTestServer> server;
    foldcraft::ScopedClockPin pin{foldcraft::test::kPublishNow};
    TempDir dir;
    FtpTestProject project{dir};
    std::string program = dir / "program";
};

// A first publish (a large document in parts), an unchanged re-publish that sends
// nothing, and one after a folder was dropped and a document changed: each time
// the bucket holds what a local publish holds, with each object's type.
TEST_F(S3Publish, PublishAndRepublishMatchALocalPublish) {
    const S3Settings settings = SettingsFor(*server);
    const std::string big = dir.WriteFile("src/Big/big.pdf", std::string(11u << 20, 'b'));
    foldcraft::test::AddDocument(*project.doc.m_pRoot, "Big", big);
    std::map<std::string, std::int64_t> before;
    for (const char* run : {"first publish", "unchanged", "folder dropped"}) {
        SCOPED_TRACE(run);
        const std::string step = run;
        if (step == "folder dropped") {
            auto& folders = project.doc.m_pRoot->m_arrFolders;
            folders.erase(std::remove_if(folders.begin(), folders.end(),
                                         [](const auto& f) { return f->m_strName == "Sub"; }),
                          folders.end());
            std::ofstream(project.report, std::ios::binary) << "report, second edition";
        }
        const Outcome outcome = Publish(project, program, settings);
        ASSERT_EQ(outcome.result, S3PublishRun::Result::kSuccess) << outcome.log;
        if (step == "first publish") {
            // The 11 MiB document went up in three parts.
            const std::string log = server->Log();
            std::size_t parts = 0;
            for (std::size_t at = 0; (at = log.find("big.pdf?partNumber=", at)) != std::string::npos;
                 ++at)
                ++parts;
            EXPECT_EQ(parts, 3u) << log;
        }
        const auto expected = LocalPublishFiles(project, program, dir / "local-site");
        ASSERT_GT(expected.size(), 10u);
        std::map<std::string, std::int64_t> times;
        EXPECT_TRUE(Published(*server, settings, &times) == expected);
        if (step == "unchanged") {
            EXPECT_EQ(times, before) << "an unchanged object was sent";
        }
        before = times;
        EXPECT_NE(outcome.log.find("make the bucket's objects readable"), std::string::npos);
    }
    S3Client client({server->Endpoint(), "us-east-1", S3rverTestServer::kBucket, true,
                     S3rverTestServer::kAccessKey, S3rverTestServer::kSecretKey, 10});
    const auto objects = Published(*server, settings);
    for (const auto& [extension, type] : std::map<std::string, std::string>{
             {".html", "text/html"}, {".css", "text/css"}, {".gif", "image/gif"},
             {".pdf", "application/pdf"}}) {
        const std::string& ending = extension;
        const auto it = std::find_if(objects.begin(), objects.end(), [&](const auto& object) {
            return object.first.ends_with(ending);
        });
        ASSERT_NE(it, objects.end()) << extension;
        EXPECT_EQ(client.Head("www/" + it->first).contentType, type) << it->first;
    }
}

// Wrong keys, a missing bucket and a stopped server each end the run before anything
// is sent, each with its own message.
TEST_F(S3Publish, FailuresSayWhich) {
    const struct {
        const char* what;
        S3SiteTarget::Failure failure;
        const char* message;
    } rows[] = {
        {"unknown key", S3SiteTarget::Failure::kKeys,
         "The storage refused the keys: InvalidAccessKeyId"},
        {"no bucket", S3SiteTarget::Failure::kNoBucket, "The bucket \"elsewhere\" does not exist."},
        {"server stopped", S3SiteTarget::Failure::kUnreachable, "The storage could not be reached ("},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        S3Settings settings = SettingsFor(*server);
        const std::string what = row.what;
        if (what == "unknown key") settings.strAccessKey = "NOT-A-KEY";
        if (what == "no bucket") settings.strBucket = "elsewhere";
        if (what == "server stopped") server->Stop();
        const Outcome outcome = Publish(project, program, settings);
        EXPECT_EQ(outcome.result, S3PublishRun::Result::kFailed);
        EXPECT_EQ(outcome.failure, row.failure);
        EXPECT_EQ(outcome.message.rfind(row.message, 0), 0u) << outcome.message;
        EXPECT_NE(outcome.log.find("Connecting to the bucket failed!"), std::string::npos);
        EXPECT_EQ(outcome.log.find(S3rverTestServer::kSecretKey), std::string::npos);
    }
}

}  // namespace
