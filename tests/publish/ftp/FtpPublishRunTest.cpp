// The FTP publish run against a real FTP server (pyftpdlib on 127.0.0.1), through a
// scripted proxy that records the commands and breaks the session where a test asks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "generator/SitePaths.h"
#include "publish/EventLogSink.h"
#include "publish/FtpPublishRun.h"
#include "publish/LocalPublishRun.h"
#include "publish/ftp/FtpTestProject.h"
#include "support/FtpTestServer.h"
#include "support/Patience.h"
#include "support/RecordingLogSink.h"
#include "support/ScriptedFtpServer.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::FtpPublishRun;
using foldcraft::FtpSettings;
using foldcraft::ScopedClockPin;
namespace SitePaths = foldcraft::SitePaths;
using foldcraft::test::EventLogSink;
using foldcraft::test::FtpTestProject;
using foldcraft::test::FtpTestServer;
using foldcraft::test::kPublishNow;
using foldcraft::test::ReadFile;
using foldcraft::test::ReadTree;
using foldcraft::test::ScriptedFtpServer;
using foldcraft::test::TempDir;
using Fault = ScriptedFtpServer::Fault;
using Result = FtpPublishRun::Result;
using namespace std::chrono_literals;

namespace {

const std::string kLogin = "\nLogging into FTP server...";
const std::string kLoggedIn = "\nSuccessfully logged into server.\n";
const std::string kDirs =
    "\nCreating directory structure...\nSuccessfully created directory structure.\n";
const std::string kCopying = "\nCopying files to server...";
const std::string kNotCopied = "\nThe following files were not copied to the server:\n";
const std::string kUnwritable = " (its name cannot be written on the site)\n";
const std::string kLoggedOff = "\nLogged off of FTP server.\n";
const std::string kSuccess = "\n--------------------\nPublish successful!\n";
const std::string kFinished =
    "\n--------------------\nPublish finished.\nSome files were not copied.\n";
const std::string kLoginFailed = kLogin + "\nServer login failed!\n";
const std::string kNoStartDir = kLoggedIn + "\nStarting directory not found!\n";
const std::string kDirsFailed =
    "\nCreating directory structure...\nCreation of directory structure failed!\n";
const std::string kPartial = kLoggedOff + kFinished;

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The lines that begin with word.
std::vector<std::string> Starting(const std::vector<std::string>& lines, const std::string& word) {
    std::vector<std::string> found;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(found),
                 [&](const std::string& line) { return line.rfind(word, 0) == 0; });
    return found;
}

class FtpPublish : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (!FtpTestServer::Available()) GTEST_SKIP() << "/usr/bin/python3 has no pyftpdlib";
        fs::create_directories(program);
        fs::create_directories(www);
        server = std::make_unique<FtpTestServer>(dir / "ftproot", "alice", "pw-1234", serverArgs);
        ASSERT_TRUE(server->Started()) << server->Error();
        settings.strHostName = "127.0.0.1";
        settings.strUser = "alice";
        settings.strPassword = "pw-1234";
        settings.strStartDir = "www";
        settings.bPassive = GetParam() ? 1 : 0;
        // One connection, so that the transcripts read in order; the proxy serves one.
        settings.nConnections = 1;
        // Left by an earlier run: forgotten when a run starts.
        project->doc.m_arrPublishFiles = {"/from/an/earlier/run.doc"};
    }

    // One run through a proxy with these faults (or, with tls, to the server itself).
    Result Run(std::vector<Fault> faults = {}, bool tls = false) {
        ScriptedFtpServer proxy;
        proxy.ProxyAll(server->Port(), std::move(faults));
        if (!tls) proxy.Start();
        settings.nPort = tls ? server->Port() : proxy.Port();
        events = {};
        FtpPublishRun run(project->doc, events, program, settings, events.Pauses());
        run.SetTimeout(timeout);
        run.SetStopHook(stop);
        run.SetSyncOptions(syncOptions);
        run.SetRetryWaits({});
        const Result result = run.RunFtpPublish();
        errorFlag = run.ErrorFlag();
        detail = run.FailureDetail();
        log = events.Shown();
        if (!tls) {
            // A run that never reached the login leaves the proxy waiting for a client.
            const bool connected = log.find(kLogin) != std::string::npos;
            EXPECT_EQ(proxy.Finish(connected ? foldcraft::test::kPatience : 100ms), connected);
            for (const std::string& error : proxy.Errors()) ADD_FAILURE() << error;
        }
        sent = proxy.Received();
        return result;
    }

    std::vector<std::string> Sent(const std::string& word) const { return Starting(sent, word); }
    std::string Remote(const std::string& source) const {
        return "files/" + SitePaths::RelativeSitePath(source);
    }
    // The server's tree equals a local publish of the project, manifests aside.
    void ExpectSameAsLocalPublish() {
        foldcraft::test::ExpectSameAsLocalPublish(*project, program, dir / "local-site", www);
    }

    ScopedClockPin pin{kPublishNow};
    TempDir dir;
    std::optional<FtpTestProject> project{std::in_place, dir};
    std::string program = dir / "program";
    std::string www = dir / "ftproot/www";
    std::vector<std::string> serverArgs;
    std::unique_ptr<FtpTestServer> server;
    FtpSettings settings;
    std::chrono::milliseconds timeout = foldcraft::test::kPatience;
    FtpPublishRun::StopHook stop;
    foldcraft::SyncOptions syncOptions;
    EventLogSink events;
    std::string log;
    bool errorFlag = false;
    std::string detail;
    std::vector<std::string> sent;
};

// What the user sees step by step, what goes to the server in which order, and what
// arrives there (fixtures/whole_run.txt: the window's events, one a line, then the
// commands).
TEST_P(FtpPublish, WholeRun) {
    ASSERT_EQ(Run(), Result::kSuccess) << log;
    EXPECT_FALSE(errorFlag);
    EXPECT_TRUE(project->doc.m_arrPublishFiles.empty());
    const std::string shown = events.Transcript();
    // The commands, with the source directory as {src} and PORT or PASV as {data}: the
    // directories once each, parents first; uploads under a temporary name, then renamed:
    // background, support images, pages in name order and styles.css last, documents and
    // the hotspot picture (never links or inactive items), the manifest last.
    const std::string src = SitePaths::RelativeSitePath(project->src);
    std::string transcript;
    for (std::string line : sent) {
        if (line.rfind("PORT ", 0) == 0 || line == "PASV") line = "{data}";
        for (const std::string word : {"MKD ", "NLST "}) {
            const std::string prefix = word + "files/";
            if (line.rfind(prefix, 0) == 0 && src.rfind(line.substr(prefix.size()) + "/", 0) == 0) {
                line = word + "{each parent of src}";
                if (transcript.find(line + "\n") != std::string::npos) line.clear();
            }
        }
        if (line.empty()) continue;
        // The run's own temporary names: ".part-" + a random run id + "-" + a counter.
        if (const std::size_t part = line.find(".part-"); part != std::string::npos)
            line.replace(part + 6, 8, "{run}");
        for (std::size_t at; (at = line.find(src)) != std::string::npos;)
            line.replace(at, src.size(), "{src}");
        transcript += line + "\n";
    }
    const std::string fixture =
        std::string(FOLDCRAFT_TESTS_DIR) + "/publish/ftp/fixtures/whole_run.txt";
    if (std::getenv("FOLDCRAFT_WRITE_FIXTURES")) std::ofstream(fixture) << shown << transcript;
    EXPECT_EQ(shown + transcript, ReadFile(fixture));
    ExpectSameAsLocalPublish();
}

// Each way a run can go wrong, against the real server or a broken session: how the
// log ends, what is listed as not copied, and nothing lost on the server.
TEST_P(FtpPublish, Outcomes) {
    const std::string blue = program + "/images/blue_btn.jpg";
    const std::string hint = FtpPublishRun::kPortRefusedHint;
    const std::string docs = project->report + "\n" + project->notes + "\n" + project->deep + "\n" +
                             project->picture + "\n";
    const std::string withBreak = dir / "src/x/bad\r\nDELE index.html";
    const std::string climbing = dir / "src/Docs/../../escape.doc";
    const std::string stopped = FtpPublishRun::kStoppedLine;
    struct Case {
        const char* name;
        std::vector<Fault> faults;
        Result result;
        std::string tail;  // how the log ends
        std::function<void()> before = [] {};
        std::function<void()> after = [] {};
    };
    const Result kFail = Result::kFailed;
    const Result kSome = Result::kFilesNotCopied;
    const std::vector<Case> cases = {
        {"wrong password",
         {},
         kFail,
         kLoginFailed,
         [&] { settings.strPassword = "wrong-pw"; },
         [&] {
             EXPECT_TRUE(Sent("QUIT").empty());
             EXPECT_EQ(detail, "530 Authentication failed.");
         }},
        {"password echoed",
         {{"CWD", 1, Fault::kReply, "550 www: No such directory (user pw-1234)."}},
         kFail,
         kNoStartDir,
         [] {},
         [&] { EXPECT_EQ(detail, "550 www: No such directory (user ********)."); }},
        {"TLS not offered",
         {},
         kFail,
         kLogin + "\nServer does not support encrypted connections.\n",
         [&] { settings.nSecurity = FtpSettings::kSecurityTls; },
         [&] { EXPECT_EQ(sent, std::vector<std::string>{"AUTH TLS"}); }},
        {"stopped",
         {},
         kFail,
         kLoggedIn + kDirs + kCopying + stopped,
         [&] {
             stop = [this, asked = 0]() mutable {
                 const auto& shown = events.events;
                 return std::find(shown.begin(), shown.end(), "show:" + kDirs) != shown.end() &&
                        ++asked > 3;
             };
         },
         [&] {
             EXPECT_EQ(sent.back(), "QUIT");
             EXPECT_EQ(Sent("STOR ").size(), 5u);  // the lock, 3 files and the manifest
         }},
        {"no renaming on the server, stopped: the files still to come are marked",
         {{"RNFR", 1, Fault::kReply, "550 Permission denied.", false, {}, true}},
         kFail,
         stopped,
         [&] { stop = [asked = 0]() mutable { return ++asked > 3; }; },
         [&] {
             EXPECT_NE(log.find("\nThe server refused to rename an uploaded file (550 Permission "
                                "denied.); files are uploaded in place from now on.\n"),
                       std::string::npos);
             const std::string manifest = ReadFile(www + "/.foldcraft-manifest");
             EXPECT_NE(manifest.find("\nf "), std::string::npos) << manifest;  // sent
             EXPECT_NE(manifest.find("\np "), std::string::npos) << manifest;  // not yet
         }},
        {"names beginning with a dot refused",
         {{"STOR .", 1, Fault::kReply, "550 Prohibited file name.", false, {}, true},
          {"RETR .", 1, Fault::kReply, "550 Prohibited file name.", false, {}, true}},
         Result::kSuccess,
         kLoggedOff + kSuccess,
         [] {},
         [&] {
             EXPECT_NE(log.find("\nThe server refused a name beginning with a dot (550 "
                                "Prohibited file name.); names without one are used from now "
                                "on.\n"),
                       std::string::npos);
             EXPECT_TRUE(fs::exists(www + "/foldcraft-manifest"));
             EXPECT_FALSE(fs::exists(www + "/.foldcraft-manifest"));
         }},
        {"neither names beginning with a dot nor renames",
         {{"STOR .", 1, Fault::kReply, "550 Prohibited file name.", false, {}, true},
          {"RETR .", 1, Fault::kReply, "550 Prohibited file name.", false, {}, true},
          {"RNFR", 1, Fault::kReply, "502 Not implemented.", false, {}, true}},
         Result::kSuccess,
         kLoggedOff + kSuccess,
         [] {},
         [&] {
             EXPECT_TRUE(fs::exists(www + "/foldcraft-manifest"));
             EXPECT_FALSE(fs::exists(www + "/foldcraft-lock"));  // released
         }},
        {"empty starting directory, no renaming on the server",
         {{"RNFR", 1, Fault::kReply, "502 Not implemented."}},
         Result::kSuccess,
         kLoggedOff + kSuccess,
         [&] {
             settings.strStartDir.clear();
             www = dir / "ftproot";
         },
         [&] {
             EXPECT_TRUE(Sent("CWD").empty());
             EXPECT_EQ(Sent("RNFR ").size(), 1u);
         }},
        {"a missing document, unsafe source paths",
         {},
         kSome,
         // A line break in a name is shown, not obeyed, in the list.
         kNotCopied + dir / "src/x/bad\\x0D\\x0ADELE index.html" + kUnwritable + climbing +
             kUnwritable + project->notes + " (missing)\n" + kPartial,
         [&] {
             fs::remove(project->notes);
             dir.WriteFile("src/x/bad\r\nDELE index.html", "X");
             dir.WriteFile("escape.doc", "E");
             foldcraft::test::AddDocument(*project->doc.m_pRoot, "Bad", withBreak);
             foldcraft::test::AddDocument(*project->doc.m_pRoot, "Climb", climbing);
             project->doc.m_bCreateTitlePage = 0;
         },
         [&] {
             for (const std::string& line : sent) {
                 EXPECT_EQ(line.find(".."), std::string::npos) << line;
                 EXPECT_NE(line, "DELE index.html");
             }
             EXPECT_FALSE(fs::exists(www + "/TitlePage.html"));
         }},
        {"upload refused",
         {{"STOR images/", 3, Fault::kReply, "553 Could not create."}},
         kSome,
         kNotCopied + blue + "\n\nServer: 553 Could not create.\n" + kPartial},
        {"PORT or PASV refused",
         {{"PORT", 1, Fault::kReply, "550 Permission denied.", false, "STOR images/", true},
          {"PASV", 1, Fault::kReply, "550 Permission denied.", false, "STOR images/", true}},
         kSome,
         "\n\nServer: 550 Permission denied.\n" + (GetParam() ? "" : hint) + kPartial},
        // Transient replies: the file is tried three times, then given up.
        {"server cannot connect back",
         {{"STOR images/", 1, Fault::kReply, "425 Can't open data."},
          {"STOR images/", 2, Fault::kReply, "425 Can't open data."},
          {"STOR images/", 3, Fault::kReply, "425 Can't open data."}},
         kSome,
         kNotCopied + project->background + "\n\nServer: 425 Can't open data.\n" +
             (GetParam() ? "" : hint) + kPartial},
        {"directory refused",
         {{"MKD", 3, Fault::kReply, "550 Permission denied."},
          {"CWD", 2, Fault::kReply, "550 No such directory."}},
         kSome,
         "\nCreating directory structure..." + std::string(FtpPublishRun::kDirectoriesRefused) +
             kCopying + kNotCopied + docs + "\nServer: 550 Permission denied.\n" + kPartial},
        {"directory failed",
         {{"MKD", 3, Fault::kReply, "553 Not allowed."}},
         kFail,
         kDirsFailed,
         [] {},
         [&] {  // the lock and the manifest only
             EXPECT_TRUE(Sent("STOR images/").empty());
             EXPECT_TRUE(Sent("STOR files/").empty());
         }},
        {"upload broken off: the old file stays, no part is left",
         {{"STOR images/", 3, Fault::kReply, "426 Connection closed; transfer aborted.", true},
          {"STOR images/", 4, Fault::kReply, "426 Connection closed; transfer aborted.", true},
          {"STOR images/", 5, Fault::kReply, "426 Connection closed; transfer aborted.", true}},
         kSome,
         kNotCopied + blue + "\n\nServer: 426 Connection closed; transfer aborted.\n" + kPartial,
         [&] { dir.WriteFile("ftproot/www/images/blue_btn.jpg", "OLD"); },
         [&] { EXPECT_EQ(ReadFile(www + "/images/blue_btn.jpg"), "OLD"); }},
        {"greeting dropped", {{"", 1, Fault::kDrop}}, kFail, kLoginFailed},
        {"CWD dropped", {{"CWD", 1, Fault::kDrop}}, kFail, kNoStartDir},
        // A lost connection is opened again and the file sent again.
        {"STOR stalled",
         {{.command = "STOR images/", .occurrence = 2, .kind = Fault::kStall, .connection = 1}},
         Result::kSuccess,
         kLoggedOff + kSuccess},
        {"connection dropped in the middle of an upload",
         {{.command = "STOR images/", .kind = Fault::kDrop, .connection = 1, .preliminary = true}},
         Result::kSuccess,
         kLoggedOff + kSuccess,
         [] {},
         [&] {
             EXPECT_NE(log.find("\nReconnected to the server (1 of 10).\n"), std::string::npos);
             ExpectSameAsLocalPublish();
         }},
        {"final reply stalled",
         {{"STOR images/", 3, Fault::kStall, "", true, {}, false, 1}},
         Result::kSuccess,
         kLoggedOff + kSuccess},
        {"every reconnect refused",
         {{.command = "STOR images/", .kind = Fault::kDrop, .connection = 1, .preliminary = true},
          {.command = "",
           .kind = Fault::kRefuse,
           .reply = "421 Too many connections.",
           .connection = 2,
           .laterToo = true}},
         kSome,
         kPartial,
         [] {},
         [&] {
             EXPECT_NE(log.find(kNotCopied + project->background + " ("), std::string::npos);
             EXPECT_NE(log.find("Reconnecting to the server failed (421 Too many connections.)"),
                       std::string::npos);
         }},
        {"a third connection refused",
         {{.command = "",
           .kind = Fault::kRefuse,
           .reply = "421 Too many connections (2) from this IP",
           .connection = 3}},
         Result::kSuccess,
         kLoggedOff + kSuccess,
         [&] { settings.nConnections = 3; },
         [&] {
             EXPECT_NE(log.find("\nThe server took 2 of 3 connections (421 Too many connections "
                                "(2) from this IP); the files went over 2.\n"),
                       std::string::npos);
             ExpectSameAsLocalPublish();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(www);
        fs::create_directories(www);
        project.emplace(dir);
        project->doc.m_arrPublishFiles = {"/from/an/earlier/run.doc"};
        const FtpSettings saved = settings;
        c.before();
        const auto breaks = [&](Fault::Kind kind) {
            return std::any_of(c.faults.begin(), c.faults.end(),
                               [&](const Fault& f) { return f.kind == kind; });
        };
        timeout =
            breaks(Fault::kStall) ? foldcraft::test::kStallTimeout : foldcraft::test::kPatience;
        EXPECT_EQ(Run(c.faults), c.result);
        EXPECT_TRUE(EndsWith(log, c.tail)) << log;
        EXPECT_EQ(events.events.back(), "close:on");
        EXPECT_EQ(errorFlag, c.result != Result::kSuccess);
        EXPECT_EQ(log.find("pw-1234"), std::string::npos);
        EXPECT_EQ(project->doc.m_arrPublishFiles.empty(), c.result != kSome);
        if (!breaks(Fault::kStall) && !breaks(Fault::kDrop)) {
            if (c.result == kSome) {
                EXPECT_EQ(sent.back(), "QUIT");
            }
            for (const auto& [name, bytes] : ReadTree(www))
                EXPECT_EQ(name.find(".part-"), std::string::npos) << name;
        }
        c.after();
        settings = saved;
        stop = {};
        program = dir / "program";
        www = dir / "ftproot/www";
    }
}

// Publishing again sends only what changed. A site then changed in every way a user
// changes one (a document edited, one removed, one purged and one added, a folder
// renamed, a picture folder dropped): the dry run shows the change and sends nothing
// that writes; the publish removes only what it sent before, leaves the server holding
// what a clean local publish holds besides the files of others, and no emptied
// directory. Without "changed only" everything goes again. One mode is enough.
class FtpRepublish : public FtpPublish {};

TEST_P(FtpRepublish, SendsOnlyWhatChangedAndEndsAsACleanPublish) {
    CBuildTreeFolder* many = foldcraft::test::AddSubFolder(*project->doc.m_pRoot, "Many");
    CBuildTreeDoc* last = nullptr;
    for (int i = 0; i < 100; ++i) {
        const std::string name = "src/Many/d" + std::to_string(i) + ".txt";
        last = foldcraft::test::AddDocument(*many, "D" + std::to_string(i),
                                            dir.WriteFile(name, "document " + name));
    }
    project->doc.m_bUseThumbnails = 1;
    CBuildTreeFolder* pictures = foldcraft::test::AddSubFolder(*project->doc.m_pRoot, "Pictures");
    foldcraft::test::AddDocument(*pictures, "Cat", dir.WriteFile("src/Cats/cat.jpg", "JPEG-cat"));
    // Besides the site's files, each run stores its lock and the manifest.
    const auto siteStores = [&] {
        std::vector<std::string> stores;
        for (const std::string& rename : Sent("RNTO ")) {
            if (rename != "RNTO .foldcraft-lock" && rename != "RNTO .foldcraft-manifest")
                stores.push_back(rename.substr(5));
        }
        return stores;
    };
    ASSERT_EQ(Run(), Result::kSuccess) << log;
    ASSERT_TRUE(fs::exists(www + "/cat.jpg.html"));
    std::size_t copies = 0;  // documents and images: the pages are not counted as skipped
    for (const std::string& name : siteStores()) copies += name.find('/') != std::string::npos;
    ASSERT_EQ(Run(), Result::kSuccess) << log;
    // Nothing changed: log on, read the manifest, compare, log off.
    std::vector<std::string> words;
    for (const std::string& line : sent) {
        const std::string word = line.substr(0, line.find(' '));
        if (word != "PASV" && word != "PORT") words.push_back(word);
    }
    EXPECT_EQ(words, (std::vector<std::string>{"USER", "PASS", "FEAT", "OPTS", "CWD", "TYPE",
                                               "RETR", "QUIT"}));
    EXPECT_TRUE(EndsWith(
        log, "\nSkipped " + std::to_string(copies) + " unchanged files.\n" + kLoggedOff + kSuccess))
        << log;

    std::ofstream(project->notes, std::ios::binary | std::ios::trunc) << "notes, edited";
    auto& rootDocs = project->doc.m_pRoot->m_arrDocs;
    rootDocs.erase(rootDocs.begin());  // the report
    foldcraft::test::AddDocument(*project->doc.m_pRoot, "Added",
                                 dir.WriteFile("src/Docs/added.txt", "added"));
    last->m_bPurge = 1;
    last->m_timePurge = kPublishNow - 1;
    auto& folders = project->doc.m_pRoot->m_arrFolders;
    folders.front()->m_strName = "Renamed";
    folders.pop_back();  // the picture folder
    const std::string purged = www + "/" + Remote(last->m_strLink);
    const std::string foreign = dir.WriteFile("ftproot/www/files/theirs.txt", "not ours");

    syncOptions.dryRun = true;
    const auto before = ReadTree(www);
    ASSERT_EQ(Run(), Result::kSuccess) << log;
    for (const char* word : {"STOR", "DELE", "MKD", "RMD", "RNFR"}) {
        EXPECT_TRUE(Sent(word).empty()) << word;
    }
    EXPECT_EQ(ReadTree(www), before);
    for (const std::string& line :
         std::vector<std::string>{"Would copy 2 files:\n", "  " + Remote(project->notes) + "\n",
                                  "Would remove 5 files:\n", "  " + Remote(project->report) + "\n",
                                  "  cat.jpg.html\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << log;
    }

    syncOptions.dryRun = false;
    ASSERT_EQ(Run(), Result::kSuccess) << log;
    EXPECT_NE(log.find("\nRemoved 5 files that are no longer published.\n"), std::string::npos)
        << log;
    EXPECT_FALSE(fs::exists(purged));
    EXPECT_EQ(ReadFile(foreign), "not ours");
    fs::remove(foreign);
    ExpectSameAsLocalPublish();
    // No directory is left that the site does not use.
    for (const auto& entry : fs::recursive_directory_iterator(www)) {
        if (entry.is_directory()) {
            EXPECT_FALSE(fs::is_empty(entry.path())) << entry.path();
        }
    }

    settings.bChangedOnly = 0;  // everything again
    ASSERT_EQ(Run(), Result::kSuccess) << log;
    EXPECT_EQ(siteStores().size(), ReadTree(www).size() - 1);  // all but the manifest
}

INSTANTIATE_TEST_SUITE_P(FtpPublish, FtpRepublish, ::testing::Values(true));
INSTANTIATE_TEST_SUITE_P(FtpPublish, FtpPublish, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Passive" : "Active");
                         });

// Explicit FTPS, with a certificate for "localhost" from a test CA (fixtures, made with
// the openssl command for a hundred years). The client trusts the CA through SSL_CERT_FILE.
class FtpPublishTls : public FtpPublish {
protected:
    void SetUp() override {
        const std::string pki = std::string(FOLDCRAFT_TESTS_DIR) + "/publish/ftp/fixtures/";
        serverArgs = {"--tls-cert", pki + "localhost.pem", "--tls-key", pki + "localhost.key"};
        ::setenv("SSL_CERT_FILE", (pki + "test-ca.pem").c_str(), 1);
        FtpPublish::SetUp();
        settings.strHostName = "localhost";
        settings.nSecurity = FtpSettings::kSecurityTls;
    }
    void TearDown() override { ::unsetenv("SSL_CERT_FILE"); }
    std::vector<std::string> Passwords() const { return Starting(server->Commands(), "PASS"); }
};

// Only a trusted certificate, or a pinned one, gets the user name and password. One for
// another name, or from an unknown CA, is refused and its fingerprint shown.
TEST_P(FtpPublishTls, OnlyATrustedOrPinnedCertificateGetsThePassword) {
    ASSERT_EQ(Run({}, true), Result::kSuccess) << log;
    const std::vector<std::string> commands = server->Commands();
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(commands.begin(), commands.begin() + 3),
              (std::vector<std::string>{"AUTH TLS", "PBSZ 0", "PROT P"}));
    ExpectSameAsLocalPublish();
    std::string fingerprint;
    for (const char* host : {"127.0.0.1", "localhost"}) {
        SCOPED_TRACE(host);
        if (host == std::string("localhost")) ::unsetenv("SSL_CERT_FILE");  // an unknown CA
        settings.strHostName = host;
        EXPECT_EQ(Run({}, true), Result::kFailed);
        const std::string tag = "SHA-256 fingerprint: ";
        const std::size_t at = log.find(tag, log.find("\nServer certificate not trusted ("));
        ASSERT_NE(at, std::string::npos) << log;
        fingerprint = log.substr(at + tag.size(), 95);
        EXPECT_TRUE(EndsWith(log, "\nServer login failed!\n")) << log;
    }
    settings.strTrustFingerprint = fingerprint;
    EXPECT_EQ(Run({}, true), Result::kSuccess) << log;
    EXPECT_EQ(Passwords(), std::vector<std::string>(2, "PASS ****** [tls]"));
}

INSTANTIATE_TEST_SUITE_P(FtpPublishTls, FtpPublishTls, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Passive" : "Active");
                         });

}  // namespace
