// ftp-publish: the FTP publish of a project, as the Publish button of the "Publish to
// FTP server" dialog does it, with the status log on standard output.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
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
#include "publish/FTPLink.h"
#include "publish/FtpPublishRun.h"
#include "publish/FtpSettings.h"
#include "settings/PublishPasswords.h"
#include "settings/QtSettingsStore.h"

namespace foldcraft::cli {
namespace {

struct FtpPublishArgs {
    std::string file;
    std::string settingsFile;
    std::optional<std::string> host;
    std::optional<int> port;
    std::optional<std::string> user;
    std::optional<std::string> passwordEnv;
    std::optional<std::string> startDir;
    std::optional<int> firewallType;
    std::optional<std::string> firewallHost;
    std::optional<int> firewallPort;
    std::optional<std::string> firewallUser;
    std::optional<std::string> firewallPasswordEnv;
    std::optional<int> timeout;
    std::optional<int> connections;
    bool createStartDir = false;
    bool passive = false;
    bool active = false;
    bool all = false;
    bool tls = false;
    std::optional<std::string> trustFingerprint;
    bool saveSettings = false;
    bool save = false;
    bool quiet = false;
    bool passwordOnCommandLine = false;  // --password or --firewall-password given
    SyncArgs sync;
};

// A password from the named environment variable. False (with a message) when the
// variable is not set; an empty value is taken as it is (the checks refuse it).
bool PasswordFromEnvironment(const std::string& variable, std::string& password) {
    const char* value = std::getenv(variable.c_str());
    if (!value) {
        std::cerr << "Error: the environment variable " << variable << " is not set.\n";
        return false;
    }
    password = value;
    return true;
}

// Everything that the command line can get wrong is refused before anything is read
// or written: a password on it, the sync options, an unset password variable. False
// (with a message) for a usage error; the passwords come from their variables.
bool CheckCommandLine(const FtpPublishArgs& args, SyncOptions& syncOptions, std::string& password,
                      std::string& firewallPassword) {
    if (args.passwordOnCommandLine) {
        // Said without the value: a password must not end up in a terminal's or a
        // job's log.
        std::cerr << "Error: passwords are not taken on the command line, where other users "
                     "can read them; use --password-env VAR or the settings store.\n";
        return false;
    }
    if (!ToSyncOptions(args.sync, syncOptions, std::cerr)) return false;
    if (args.passwordEnv && !PasswordFromEnvironment(*args.passwordEnv, password)) return false;
    if (args.firewallPasswordEnv &&
        !PasswordFromEnvironment(*args.firewallPasswordEnv, firewallPassword)) {
        return false;
    }
    return true;
}

// Lays the options given on the command line over the stored settings.
void ApplyCommandLine(const FtpPublishArgs& args, const std::string& password,
                      const std::string& firewallPassword, FtpSettings& settings) {
    if (args.host) settings.strHostName = *args.host;
    if (args.port) settings.nPort = *args.port;
    if (args.user) settings.strUser = *args.user;
    if (args.passwordEnv) settings.strPassword = password;
    if (args.startDir) settings.strStartDir = *args.startDir;
    if (args.firewallType) settings.nFirewallType = *args.firewallType;
    if (args.firewallHost) settings.strFirewallHost = *args.firewallHost;
    if (args.firewallPort) settings.nFirewallPort = *args.firewallPort;
    if (args.firewallUser) settings.strFirewallUser = *args.firewallUser;
    if (args.firewallPasswordEnv) settings.strFirewallPassword = firewallPassword;
    if (args.passive) settings.bPassive = 1;
    if (args.active) settings.bPassive = 0;
    if (args.timeout) settings.nTimeoutSeconds = *args.timeout;
    if (args.connections) settings.nConnections = *args.connections;
    if (args.all) settings.bChangedOnly = 0;
    if (args.tls) settings.nSecurity = FtpSettings::kSecurityTls;
    if (args.trustFingerprint) settings.strTrustFingerprint = *args.trustFingerprint;
}

// The password when no --password-env gave one: the keyring's (or the settings
// file's, moved into the keyring when one answers), else asked on the terminal. False
// (with a message) when none is found and standard input is not a terminal. Nothing
// is looked up before the server, port and user are known (the checks then say which
// is missing).
bool FindPassword(ISettingsStore& store, bool quiet, FtpSettings& settings) {
    if (settings.strHostName.empty() || !settings.nPort || settings.strUser.empty()) return true;
    PublishPasswords passwords(store, CliKeyring());
    const PublishPasswords::Found found = passwords.FtpPassword(settings);
    if (!found.logLine.empty() && !quiet) std::cout << found.logLine << "\n";
    if (found.found) {
        settings.strPassword = found.secret;
        return true;
    }
    const std::string key = PublishPasswords::FtpKey(settings);
    if (AskSecret("Password for " + key + ": ", settings.strPassword)) return true;
    std::cerr << "Error: no password for " << key << ": "
              << (found.keyringAnswered ? "the keyring holds none"
                                        : "no keyring service answered")
              << ", and standard input is not a terminal to ask on; use --password-env VAR.\n";
    return false;
}

// Says on standard error why a run failed, with a hint and the server's reply where
// they help.
void ReportFailure(const FtpPublishRun& run, PublishResult result) {
    if (!run.FailureMessage().empty()) std::cerr << run.FailureMessage() << "\n";
    if (run.FailureKind() == FtpConnector::Failure::kNoStartDirectory)
        std::cerr << "To make it, publish again with --create-start-dir.\n";
    if (result == PublishResult::kFailed && CFTPLink::IsServerReply(run.FailureDetail())) {
        std::cerr << "Server: " << run.FailureDetail() << "\n";
    }
}

int RunFtpPublish(const FtpPublishArgs& args, const CliContext& ctx) {
    SyncOptions syncOptions;
    std::string password, firewallPassword;
    if (!CheckCommandLine(args, syncOptions, password, firewallPassword)) return kExitUsage;

    // The settings store, and every value in it, must read before anything else is
    // done: a value misread could send the password in clear.
    ServerPublishCommand command(ctx, args.file, args.save);
    QtSettingsStore* store = command.OpenStore(args.settingsFile);
    if (!store) return kExitFailure;
    const auto stored = FtpSettings::Read(*store);
    if (!stored.Ok()) {
        std::cerr << stored.error << "\n";
        return kExitFailure;
    }
    if (!command.OpenProject()) return kExitFailure;
    const auto finish = [&](int code) { return command.Finish(code); };

    // The stored settings (the dialog's fields as it opens), then the command line.
    FtpSettings settings = stored.value;
    ApplyCommandLine(args, password, firewallPassword, settings);
    if (!args.passwordEnv && !FindPassword(*store, args.quiet, settings))
        return finish(kExitFailure);

    const std::string message = settings.Check();
    if (!message.empty()) {
        std::cerr << message << "\n";
        return finish(kExitFailure);
    }
    if (args.saveSettings && !settings.Write(*store)) {
        std::cerr << "Error: the FTP settings could not be saved in " << store->FileName() << "\n";
        return finish(kExitFailure);
    }
    if (args.saveSettings && args.passwordEnv) {
        // Asked for on the command line, so kept in the settings file where no
        // keyring answers, as it always was.
        PublishPasswords passwords(*store, CliKeyring());
        const auto kept = passwords.KeepFtpPassword(settings, true, true);
        if (kept.kept == PublishPasswords::Kept::kNowhere) {
            std::cerr << "Error: the password could not be saved: " << kept.error << "\n";
            return finish(kExitFailure);
        }
    }

    StdoutLogSink sink(args.quiet);
    FtpPublishRun run(command.Doc(), sink, command.ProgramFolder(), settings);
    run.SetSyncOptions(syncOptions);
    run.SetCreateStartDirectory(args.createStartDir);
    const PublishResult result = run.RunFtpPublish();
    int code = sink.ExitCodeFor(result);
    if (run.RemovalsHeldBack()) code = std::max(code, static_cast<int>(kExitProblems));
    ReportFailure(run, result);
    if (syncOptions.dryRun) return code;  // nothing published: nothing to stamp
    return finish(code);
}

// The options that say where the server is and who logs on.
void AddServerOptions(CLI::App& cmd, FtpPublishArgs& args) {
    cmd.add_option("--settings", args.settingsFile,
                   "Settings file (INI) to read and save instead of the user's settings "
                   "(also $FOLDCRAFT_SETTINGS)")
        ->option_text("FILE");
    cmd.add_option("--host", args.host, "Server host name")->option_text("HOST");
    cmd.add_option("--port", args.port, "Server port")
        ->option_text("N")
        ->check(CLI::Range(1, 65535));
    cmd.add_option("--user", args.user, "User name")->option_text("USER");
    cmd.add_option("--password-env", args.passwordEnv,
                   "Take the password from the environment variable VAR")
        ->option_text("VAR");
    cmd.add_option("--start-dir", args.startDir,
                   "Starting directory on the server (empty: the login directory)")
        ->option_text("DIR");
}

// The options of the firewall between here and the server.
void AddFirewallOptions(CLI::App& cmd, FtpPublishArgs& args) {
    cmd.add_option("--firewall-type", args.firewallType,
                   "Firewall type: 0 None, 1 SITE hostname, 2 USER after logon, 3 Proxy OPEN, "
                   "4 Transparent, 5 USER with no logon, 6 USER FireID@Remotehost, 7 USER "
                   "RemoteID@remoteHost fire ID, 8 USER remoteID@fireID@remoteHost")
        ->option_text("N")
        ->check(CLI::Range(0, 8));
    cmd.add_option("--firewall-host", args.firewallHost, "Firewall host name")->option_text("HOST");
    cmd.add_option("--firewall-port", args.firewallPort, "Firewall port")
        ->option_text("N")
        ->check(CLI::Range(1, 65535));
    cmd.add_option("--firewall-user", args.firewallUser, "Firewall user name")->option_text("USER");
    cmd.add_option("--firewall-password-env", args.firewallPasswordEnv,
                   "Take the firewall password from the environment variable VAR")
        ->option_text("VAR");
}

// The options of the connections: mode, waits, how many, encryption.
void AddConnectionOptions(CLI::App& cmd, FtpPublishArgs& args) {
    auto* passive =
        cmd.add_flag("--passive", args.passive, "Passive mode (PASV) for the data connections");
    auto* active =
        cmd.add_flag("--active", args.active, "Active mode (PORT) for the data connections");
    passive->excludes(active);
    cmd.add_option("--timeout", args.timeout,
                   "Seconds a network wait may go without progress (default 60)")
        ->option_text("SECONDS")
        ->check(CLI::Range(1, 86400));
    cmd.add_option("--connections", args.connections,
                   "Connections that upload at once (1 to 16; default 4)")
        ->option_text("N")
        ->check(CLI::Range(1, FtpSettings::kMaxConnections));
    cmd.add_flag("--create-start-dir", args.createStartDir,
                 "Make the starting directory (and its parents) when it is missing");
    cmd.add_flag("--tls", args.tls,
                 "Require an encrypted connection (explicit FTPS: AUTH TLS); never falls back "
                 "to plain FTP");
    cmd.add_option("--trust-fingerprint", args.trustFingerprint,
                   "Trust the server certificate with this SHA-256 fingerprint even though it "
                   "does not verify (a self-signed certificate)")
        ->option_text("SHA256");
}

constexpr const char* kFtpPublishFooter =
    "The settings are read from the settings store (section FTPServer: HostName, Port,\n"
    "User, Password, StartDir, Passive, Timeout, ChangedOnly, Security,\n"
    "TrustFingerprint, Connections; section FTPFirewall: "
    "FirewallType,\n"
    "HostName, Port, User, Password); the options override them for this run. Passwords\n"
    "are never taken from the command line. Without --password-env the password comes\n"
    "from the keyring (\"ftp://USER@HOST:PORT\", service Foldcraft), else from the\n"
    "settings file (moved into the keyring when one answers), else it is asked for on\n"
    "the terminal; with no terminal that is an error. --save-settings keeps a\n"
    "--password-env password in the keyring (in the settings file where no keyring\n"
    "answers). A stored value that does not read (Security\n"
    "other than 0 or 1, a port that is not a number, ...) or a settings file that is not\n"
    "a regular file stops the run before anything is sent (exit status 2).\n"
    "Exit status: 0 \"Publish successful!\"; 1 \"Publish finished.\" with files not copied;\n"
    "2 a check refused the publish, another publish is writing to the site, the run\n"
    "failed, or the project cannot be read; 1 also when files no longer published were\n"
    "not removed (a file not copied, or more than --max-delete);\n"
    "64 usage error (also an unset --password-env variable).";

}  // namespace

void RegisterFtpCommands(CLI::App& app, CliContext& ctx) {
    auto args = std::make_shared<FtpPublishArgs>();
    CLI::App* cmd = AddCommand(app, "ftp-publish",
                               "Publish a project to an FTP server, printing the status log.");
    cmd->add_option("FILE", args->file, "Project file (.fcd)")->required();
    AddServerOptions(*cmd, *args);
    AddFirewallOptions(*cmd, *args);
    // Refused in RunFtpPublish; taken here only so that the parser's complaint about
    // an unknown option does not repeat the password.
    cmd->add_option_function<std::string>(
           "--password,--firewall-password",
           [args](const std::string&) { args->passwordOnCommandLine = true; })
        ->group("");
    AddConnectionOptions(*cmd, *args);
    cmd->add_flag("--all", args->all,
                  "Upload every file, not only those that changed since the last publish");
    cmd->add_flag("--save-settings", args->saveSettings,
                  "Store the settings (after the checks pass), as the Publish button does");
    cmd->add_flag("--save", args->save, "Save the last-publish time into the project file");
    cmd->add_flag("--quiet", args->quiet, "Do not print the status log");
    AddSyncOptions(*cmd, args->sync);
    cmd->footer(kFtpPublishFooter);
    cmd->callback([args, &ctx] { ctx.exitCode = RunFtpPublish(*args, ctx); });
}

}  // namespace foldcraft::cli
