#include "CliRunner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/TempDir.h"

extern char** environ;

namespace foldcraft::test {

CliRun RunCli(const std::vector<std::string>& args, const std::string& stdinText,
              const std::vector<std::string>& extraEnv, unsigned long long addressSpace,
              int timeoutSeconds) {
    CliRun run;
    TempDir scratch;
    const std::string inPath = scratch.WriteFile("stdin", stdinText);
    const std::string outPath = scratch / "stdout";
    const std::string errPath = scratch / "stderr";
    const std::string home = scratch / "home";

    std::vector<std::string> argStrings;
    if (addressSpace != 0)
        argStrings = {"/usr/bin/prlimit", "--as=" + std::to_string(addressSpace), "--"};
    argStrings.push_back(FOLDCRAFT_CLI_PATH);
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("FOLDCRAFT_HOME=", 0) != 0 && entry.rfind("SOURCE_DATE_EPOCH=", 0) != 0)
            envStrings.push_back(entry);
    }
    envStrings.push_back("FOLDCRAFT_HOME=" + home);
    envStrings.push_back("SOURCE_DATE_EPOCH=" + std::to_string(kCliNow));
    for (const std::string& entry : extraEnv) {
        const std::string name = entry.substr(0, entry.find('=') + 1);
        std::erase_if(envStrings, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
        envStrings.push_back(entry);
    }
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        run.err = "cannot start " + std::string(argv[0]);
        return run;
    }

    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (true) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0) return run;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            run.out = ReadFile(outPath);
            run.err = ReadFile(errPath) + "\n(killed after " + std::to_string(timeoutSeconds) +
                      " seconds)";
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    return run;
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
    for (int i = 0; i < 3000 && !FileExists(m_dir + "/opened"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ReadFile(m_dir + "/opened");
}

}  // namespace foldcraft::test
