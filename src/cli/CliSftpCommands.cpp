// sftp-publish: the SFTP publish of a project, with the status log on standard output.

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
#include "publish/SftpPublishRun.h"
#include "publish/SftpSettings.h"
#include "settings/PublishPasswords.h"
#include "settings/QtSettingsStore.h"

namespace foldcraft::cli {
namespace {

struct SftpPublishArgs {
    std::string file;
    std::string settingsFile;
    std::optional<std::string> host;
    std::optional<int> port;
    std::optional<std::string> user;
    std::optional<std::string> passwordEnv;
    std::optional<std::string> passphraseEnv;
    std::optional<std::string> identity;
    std::optional<std::string> startDir;
    std::optional<int> timeout;
    std::optional<int> connections;
    std::optional<std::string> trustFingerprint;
    std::optional<std::string> knownHosts;
    bool noAgent = false;
    bool createStartDir = false;
    bool all = false;
    bool saveSettings = false;
    bool save = false;
    bool quiet = false;
    bool secretOnCommandLine = false;
    SyncArgs sync;
};

bool FromEnvironment(const std::string& variable, std::string& value) {
    const char* text = std::getenv(variable.c_str());
    if (!text) {
        std::cerr << "Error: the environment variable " << variable << " is not set.\n";
        return false;
    }
    value = text;
    return true;
}

// The password and passphrase not given by --password-env and --passphrase-env, from
// the keyring; with no way at all to log on (no key file, agent or password), the
// password asked on the terminal. False (with a message) when it is needed and
// standard input is not a terminal.
bool FindSecrets(const SftpPublishArgs& args, SftpSettings& settings) {
    if (settings.strHostName.empty() || !settings.nPort || settings.strUser.empty()) return true;
    IPasswordStore& keyring = CliKeyring();
    const std::string key = PublishPasswords::SftpKey(settings);
    IPasswordStore::Result password;
    if (!args.passwordEnv) {
        password = keyring.Read(key);
        if (password.Ok()) settings.strPassword = password.secret;
    }
    const std::string passphraseKey = PublishPasswords::PassphraseKey(settings);
    if (!args.passphraseEnv && !passphraseKey.empty()) {
        const IPasswordStore::Result passphrase = keyring.Read(passphraseKey);
        if (passphrase.Ok()) settings.strPassphrase = passphrase.secret;
    }
    const char* agent = std::getenv("SSH_AUTH_SOCK");
    const bool hasAgent = !args.noAgent && agent && *agent;
    if (args.passwordEnv || password.Ok() || !settings.strKeyFile.empty() || hasAgent) return true;
    if (AskSecret("Password for " + key + ": ", settings.strPassword)) return true;
    std::cerr << "Error: no password for " << key << ": "
              << (password.status == IPasswordStore::Status::kNotFound
                      ? "the keyring holds none"
                      : "no keyring service answered")
              << ", there is no key file or agent, and standard input is not a terminal to "
                 "ask on; use --password-env VAR.\n";
    return false;
}

// Keeps the secrets given by --password-env and --passphrase-env in the keyring
// (--save-settings); where no keyring answers they are not kept, and a line says so.
void KeepSecrets(const SftpPublishArgs& args, ISettingsStore& store, const SftpSettings& settings) {
    PublishPasswords passwords(store, CliKeyring());
    PublishPasswords::KeepResult kept;
    if (args.passwordEnv)
        kept = passwords.Keep(PublishPasswords::SftpKey(settings), settings.strPassword, true);
    const std::string passphraseKey = PublishPasswords::PassphraseKey(settings);
    if (kept.error.empty() && args.passphraseEnv && !passphraseKey.empty())
        kept = passwords.Keep(passphraseKey, settings.strPassphrase, true);
    if (!kept.error.empty())
        std::cerr << "Warning: the password was not kept: " << kept.error << "\n";
}

int RunSftpPublish(const SftpPublishArgs& args, const CliContext& ctx) {
    if (args.secretOnCommandLine) {
        std::cerr << "Error: passwords and passphrases are not taken on the command line, "
                     "where other users can read them; use --password-env VAR or "
                     "--passphrase-env VAR.\n";
        return kExitUsage;
    }
    SyncOptions syncOptions;
    if (!ToSyncOptions(args.sync, syncOptions, std::cerr)) return kExitUsage;
    std::string password, passphrase;
    if (args.passwordEnv && !FromEnvironment(*args.passwordEnv, password)) return kExitUsage;
    if (args.passphraseEnv && !FromEnvironment(*args.passphraseEnv, passphrase)) return kExitUsage;

    ServerPublishCommand command(ctx, args.file, args.save);
    QtSettingsStore* store = command.OpenStore(args.settingsFile);
    if (!store) return kExitFailure;
    const auto stored = SftpSettings::Read(*store);
    if (!stored.Ok()) {
        std::cerr << stored.error << "\n";
        return kExitFailure;
    }
    if (!command.OpenProject()) return kExitFailure;
    const auto finish = [&](int code) { return command.Finish(code); };

    SftpSettings settings = stored.value;
    if (args.host) settings.strHostName = *args.host;
    if (args.port) settings.nPort = *args.port;
    if (args.user) settings.strUser = *args.user;
    if (args.startDir) settings.strStartDir = *args.startDir;
    if (args.identity) settings.strKeyFile = *args.identity;
    if (args.timeout) settings.nTimeoutSeconds = *args.timeout;
    if (args.connections) settings.nConnections = *args.connections;
    if (args.all) settings.bChangedOnly = 0;
    if (args.trustFingerprint) settings.strTrustFingerprint = *args.trustFingerprint;
    settings.strPassword = password;
    settings.strPassphrase = passphrase;
    if (!FindSecrets(args, settings)) return finish(kExitFailure);
    const std::string message = settings.Check();
    if (!message.empty()) {
        std::cerr << message << "\n";
        return finish(kExitFailure);
    }
    if (args.saveSettings && !settings.Write(*store)) {
        std::cerr << "Error: the SFTP settings could not be saved in " << store->FileName() << "\n";
        return finish(kExitFailure);
    }
    if (args.saveSettings) KeepSecrets(args, *store, settings);

    StdoutLogSink sink(args.quiet);
    SftpPublishRun run(command.Doc(), sink, command.ProgramFolder(), settings);
    run.SetSyncOptions(syncOptions);
    run.SetCreateStartDirectory(args.createStartDir);
    run.SetUseAgent(!args.noAgent);
    if (args.knownHosts) run.SetUserKnownHosts(*args.knownHosts);
    const PublishResult result = run.RunSftpPublish();
    int code = sink.ExitCodeFor(result);
    if (run.RemovalsHeldBack()) code = std::max(code, static_cast<int>(kExitProblems));
    if (!run.FailureMessage().empty()) std::cerr << run.FailureMessage() << "\n";
    if (run.FailureKind() == SshSession::Failure::kHostKeyUnknown &&
        !run.HostKeyFingerprint().empty()) {
        std::cerr << "If this is the server's key, publish again with --trust-fingerprint "
                  << run.HostKeyFingerprint() << " to accept it (it is then kept in "
                  << run.KnownHostsFile() << ").\n";
    }
    if (run.StartDirectoryMissing())
        std::cerr << "To make it, publish again with --create-start-dir.\n";
    if (syncOptions.dryRun) return code;
    return finish(code);
}

}  // namespace

void RegisterSftpCommands(CLI::App& app, CliContext& ctx) {
    auto args = std::make_shared<SftpPublishArgs>();
    CLI::App* cmd = AddCommand(app, "sftp-publish",
                               "Publish a project to an SFTP (SSH) server, printing the status "
                               "log.");
    cmd->add_option("FILE", args->file, "Project file (.fcd)")->required();
    cmd->add_option("--settings", args->settingsFile,
                    "Settings file (INI) to read and save instead of the user's settings "
                    "(also $FOLDCRAFT_SETTINGS)")
        ->option_text("FILE");
    cmd->add_option("--host", args->host, "Server host name")->option_text("HOST");
    cmd->add_option("--port", args->port, "Server port (default 22)")
        ->option_text("N")
        ->check(CLI::Range(1, 65535));
    cmd->add_option("--user", args->user, "User name")->option_text("USER");
    cmd->add_option("--password-env", args->passwordEnv,
                    "Take the password from the environment variable VAR")
        ->option_text("VAR");
    cmd->add_option("--identity", args->identity, "Private key file to log on with")
        ->option_text("FILE");
    cmd->add_option("--passphrase-env", args->passphraseEnv,
                    "Take the private key's passphrase from the environment variable VAR")
        ->option_text("VAR");
    cmd->add_flag("--no-agent", args->noAgent, "Do not ask the SSH agent ($SSH_AUTH_SOCK)");
    cmd->add_option_function<std::string>(
           "--password,--passphrase",
           [args](const std::string&) { args->secretOnCommandLine = true; })
        ->group("");
    cmd->add_option("--start-dir", args->startDir,
                    "Starting directory on the server (empty: the login directory)")
        ->option_text("DIR");
    cmd->add_option("--timeout", args->timeout,
                    "Seconds a network wait may go without progress (default 60)")
        ->option_text("SECONDS")
        ->check(CLI::Range(1, 86400));
    cmd->add_option("--connections", args->connections,
                    "SFTP sessions that upload at once (1 to 16; default 4)")
        ->option_text("N")
        ->check(CLI::Range(1, SftpSettings::kMaxConnections));
    cmd->add_flag("--create-start-dir", args->createStartDir,
                  "Make the starting directory (and its parents) when it is missing");
    cmd->add_option("--trust-fingerprint", args->trustFingerprint,
                    "Accept the host key with this fingerprint when the host is not known yet "
                    "(it is then kept in known_hosts in the program folder); a changed key is "
                    "never accepted")
        ->option_text("SHA256:...");
    cmd->add_option("--known-hosts", args->knownHosts,
                    "The user's known hosts file to read (default ~/.ssh/known_hosts)")
        ->option_text("FILE");
    cmd->add_flag("--all", args->all,
                  "Upload every file, not only those that changed since the last publish");
    cmd->add_flag("--save-settings", args->saveSettings,
                  "Store the settings; a password or passphrase from --password-env or "
                  "--passphrase-env goes into the keyring");
    cmd->add_flag("--save", args->save, "Save the last-publish time into the project file");
    cmd->add_flag("--quiet", args->quiet, "Do not print the status log");
    AddSyncOptions(*cmd, args->sync);
    cmd->footer(
        "The settings are read from the settings store (section SFTPServer: HostName, Port,\n"
        "User, StartDir, KeyFile, Connections, Timeout, ChangedOnly); the options override\n"
        "them for this run. Log-on: the key file, then the agent, then the password.\n"
        "Without --password-env (--passphrase-env) the password (the key's passphrase)\n"
        "comes from the keyring (\"sftp://USER@HOST:PORT\", \"sftp-key:PATH\"); with no\n"
        "key file, agent or password it is asked for on the terminal, and with no\n"
        "terminal that is an error.\n"
        "Exit status as for ftp-publish: 0 success; 1 files not copied or removals held\n"
        "back; 2 failure (also an unknown host key: the fingerprint and the\n"
        "--trust-fingerprint option that accepts it are printed; or a changed one);\n"
        "64 usage error.");
    cmd->callback([args, &ctx] { ctx.exitCode = RunSftpPublish(*args, ctx); });
}

}  // namespace foldcraft::cli
