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

// The tool's "now" in every run (2026-01-01 UTC): --now for what is current,
// SOURCE_DATE_EPOCH for the dates written.
inline constexpr long long kCliNow = 1767225600;

// Runs the built tool with a private FOLDCRAFT_HOME and the clock at kCliNow; extraEnv
// ("NAME=value") wins; addressSpace (bytes) limits memory. Killed after a minute.
CliRun RunCli(const std::vector<std::string>& args, const std::string& stdinText = {},
              const std::vector<std::string>& extraEnv = {}, unsigned long long addressSpace = 0);

// The contents of tests/cli/fixtures/name.
std::string Fixture(const std::string& name);

// One command line and what it must give; "@" stands for the test's directory.
struct CliCase {
    std::vector<std::string> args;
    int exitCode;
    std::string err = {};  // must occur in standard error (empty: not checked)
    std::string out = {};  // must occur in standard output (empty: not checked)
};

// Runs every case with "@" replaced by dir, failing the test on each difference.
void ExpectRuns(const std::vector<CliCase>& cases, const std::string& dir);

class TempDir;

// A stand-in for xdg-open under dir: records the address it is given, exits with exitCode.
class FakeOpener {
public:
    FakeOpener(const TempDir& dir, int exitCode);
    // "PATH=<its directory>:<the current PATH>", for RunCli's extraEnv.
    std::string Env() const;
    // The address it was given (waits up to thirty seconds for it).
    std::string Opened() const;

private:
    std::string m_dir;
};

// Under AddressSanitizer, whose shadow memory no address-space limit leaves room for.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

}  // namespace foldcraft::test
