#pragma once

#include <string>

namespace CLI {
class App;
}

namespace foldcraft::cli {

enum ExitCode : int {
    kExitOk = 0,        // success
    kExitProblems = 1,  // done, with problems
    kExitFailure = 2,   // failure or refusal
    kExitUsage = 64,    // usage error
};

// What the options shared by every command resolve to, and the command's result.
struct CliContext {
    std::string programFolderOption;  // --program-folder, empty when not given
    int exitCode = kExitOk;
};

// Each group adds its sub-commands to the application. A sub-command's callback
// sets ctx.exitCode.
void RegisterModelCommands(CLI::App& app, CliContext& ctx);  // new, info, from-json, resave, import
void RegisterGenerateCommands(CLI::App& app, CliContext& ctx);  // generate, preview
void RegisterPublishCommands(CLI::App& app, CliContext& ctx);   // publish, check
void RegisterFtpCommands(CLI::App& app, CliContext& ctx);       // ftp-publish
void RegisterSftpCommands(CLI::App& app, CliContext& ctx);      // sftp-publish
void RegisterS3Commands(CLI::App& app, CliContext& ctx);        // s3-publish

// Adds a sub-command whose own arguments may be followed by the shared options
// (--program-folder). The command belongs to app.
CLI::App* AddCommand(CLI::App& app, const std::string& name, const std::string& description);

}  // namespace foldcraft::cli
