#include "CliRunner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/Patience.h"
#include "support/TempDir.h"

extern char** environ;

namespace foldcraft::test {

CliRun RunCli(const std::vector<std::string>& args, const std::string& stdinText,
              const std::vector<std::string>& extraEnv, unsigned long long addressSpace) {
    TempDir scratch;
    const std::string inPath = scratch.WriteFile("stdin", stdinText);
    const std::string outPath = scratch / "stdout";
    const std::string errPath = scratch / "stderr";
    std::vector<std::string> argStrings = {"/usr/bin/env", "FOLDCRAFT_HOME=" + (scratch / "home"),
                                           "SOURCE_DATE_EPOCH=" + std::to_string(kCliNow)};
    argStrings.insert(argStrings.end(), extraEnv.begin(), extraEnv.end());
    // A run that hangs (say, on a named pipe) is killed.
    argStrings.insert(argStrings.end(),
                      {"/usr/bin/timeout", "-s", "KILL", std::to_string(kPatience.count())});
    if (addressSpace != 0)
        argStrings.insert(argStrings.end(),
                          {"/usr/bin/prlimit", "--as=" + std::to_string(addressSpace), "--"});
    argStrings.push_back(FOLDCRAFT_CLI_PATH);
    // --now decides what is current; SOURCE_DATE_EPOCH (above) only the dates written.
    if (!args.empty() && args[0] != "--help") {
        argStrings.push_back("--now");
        argStrings.push_back(std::to_string(kCliNow));
    }
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);
    pid_t pid = 0;
    int status = 0;
    CliRun run;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
        waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    posix_spawn_file_actions_destroy(&actions);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
}

std::string Fixture(const std::string& name) {
    return ReadFile(std::string(FOLDCRAFT_TESTS_DIR) + "/cli/fixtures/" + name);
}

namespace {

std::string WithDir(std::string text, const std::string& dir) {
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + dir.size()))
        text.replace(at, 1, dir);
    return text;
}

}  // namespace

void ExpectRuns(const std::vector<CliCase>& cases, const std::string& dir) {
    for (const CliCase& c : cases) {
        std::vector<std::string> args;
        for (const std::string& arg : c.args) args.push_back(WithDir(arg, dir));
        SCOPED_TRACE(::testing::PrintToString(args));
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
        EXPECT_NE(run.err.find(WithDir(c.err, dir)), std::string::npos) << run.err;
        EXPECT_NE(run.out.find(WithDir(c.out, dir)), std::string::npos) << run.out;
    }
}

FakeOpener::FakeOpener(const TempDir& dir, int exitCode) : m_dir(dir / "opener") {
    dir.WriteFile("opener/bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + m_dir +
                                             "/part' && mv '" + m_dir + "/part' '" + m_dir +
                                             "/opened'\nexit " + std::to_string(exitCode) + "\n");
    chmod((m_dir + "/bin/xdg-open").c_str(), 0755);
}

std::string FakeOpener::Env() const {
    const char* path = std::getenv("PATH");
    return "PATH=" + m_dir + "/bin:" + (path ? path : "/usr/bin:/bin");
}

std::string FakeOpener::Opened() const {
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (!FileExists(m_dir + "/opened") && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ReadFile(m_dir + "/opened");
}

}  // namespace foldcraft::test
