// s3-publish: the publish of a project to a bucket of S3-compatible object storage,
// with the status log on standard output.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/CliCommands.h"
#include "cli/CliPasswords.h"
#include "cli/CliSupport.h"
#include "cli/ServerPublishCommand.h"
#include "cli/StdoutLogSink.h"
#include "publish/S3PublishRun.h"
#include "publish/S3Settings.h"
#include "settings/PublishPasswords.h"

namespace foldcraft::cli {
namespace {

struct S3PublishArgs {
    std::string file;
    std::string settingsFile;
    std::optional<std::string> endpoint;
    std::optional<std::string> region;
    std::optional<std::string> bucket;
    std::optional<std::string> prefix;
    bool pathStyle = false;
    bool hostStyle = false;
    std::optional<std::string> accessKeyEnv;
    std::optional<std::string> secretKeyEnv;
    std::optional<int> timeout;
    std::optional<int> connections;
    bool all = false;
    bool saveSettings = false;
    bool save = false;
    bool quiet = false;
    bool secretOnCommandLine = false;
    SyncArgs sync;
};

constexpr const char* kAccessKeyVariable = "AWS_ACCESS_KEY_ID";
constexpr const char* kSecretKeyVariable = "AWS_SECRET_ACCESS_KEY";

std::string FromEnvironment(const std::string& variable) {
    const char* text = std::getenv(variable.c_str());
    return text ? text : "";
}

// The key in the variable option names, which must be set, else in fallback (empty
// when that is not set).
bool KeyFromEnvironment(const std::optional<std::string>& option, const char* fallback,
                        std::string& key) {
    if (option && !std::getenv(option->c_str())) {
        std::cerr << "Error: the environment variable " << *option << " is not set.\n";
        return false;
    }
    key = FromEnvironment(option.value_or(fallback));
    return true;
}

// The secret key that the environment did not give, from the keyring (under the
// access key of the environment or the settings), else asked on the terminal. False
// (with a message) when it is found nowhere and standard input is not a terminal.
bool FindSecretKey(S3Settings& settings) {
    if (!settings.strSecretKey.empty() || settings.strAccessKey.empty()) return true;
    const std::string key = PublishPasswords::S3Key(settings);
    const IPasswordStore::Result secret = CliKeyring().Read(key);
    if (secret.Ok()) {
        settings.strSecretKey = secret.secret;
        return true;
    }
    if (AskSecret("Secret key for " + key + ": ", settings.strSecretKey)) return true;
    std::cerr << "Error: no secret key for " << key << ": "
              << (secret.status == IPasswordStore::Status::kNotFound
                      ? "the keyring holds none"
                      : "no keyring service answered")
              << ", and standard input is not a terminal to ask on; use --secret-key-env "
                 "VAR.\n";
    return false;
}

void ApplyCommandLine(const S3PublishArgs& args, S3Settings& settings) {
    if (args.endpoint) settings.strEndpoint = *args.endpoint;
    if (args.region) settings.strRegion = *args.region;
    if (args.bucket) settings.strBucket = *args.bucket;
    if (args.prefix) settings.strPrefix = *args.prefix;
    if (args.pathStyle) settings.nPathStyle = 1;
    if (args.hostStyle) settings.nPathStyle = 0;
    if (args.timeout) settings.nTimeoutSeconds = *args.timeout;
    if (args.connections) settings.nConnections = *args.connections;
    if (args.all) settings.bChangedOnly = 0;
}

int RunS3Publish(const S3PublishArgs& args, const CliContext& ctx) {
    if (args.secretOnCommandLine) {
        std::cerr << "Error: keys are not taken on the command line, where other users can "
                     "read them; use --access-key-env VAR and --secret-key-env VAR.\n";
        return kExitUsage;
    }
    SyncOptions syncOptions;
    if (!ToSyncOptions(args.sync, syncOptions, std::cerr)) return kExitUsage;
    std::string accessKey, secretKey;
    if (!KeyFromEnvironment(args.accessKeyEnv, kAccessKeyVariable, accessKey) ||
        !KeyFromEnvironment(args.secretKeyEnv, kSecretKeyVariable, secretKey)) {
        return kExitUsage;
    }
    ServerPublishCommand command(ctx, args.file, args.save);
    QtSettingsStore* store = command.OpenStore(args.settingsFile);
    if (!store) return kExitFailure;
    const auto stored = S3Settings::Read(*store);
    if (!stored.Ok()) {
        std::cerr << stored.error << "\n";
        return kExitFailure;
    }
    if (!command.OpenProject()) return command.Finish(kExitFailure);

    S3Settings settings = stored.value;
    ApplyCommandLine(args, settings);
    if (!accessKey.empty()) settings.strAccessKey = accessKey;
    settings.strSecretKey = secretKey;
    if (settings.Check() == S3Settings::kNoKeys && !FindSecretKey(settings))
        return command.Finish(kExitFailure);
    const std::string message = settings.Check();
    if (!message.empty()) {
        std::cerr << message << "\n";
        return command.Finish(kExitFailure);
    }
    if (args.saveSettings && !settings.Write(*store)) {
        std::cerr << "Error: the S3 settings could not be saved in " << store->FileName() << "\n";
        return command.Finish(kExitFailure);
    }
    if (args.saveSettings && !secretKey.empty()) {
        // Where no keyring answers the secret is not kept, and a line says so.
        PublishPasswords passwords(*store, CliKeyring());
        const PublishPasswords::KeepResult kept =
            passwords.Keep(PublishPasswords::S3Key(settings), settings.strSecretKey, true);
        if (!kept.error.empty())
            std::cerr << "Warning: the secret key was not kept: " << kept.error << "\n";
    }

    StdoutLogSink sink(args.quiet);
    S3PublishRun run(command.Doc(), sink, command.ProgramFolder(), settings);
    run.SetSyncOptions(syncOptions);
    const PublishResult result = run.RunS3Publish();
    int code = sink.ExitCodeFor(result);
    if (run.RemovalsHeldBack()) code = std::max(code, static_cast<int>(kExitProblems));
    if (!run.FailureMessage().empty()) std::cerr << run.FailureMessage() << "\n";
    if (syncOptions.dryRun) return code;  // nothing published: nothing to stamp
    return command.Finish(code);
}

}  // namespace

void RegisterS3Commands(CLI::App& app, CliContext& ctx) {
    auto args = std::make_shared<S3PublishArgs>();
    CLI::App* cmd = AddCommand(app, "s3-publish",
                               "Publish a project to a bucket of S3-compatible object storage, "
                               "printing the status log.");
    cmd->add_option("FILE", args->file, "Project file (.fcd)")->required();
    cmd->add_option("--settings", args->settingsFile,
                    "Settings file (INI) to read and save instead of the user's settings "
                    "(also $FOLDCRAFT_SETTINGS)")
        ->option_text("FILE");
    cmd->add_option("--bucket", args->bucket, "Bucket name")->option_text("NAME");
    cmd->add_option("--endpoint", args->endpoint,
                    "The storage's address (default: AWS's endpoint of the region)")
        ->option_text("URL");
    cmd->add_option("--region", args->region, "Region (default us-east-1)")->option_text("REGION");
    cmd->add_option("--prefix", args->prefix, "The site's folder in the bucket (default: its top)")
        ->option_text("PATH/");
    cmd->add_flag("--path-style", args->pathStyle,
                  "Address the bucket in the path (ENDPOINT/BUCKET/KEY); the default for an "
                  "endpoint other than AWS's given as an IP address or localhost");
    cmd->add_flag("--host-style", args->hostStyle,
                  "Address the bucket in the host name (BUCKET.HOST/KEY)")
        ->excludes("--path-style");
    cmd->add_option("--access-key-env", args->accessKeyEnv,
                    "Take the access key from the environment variable VAR (default "
                    "AWS_ACCESS_KEY_ID, else the one in the settings)")
        ->option_text("VAR");
    cmd->add_option("--secret-key-env", args->secretKeyEnv,
                    "Take the secret key from the environment variable VAR (default "
                    "AWS_SECRET_ACCESS_KEY, else the keyring)")
        ->option_text("VAR");
    cmd->add_option_function<std::string>(
           "--access-key,--secret-key",
           [args](const std::string&) { args->secretOnCommandLine = true; })
        ->group("");
    cmd->add_option("--timeout", args->timeout,
                    "Seconds a network wait may go without progress (default 60)")
        ->option_text("SECONDS")
        ->check(CLI::Range(1, 3600));
    cmd->add_option("--connections", args->connections,
                    "Uploads at once (1 to 16; default 4)")
        ->option_text("N")
        ->check(CLI::Range(1, S3Settings::kMaxConnections));
    cmd->add_flag("--all", args->all,
                  "Upload every file, not only those that changed since the last publish");
    cmd->add_flag("--save-settings", args->saveSettings,
                  "Store the settings (the access key too) and the secret key in the keyring");
    cmd->add_flag("--save", args->save, "Save the last-publish time into the project file");
    cmd->add_flag("--quiet", args->quiet, "Do not print the status log");
    AddSyncOptions(*cmd, args->sync);
    cmd->footer(
        "The settings are read from the settings store (section S3Storage: Endpoint, Region,\n"
        "Bucket, Prefix, PathStyle, AccessKey, Connections, Timeout, ChangedOnly; the secret\n"
        "key in the keyring); the options override them for this run. Exit status as for\n"
        "ftp-publish: 0 success; 1 files not copied or removals held back; 2 failure (wrong\n"
        "keys, no such bucket, storage unreachable, no secret key); 64 usage error.");
    cmd->callback([args, &ctx] { ctx.exitCode = RunS3Publish(*args, ctx); });
}

}  // namespace foldcraft::cli
