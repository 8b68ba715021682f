// publish: the local publish of a project, as the Publish button does it, with
// the status log on standard output.
// check: the broken-link check of a published site.

#include <spawn.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "cli/StdoutLogSink.h"
#include "model/FoldcraftDoc.h"
#include "publish/LocalPublishRun.h"
#include "publish/PublishChecks.h"
#include "publish/SiteLinkChecker.h"
#include "publish/SyncRun.h"

extern char** environ;

namespace foldcraft::cli {
namespace {

bool OnTerminal() {
    return ::isatty(0) && ::isatty(2);
}

// Asks a Yes/No question on the terminal. Yes only for an answer beginning with y.
bool AskYesNo(const std::string& question) {
    std::cerr << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

// Starts xdg-open on the page without waiting for the browser.
bool OpenInBrowser(const std::string& page) {
    std::string program = "xdg-open";
    std::string arg = page;
    char* argv[] = {program.data(), arg.data(), nullptr};
    pid_t pid = 0;
    return ::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) == 0;
}

struct PublishArgs {
    std::string file;
    std::string to;
    bool toGiven = false;
    bool yes = false;
    bool open = false;
    bool quiet = false;
    bool save = false;
    SyncArgs sync;
};

// --to overrides the project's publish path for this run only; a relative
// directory is taken from the current directory, as on any command line.
void ApplyPublishPathOption(const PublishArgs& args, CFoldcraftDoc& doc) {
    if (!args.toGiven) return;
    doc.m_strPublishPath = args.to;
    if (!args.to.empty() && !PublishChecks::IsValidPublishPathForm(args.to)) {
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(args.to, ec);
        if (!ec) doc.m_strPublishPath = absolute.lexically_normal().string();
    }
}

// Checks the publish path and makes a missing directory, after --yes or a Yes on
// the terminal (a dry run makes nothing). False when the publish cannot go on; the
// message is on standard error, except after a No.
bool PreparePublishDirectory(const PublishArgs& args, const CFoldcraftDoc& doc,
                             const std::string& programFolder, bool dryRun) {
    PublishCheckResult check = PublishChecks::CheckPublishPath(doc.m_strPublishPath, programFolder);
    if (check.outcome == PublishCheckResult::Outcome::kAskCreateDirectory && dryRun) {
        check = PublishCheckResult{};  // a dry run makes nothing: everything would be copied
    } else if (check.outcome == PublishCheckResult::Outcome::kAskCreateDirectory) {
        bool create = args.yes;
        if (!create) {
            if (!OnTerminal()) {
                std::cerr << check.message << "\n"
                          << "Error: no terminal to answer; use --yes to create "
                          << doc.m_strPublishPath << "\n";
                return false;
            }
            // No ends the publish without a further message.
            if (!AskYesNo(check.message)) return false;
        }
        check = PublishChecks::CreatePublishDirectory(doc.m_strPublishPath);
    }
    if (!check.Ok()) {
        std::cerr << check.message << "\n";
        return false;
    }
    return true;
}

// Opens the start page after the publish (--open); after errors only with --yes or a
// Yes on the terminal.
void ShowStartPage(const PublishArgs& args, bool errorFound, const std::string& page) {
    bool show = true;
    if (errorFound) {
        const std::string question =
            "During publish an error(s) was found.  Do you want to view the newly created "
            "website anyway?";
        show = args.yes || (OnTerminal() && AskYesNo(question));
    }
    if (show && !OpenInBrowser(page)) {
        std::cerr << "Error: cannot run xdg-open to show " << page << "\n";
    }
}

int RunPublish(const PublishArgs& args, const CliContext& ctx) {
    SyncOptions syncOptions;
    if (!ToSyncOptions(args.sync, syncOptions, std::cerr)) return kExitUsage;
    std::string programFolder;
    if (!PrepareProgramFolder(ctx, programFolder, std::cerr)) return kExitFailure;
    CFoldcraftDoc doc;
    ProjectFileVersion readVersion;
    if (!OpenProject(args.file, doc, std::cerr, readVersion)) return kExitFailure;

    const std::string savedPath = doc.m_strPublishPath;
    ApplyPublishPathOption(args, doc);

    int code = kExitOk;
    bool stamped = false;
    auto finish = [&](int result) -> int {
        // The last-publish stamp is written back only when asked for, and only when
        // the checks made it (as the Publish button marks the project modified), and
        // never over an edit made to the file during the run.
        if (args.save && stamped) {
            doc.m_strPublishPath = savedPath;
            return SavePublishStamp(doc, args.file, readVersion, result, std::cerr);
        }
        return result;
    };

    const PublishCheckResult check = PublishChecks::BeginPublish(doc);
    if (!check.Ok()) {
        std::cerr << check.message << "\n";
        return kExitFailure;
    }
    stamped = true;
    if (!PreparePublishDirectory(args, doc, programFolder, syncOptions.dryRun))
        return finish(kExitFailure);

    StdoutLogSink sink(args.quiet);
    LocalPublishRun run(doc, sink, programFolder);
    run.SetSyncOptions(syncOptions);
    code = sink.ExitCodeFor(run.RunLocalPublish());
    if (run.RemovalsHeldBack()) code = std::max(code, static_cast<int>(kExitProblems));
    if (syncOptions.dryRun) return code;  // nothing published: nothing to stamp or open

    if (args.open) ShowStartPage(args, run.ErrorFlag(), LocalPublishRun::StartPagePath(doc));
    return finish(code);
}

void RegisterPublish(CLI::App& app, CliContext& ctx) {
    auto args = std::make_shared<PublishArgs>();
    CLI::App* cmd = AddCommand(
        app, "publish", "Publish a project into a local directory, printing the status log.");
    cmd->add_option("FILE", args->file, "Project file (.fcd)")->required();
    cmd->add_option("--to", args->to, "Publish into DIR instead of the project's publish path")
        ->option_text("DIR");
    cmd->add_flag("--yes", args->yes,
                  "Answer yes: create a missing directory; open the start page after errors");
    cmd->add_flag("--open", args->open, "Open the start page with xdg-open afterwards");
    cmd->add_flag("--quiet", args->quiet, "Do not print the status log or the progress");
    cmd->add_flag("--save", args->save, "Save the last-publish time into the project file");
    AddSyncOptions(*cmd, args->sync);
    cmd->footer(
        "Exit status: 0 \"Publish successful!\"; 1 \"Publish finished.\" with files not copied;\n"
        "2 a check refused the publish, another publish is writing to the directory, the run\n"
        "failed, or the project cannot be read. Files no longer published are removed last,\n"
        "only when every file was copied and within --max-delete (else exit 1).\n"
        "--save leaves a project file that was changed during the run as it is (exit 1 at least).");
    cmd->callback([args, cmd, &ctx] {
        args->toGiven = cmd->count("--to") > 0;
        ctx.exitCode = RunPublish(*args, ctx);
    });
}

void RegisterCheck(CLI::App& app, CliContext& ctx) {
    auto dir = std::make_shared<std::string>();
    CLI::App* cmd = AddCommand(
        app, "check", "Report every local link of a published site that leads to no file.");
    cmd->add_option("DIR", *dir, "The published site's directory")->required();
    cmd->footer(
        "Each broken link is printed as PAGE: LINK. Exit status: 0 no broken link; 1 broken\n"
        "links found; 2 the directory cannot be read.");
    cmd->callback([dir, &ctx] {
        const SiteLinkChecker::Result result = SiteLinkChecker::CheckSite(*dir);
        if (!result.ok) {
            std::cerr << "Error: " << result.error << "\n";
            ctx.exitCode = kExitFailure;
            return;
        }
        for (const auto& broken : result.broken) {
            std::cout << SyncRun::Printable(broken.page) << ": " << SyncRun::Printable(broken.link)
                      << "\n";
        }
        std::cout << "Checked " << result.pages << (result.pages == 1 ? " page, " : " pages, ")
                  << result.links << (result.links == 1 ? " local link: " : " local links: ");
        if (result.broken.empty()) {
            std::cout << "no broken link.\n";
        } else {
            std::cout << result.broken.size()
                      << (result.broken.size() == 1 ? " broken link.\n" : " broken links.\n");
        }
        std::cout.flush();
        if (!std::cout) {
            std::cerr << "Error: cannot write to standard output\n";
            ctx.exitCode = kExitFailure;
            return;
        }
        ctx.exitCode = result.broken.empty() ? kExitOk : kExitProblems;
    });
}

}  // namespace

void RegisterPublishCommands(CLI::App& app, CliContext& ctx) {
    RegisterPublish(app, ctx);
    RegisterCheck(app, ctx);
}

}  // namespace foldcraft::cli
