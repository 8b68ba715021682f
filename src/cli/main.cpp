#include <CLI/CLI.hpp>
#include <cstdio>
#include <new>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "model/Clock.h"

int main(int argc, char** argv) {
    using namespace foldcraft::cli;
    CLI::App app{"Foldcraft: turns a collection of documents into a small static web site."};
    app.require_subcommand(1);
    CliContext ctx;
    app.add_option("--program-folder", ctx.programFolderOption,
                   "Program folder (default: $FOLDCRAFT_HOME or ~/.local/share/Foldcraft)");
    app.add_option_function<std::string>(
           "--now",
           [](const std::string& text) {
               const std::optional<foldcraft::Time> now = ParseNow(text);
               if (!now)
                   throw CLI::ValidationError(
                       "--now",
                       "expected seconds since 1970 or a date YYYY-MM-DD[THH:MM:SS] "
                       "(UTC) up to 2038, not \"" +
                           text + "\"");
               foldcraft::Clock::Pin(*now);
           },
           "Publish as of TIME (seconds since 1970, or YYYY-MM-DD[THH:MM:SS] UTC): which "
           "items are current, and the time stamped (unless SOURCE_DATE_EPOCH is set)")
        ->option_text("TIME");
    RegisterModelCommands(app, ctx);
    RegisterGenerateCommands(app, ctx);
    RegisterPublishCommands(app, ctx);
    RegisterFtpCommands(app, ctx);
    RegisterSftpCommands(app, ctx);
    RegisterS3Commands(app, ctx);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? kExitOk : kExitUsage;
    } catch (const std::bad_alloc&) {
        // The command's memory is given back as the exception passes. A project file
        // is written beside its place and renamed only when whole: the old one stays.
        std::fputs("Error: not enough memory.\n", stderr);
        return kExitFailure;
    }
    return ctx.exitCode;
}
