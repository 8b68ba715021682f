#pragma once

#include <string>
#include <vector>

namespace foldcraft::test {

// What one run of the command-line tool gave.
struct CliRun {
    int exitCode = -1;  // -1 when the tool could not be started or did not exit normally
    std::string out;    // standard output
    std::string err;    // standard error
};

// Runs the built foldcraft-cli (FOLDCRAFT_CLI_PATH) with args, feeding stdinText on
// standard input, with FOLDCRAFT_HOME pointing at a private program folder.
// Waits at most timeoutSeconds; a run that takes longer is killed (exitCode -1).
CliRun RunCli(const std::vector<std::string>& args, const std::string& stdinText = {},
              int timeoutSeconds = 60);

}  // namespace foldcraft::test
