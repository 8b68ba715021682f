#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "generator/SitePaths.h"
#include "generator/SupportImages.h"
#include "publish/EventLogSink.h"
#include "publish/FtpPublishRun.h"
#include "publish/ftp/FtpTestProject.h"
#include "support/RecordingLogSink.h"
#include "support/ScriptedFtpServer.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::FtpPublishRun;
using foldcraft::FtpSettings;
using foldcraft::ScopedClockPin;
using foldcraft::test::EventLogSink;
using foldcraft::test::FtpTestProject;
using foldcraft::test::kPublishNow;
using foldcraft::test::ReadFile;
using foldcraft::test::RecordingLogSink;
using foldcraft::test::ScriptedFtpServer;
using foldcraft::test::TempDir;
using Fault = ScriptedFtpServer::Fault;
using Result = FtpPublishRun::Result;
using namespace std::chrono_literals;

namespace {

const std::string kHeader = "Publish status:\n" + std::string(40, '-') + "\n";
const std::string kTemp = "\nCreating temp files...\nSuccesfully created temp files.\n";
const std::string kLogin = "\nLogging into FTP server...";
const std::string kLoggedIn = "\nSuccessfully logged into server.\n";
const std::string kDirs =
    "\nCreating directory structure...\nSuccessfully created directory structure.\n";
const std::string kCopying = "\nCopying files to server...";
const std::string kCopied = "\nSuccessfully copied files to server\n";
const std::string kNotCopied = "\nThe following files were not copied to the server:\n";
const std::string kLoggedOff = "\nLogged off of FTP server.\n";
const std::string kSuccess = "\n--------------------\nPublish successful!\n";
const std::string kFinished =
    "\n--------------------\nPublish finished.\nSome files were not copied.\n";
const std::string kLoginFailed = "\nServer login failed!\n";
const std::string kNoStartDir = "\nStarting directory not found!\n";
const std::string kDirsFailed =
    "\nCreating directory structure...\nCreation of directory structure failed!\n";

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class FtpPublishRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        program = dir / "program";
        fs::create_directories(program);
        settings.strHostName = "127.0.0.1";
        settings.strUser = "bob";
        settings.strPassword = "s3cret-pw";
        settings.strStartDir = "www";
    }

    // Runs the publish against the server's script.
    Result Run(std::vector<int>* pauses = nullptr) {
        settings.nPort = server.Port();
        server.Start();
        FtpPublishRun::PauseHook hook;
        if (pauses) hook = [pauses](int ms) { pauses->push_back(ms); };
        FtpPublishRun run(project.doc, sink, program, settings, hook);
        run.SetTimeout(300ms);
        const Result result = run.RunFtpPublish();
        errorFlag = run.ErrorFlag();
        detail = run.FailureDetail();
        // A run that never reached the login leaves the server waiting for a client.
        const bool connected = sink.log.find("\nLogging into FTP server...") != std::string::npos;
        finished = server.Finish(connected ? 10s : 100ms);
        return result;
    }
    // Runs the publish against a well-behaved server with these faults.
    Result Serve(std::vector<Fault> faults = {}) {
        server.Send("220 Ready").Serve(std::move(faults));
        return Run();
    }

    std::vector<std::string> Commands(const std::string& word) {
        std::vector<std::string> lines;
        for (const std::string& line : server.Received()) {
            if (line.rfind(word, 0) == 0) lines.push_back(line);
        }
        return lines;
    }

    ScopedClockPin pin{kPublishNow};
    ScriptedFtpServer server;
    TempDir dir;
    FtpTestProject project{dir};
    std::string program;
    FtpSettings settings;
    RecordingLogSink sink;
    bool errorFlag = false;
    bool finished = false;
    std::string detail;
};

TEST_F(FtpPublishRunTest, SuccessfulRun) {
    server.Send("220 Ready").Serve();
    std::vector<int> pauses;
    EXPECT_EQ(Run(&pauses), Result::kSuccess);
    EXPECT_EQ(sink.log, kHeader + kTemp + kLogin + kLoggedIn + kDirs + kCopying + kCopied +
                            kLoggedOff + kSuccess);
    EXPECT_EQ(sink.scrolls, (std::vector<int>{4, 2, 2, 2, 2, 4}));
    EXPECT_EQ(pauses, (std::vector<int>{100, 100, 100}));
    EXPECT_TRUE(sink.closeEnabled);
    EXPECT_FALSE(errorFlag);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(project.doc.m_arrPublishFiles.empty());

    const auto received = server.Received();
    ASSERT_GE(received.size(), 4u);
    EXPECT_EQ(std::vector(received.begin(), received.begin() + 3),
              (std::vector<std::string>{"USER bob", "PASS s3cret-pw", "CWD www"}));
    EXPECT_EQ(received.back(), "QUIT");

    // Directories: images, files, then each source directory once, parents first.
    const std::string rel = foldcraft::SitePaths::RelativeSitePath(project.src);
    std::vector<std::string> mkd{"MKD images", "MKD files"};
    std::string acc = "files";
    for (const auto& part : fs::path(rel)) {
        acc += "/" + part.string();
        mkd.push_back("MKD " + acc);
    }
    const std::string srcDir = acc;
    for (const char* d :
         {"/Docs", "/Docs/Work", "/Old", "/Docs/Work/Deep", "/Hidden", "/Pictures"}) {
        mkd.push_back("MKD " + srcDir + d);
    }
    EXPECT_EQ(Commands("MKD "), mkd);

    // Uploads: background, support images, pages in name order and styles.css last,
    // then documents and the hotspot picture; never links or inactive items; each
    // under its temporary name, then renamed. The manifest comes last.
    std::vector<std::string> names{"images/paper.jpg"};
    for (const auto& image : foldcraft::SupportImages::All())
        names.push_back(std::string("images/") + image.name);
    for (const char* page : {"Folder0-0.html", "Folder0-1.html", "Folder0-2.html", "Folder0.html",
                             "Sitemap.html", "TitlePage.html", "styles.css"}) {
        names.push_back(page);
    }
    for (const std::string& doc : {project.report, project.notes, project.deep, project.picture}) {
        names.push_back("files/" + foldcraft::SitePaths::RelativeSitePath(doc));
    }
    names.push_back(".foldcraft-manifest");
    std::vector<std::string> stor, rnto;
    for (const std::string& name : names) {
        stor.push_back("STOR " + FtpPublishRun::TemporaryName(name));
        rnto.push_back("RNTO " + name);
    }
    EXPECT_EQ(Commands("STOR "), stor);
    EXPECT_EQ(Commands("RNTO "), rnto);
    EXPECT_EQ(Commands("RETR "), std::vector<std::string>{"RETR .foldcraft-manifest"});
    EXPECT_EQ(Commands("PORT ").size(), stor.size() + 1);
    EXPECT_EQ(Commands("TYPE I").size(), stor.size() + 1);

    const auto files = server.Files();
    for (const std::string& doc : {project.report, project.deep}) {
        EXPECT_EQ(files.at("files/" + foldcraft::SitePaths::RelativeSitePath(doc)), ReadFile(doc));
    }
    EXPECT_EQ(files.at("styles.css"), ReadFile(program + "/_temp/styles.css"));
    EXPECT_EQ(files.at("images/logo.gif"), ReadFile(program + "/images/logo.gif"));
}

// What the Status pane shows, step by step: the header and "Creating temp files..."
// appear after the first pause, not before it.
TEST_F(FtpPublishRunTest, EachTextShowsAfterItsPause) {
    server.Send("220 Ready").Serve();
    settings.nPort = server.Port();
    server.Start();
    EventLogSink events;
    FtpPublishRun run(project.doc, events, program, settings, events.Pauses());
    run.SetTimeout(2s);
    ASSERT_EQ(run.RunFtpPublish(), Result::kSuccess);
    ASSERT_TRUE(server.Finish(10s));
    const std::vector<std::string> expected = {
        "close:off",
        "pause:100",
        "show:" + kHeader + kTemp,
        "scroll:4",
        "pause:100",
        "show:" + kLogin + kLoggedIn,
        "scroll:2",
        "show:" + kDirs,
        "scroll:2",
        "show:" + kCopying + kCopied,
        "scroll:2",
        "show:" + kLoggedOff,
        "scroll:2",
        "pause:100",
        "show:" + kSuccess,
        "scroll:4",
        "close:on",
    };
    EXPECT_EQ(events.events, expected);
}

TEST_F(FtpPublishRunTest, PassiveModeUsesPasv) {
    settings.bPassive = 1;
    EXPECT_EQ(Serve(), Result::kSuccess) << sink.log;
    EXPECT_TRUE(Commands("PORT ").empty());
    EXPECT_EQ(Commands("PASV").size(), Commands("STOR ").size() + 1);  // + the manifest's RETR
    EXPECT_EQ(server.Files().at("TitlePage.html"), ReadFile(program + "/_temp/TitlePage.html"));
}

TEST_F(FtpPublishRunTest, EmptyStartingDirectoryStaysInTheLoginDirectory) {
    settings.strStartDir.clear();
    EXPECT_EQ(Serve(), Result::kSuccess) << sink.log;
    EXPECT_TRUE(Commands("CWD").empty());
}

TEST_F(FtpPublishRunTest, WrongPasswordEndsAfterLoginWithoutQuit) {
    EXPECT_EQ(Serve({Fault{"PASS", 1, Fault::kReply, "530 Login incorrect."}}), Result::kFailed);
    EXPECT_EQ(sink.log, kHeader + kTemp + kLogin + kLoginFailed);
    EXPECT_TRUE(sink.closeEnabled);
    EXPECT_TRUE(errorFlag);
    EXPECT_TRUE(Commands("QUIT").empty());
    EXPECT_EQ(detail, "");  // the answer to PASS is never shown
}

TEST_F(FtpPublishRunTest, RefusedStartingDirectoryEndsAfterQuit) {
    EXPECT_EQ(
        Serve({Fault{"CWD", 1, Fault::kReply, "550 www: No such directory (user s3cret-pw)."}}),
        Result::kFailed);
    EXPECT_EQ(sink.log, kHeader + kTemp + kLogin + kLoggedIn + kNoStartDir);
    const auto received = server.Received();
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(received[received.size() - 2], "CWD www");
    EXPECT_EQ(received.back(), "QUIT");
    EXPECT_EQ(detail, "550 www: No such directory (user ********).");
}

TEST_F(FtpPublishRunTest, RefusedDirectoryEndsAfterQuit) {
    EXPECT_EQ(Serve({Fault{"MKD", 3, Fault::kReply, "553 Not allowed."}}), Result::kFailed);
    EXPECT_EQ(sink.log, kHeader + kTemp + kLogin + kLoggedIn + kDirsFailed);
    EXPECT_EQ(server.Received().back(), "QUIT");
    EXPECT_TRUE(Commands("STOR ").empty());
}

TEST_F(FtpPublishRunTest, ExistingDirectoriesAre550AndFine) {
    EXPECT_EQ(Serve({Fault{"MKD", 1, Fault::kReply, "550 images: File exists"},
                     Fault{"MKD", 2, Fault::kReply, "550 files: File exists"}}),
              Result::kSuccess)
        << sink.log;
}

// A refused upload, PORT or directory: the files concerned are listed, the rest go
// on, and the server's reason follows the list once.
enum class Refused { kStor, kPort, kConnectBack, kDirectory };

class FtpPublishRunRefusals : public FtpPublishRunTest,
                              public ::testing::WithParamInterface<Refused> {};

TEST_P(FtpPublishRunRefusals, ListedWithTheServersReason) {
    std::vector<Fault> faults;
    std::vector<std::string> listed;
    std::string dirs = kDirs;
    std::string reasons = "\nServer: 550 Permission denied.\n";
    switch (GetParam()) {
        case Refused::kStor:
            faults = {Fault{"STOR", 3, Fault::kReply, "553 Could not create."}};
            listed = {program + "/images/blue_btn.jpg"};
            reasons = "\nServer: 553 Could not create.\n";
            break;
        case Refused::kPort:  // PORT 1 fetches the manifest; 2 is the first upload
            faults = {Fault{"PORT", 2, Fault::kReply, "550 Permission denied."}};
            listed = {project.background};
            reasons += FtpPublishRun::kPortRefusedHint;
            break;
        case Refused::kConnectBack:  // the server could not reach the PORT address
            faults = {Fault{"STOR", 1, Fault::kReply, "425 Can't open data connection."}};
            listed = {project.background};
            reasons = "\nServer: 425 Can't open data connection.\n" +
                      std::string(FtpPublishRun::kPortRefusedHint);
            break;
        case Refused::kDirectory:  // MKD 3: the first source directory; CWD 2 looks for it
            faults = {Fault{"MKD", 3, Fault::kReply, "550 Permission denied."},
                      Fault{"CWD", 2, Fault::kReply, "550 No such directory."}};
            listed = {project.report, project.notes, project.deep, project.picture};
            dirs = "\nCreating directory structure..." +
                   std::string(FtpPublishRun::kDirectoriesRefused);
            break;
    }
    EXPECT_EQ(Serve(faults), Result::kFilesNotCopied);
    EXPECT_EQ(project.doc.m_arrPublishFiles, listed);
    std::string list;
    for (const std::string& entry : listed) list += entry + "\n";
    EXPECT_EQ(sink.log, kHeader + kTemp + kLogin + kLoggedIn + dirs + kCopying + kNotCopied + list +
                            reasons + kLoggedOff + kFinished);
    EXPECT_TRUE(errorFlag);
    EXPECT_EQ(server.Received().back(), "QUIT");
    EXPECT_EQ(server.Files().count("images/logo.gif"), 1u);  // the rest went on
    EXPECT_EQ(Commands("MKD ").size(), GetParam() == Refused::kDirectory ? 3u : 11u);
}

INSTANTIATE_TEST_SUITE_P(Replies, FtpPublishRunRefusals,
                         ::testing::Values(Refused::kStor, Refused::kPort, Refused::kConnectBack,
                                           Refused::kDirectory));

// A failed upload keeps the file that was there and leaves no part behind; a server
// that cannot rename gets plain uploads.
TEST_F(FtpPublishRunTest, FailedUploadKeepsTheOldFile) {
    server.PutFile("images/blue_btn.jpg", "OLD");
    EXPECT_EQ(Serve({Fault{"STOR", 3, Fault::kDropData, ""}}), Result::kFilesNotCopied);
    const auto files = server.Files();
    EXPECT_EQ(files.at("images/blue_btn.jpg"), "OLD");
    for (const auto& [name, bytes] : files)
        EXPECT_EQ(name.find(".part-"), std::string::npos) << name;
}

// A manifest that is not wholly ours means a full upload and no removals.
TEST_F(FtpPublishRunTest, ForeignManifestMeansAFullUploadAndNoRemovals) {
    server.PutFile(".foldcraft-manifest", "Foldcraft manifest 1\n6 - theirs.html\nnot ours\n");
    server.PutFile("theirs.html", "THEIRS");
    EXPECT_EQ(Serve(), Result::kSuccess) << sink.log;
    EXPECT_TRUE(Commands("DELE ").empty());
    EXPECT_EQ(sink.log.find("\nSkipped "), std::string::npos);
    EXPECT_EQ(server.Files().at("theirs.html"), "THEIRS");
    EXPECT_EQ(server.Files().at(".foldcraft-manifest").rfind("Foldcraft manifest 1\n", 0), 0u);
}

TEST_F(FtpPublishRunTest, ServerWithoutRenameGetsPlainUploads) {
    EXPECT_EQ(Serve({Fault{"RNFR", 1, Fault::kReply, "502 Command not implemented."}}),
              Result::kSuccess)
        << sink.log;
    EXPECT_EQ(Commands("RNFR ").size(), 1u);
    EXPECT_EQ(server.Files().at("TitlePage.html"), ReadFile(program + "/_temp/TitlePage.html"));
    for (const auto& [name, bytes] : server.Files()) {
        EXPECT_EQ(name.find(".part-"), std::string::npos) << name;
    }
}

TEST_F(FtpPublishRunTest, MissingDocumentIsListedByItsFullPath) {
    fs::remove(project.notes);
    EXPECT_EQ(Serve(), Result::kFilesNotCopied);
    EXPECT_EQ(project.doc.m_arrPublishFiles, std::vector<std::string>{project.notes});
    EXPECT_TRUE(EndsWith(sink.log, kNotCopied + project.notes + "\n" + kLoggedOff + kFinished))
        << sink.log;
}

TEST_F(FtpPublishRunTest, UnsafeSourcePathsAreNeverSent) {
    const std::string withBreak = dir.WriteFile("src/x/bad\r\nDELE index.html", "X");
    const std::string climbing = dir / "src/Docs/../../escape.doc";
    dir.WriteFile("escape.doc", "E");
    foldcraft::test::AddDocument(*project.doc.m_pRoot, "Bad", withBreak);
    foldcraft::test::AddDocument(*project.doc.m_pRoot, "Climb", climbing);
    EXPECT_EQ(Serve(), Result::kFilesNotCopied);
    EXPECT_EQ(project.doc.m_arrPublishFiles, (std::vector<std::string>{withBreak, climbing}));
    for (const std::string& line : server.Received()) {
        EXPECT_EQ(line.find(".."), std::string::npos) << line;
        EXPECT_NE(line, "DELE index.html");
    }
}

TEST_F(FtpPublishRunTest, BackgroundNamedLikeASupportImageKeepsAPlaceOfItsOwn) {
    project.doc.m_strBackgroundImage = dir.WriteFile("src/Pictures/logo.gif", "MY-OWN-LOGO");
    EXPECT_EQ(Serve(), Result::kSuccess);
    EXPECT_EQ(Commands("RNTO images/logo.gif").size(), 1u);
    EXPECT_EQ(server.Files().at("images/logo.gif"), ReadFile(program + "/images/logo.gif"));
    EXPECT_EQ(server.Files().at("images/background-logo.gif"), "MY-OWN-LOGO");
}

TEST_F(FtpPublishRunTest, StalePagesInTheStagingDirectoryAreNotUploaded) {
    const std::string stale = dir.WriteFile("program/_temp/Folder0-7.html", "other project");
    project.doc.m_bCreateTitlePage = 0;
    dir.WriteFile("program/_temp/TitlePage.html", "old title page");
    EXPECT_EQ(Serve(), Result::kSuccess);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_EQ(server.Files().count("Folder0-7.html"), 0u);
    EXPECT_EQ(server.Files().count("TitlePage.html"), 0u);
}

TEST_F(FtpPublishRunTest, StagingDirectoryThatCannotBeMadeEndsBeforeLogin) {
    program = dir / "no/such/program";
    EXPECT_EQ(Run(), Result::kFailed);
    EXPECT_EQ(sink.log, kHeader + "\nCreating temp files...\nCreation of temp directory failed!\n");
    EXPECT_TRUE(server.Received().empty());
}

TEST_F(FtpPublishRunTest, EarlierNotCopiedEntriesAreForgotten) {
    project.doc.m_arrPublishFiles = {"/from/an/earlier/local/run.doc"};
    EXPECT_EQ(Serve(), Result::kSuccess);
    EXPECT_TRUE(project.doc.m_arrPublishFiles.empty());
}

TEST_F(FtpPublishRunTest, PasswordsNeverReachTheLog) {
    settings.nFirewallType = 8;
    settings.strFirewallHost = "127.0.0.1";
    settings.strFirewallUser = "fw";
    settings.strFirewallPassword = "fw-pw-9";
    settings.nFirewallPort = server.Port();
    EXPECT_EQ(Serve(), Result::kSuccess) << sink.log;
    EXPECT_EQ(Commands("PASS "), std::vector<std::string>{"PASS s3cret-pw@fw-pw-9"});
    EXPECT_EQ(sink.log.find("s3cret"), std::string::npos);
    EXPECT_EQ(sink.log.find("fw-pw"), std::string::npos);
}

// ---------------------------------------------------------------------------
// The connection dropped or stalled at each step: the right log line, no hang. A fault
// with no command hits the greeting.

struct FaultCase {
    const char* name;
    Fault fault;
    std::string tail;  // how the log ends
    Result result;
};

class FtpPublishRunFaults : public FtpPublishRunTest,
                            public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FtpPublishRunFaults, EndsWithTheRightLineWithoutHanging) {
    const FaultCase& c = GetParam();
    if (!c.fault.command.empty()) {
        server.Send("220 Ready").Serve({c.fault});
    } else if (c.fault.kind == Fault::kStall) {
        server.Stall();
    } else {
        server.Drop();
    }
    EXPECT_EQ(Run(), c.result);
    EXPECT_TRUE(EndsWith(sink.log, c.tail)) << sink.log;
    EXPECT_TRUE(sink.closeEnabled);
    EXPECT_TRUE(finished);
    if (c.result == Result::kFilesNotCopied) {
        // Every upload after the fault failed at once and is listed.
        EXPECT_FALSE(project.doc.m_arrPublishFiles.empty());
        EXPECT_NE(sink.log.find(kNotCopied), std::string::npos);
    }
}

const std::string kLoginFailedTail = kLogin + kLoginFailed;
const std::string kNoStartDirTail = kLoggedIn + kNoStartDir;
const std::string kNotCopiedTail = kLoggedOff + kFinished;
const Result kFail = Result::kFailed;
const Result kPartial = Result::kFilesNotCopied;

INSTANTIATE_TEST_SUITE_P(
    Steps, FtpPublishRunFaults,
    ::testing::Values(
        FaultCase{"GreetingDropped", {"", 1, Fault::kDrop, ""}, kLoginFailedTail, kFail},
        FaultCase{"GreetingStalled", {"", 1, Fault::kStall, ""}, kLoginFailedTail, kFail},
        FaultCase{"UserDropped", {"USER", 1, Fault::kDrop, ""}, kLoginFailedTail, kFail},
        FaultCase{"PassStalled", {"PASS", 1, Fault::kStall, ""}, kLoginFailedTail, kFail},
        FaultCase{"CwdDropped", {"CWD", 1, Fault::kDrop, ""}, kNoStartDirTail, kFail},
        FaultCase{"CwdStalled", {"CWD", 1, Fault::kStall, ""}, kNoStartDirTail, kFail},
        FaultCase{"MkdDropped", {"MKD", 1, Fault::kDrop, ""}, kDirsFailed, kFail},
        FaultCase{"MkdStalled", {"MKD", 4, Fault::kStall, ""}, kDirsFailed, kFail},
        FaultCase{"TypeStalled", {"TYPE", 2, Fault::kStall, ""}, kNotCopiedTail, kPartial},
        FaultCase{"PortDropped", {"PORT", 1, Fault::kDrop, ""}, kNotCopiedTail, kPartial},
        FaultCase{"PortStalled", {"PORT", 5, Fault::kStall, ""}, kNotCopiedTail, kPartial},
        FaultCase{"StorDropped", {"STOR", 1, Fault::kDrop, ""}, kNotCopiedTail, kPartial},
        FaultCase{"StorStalled", {"STOR", 7, Fault::kStall, ""}, kNotCopiedTail, kPartial},
        FaultCase{"DataDropped", {"STOR", 2, Fault::kDropData, ""}, kNotCopiedTail, kPartial},
        FaultCase{"DataStalled", {"STOR", 2, Fault::kStallData, ""}, kNotCopiedTail, kPartial},
        FaultCase{
            "FinalReplyDropped", {"STOR", 3, Fault::kDropAfterData, ""}, kNotCopiedTail, kPartial},
        FaultCase{"FinalReplyStalled",
                  {"STOR", 3, Fault::kStallAfterData, ""},
                  kNotCopiedTail,
                  kPartial}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST_F(FtpPublishRunTest, DataDroppedMidwayListsOnlyThatFile) {
    EXPECT_EQ(Serve({Fault{"STOR", 2, Fault::kDropData, ""}}), Result::kFilesNotCopied);
    EXPECT_EQ(project.doc.m_arrPublishFiles,
              std::vector<std::string>{program + "/images/black_btn.jpg"});
    EXPECT_EQ(server.Received().back(), "QUIT");
}

}  // namespace
