#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "cli/CliCommands.h"
#include "model/Clock.h"
#include "model/ProjectFile.h"
#include "publish/SyncRun.h"

class CFoldcraftDoc;

namespace foldcraft::cli {

// The program folder for this run: --program-folder, else $FOLDCRAFT_HOME, else the
// per-user default. Created when missing; false (with a message on err) when it
// cannot be.
bool PrepareProgramFolder(const CliContext& ctx, std::string& folder, std::ostream& err);

// Opens a project file for a command. On failure writes "Error: <reason>" to err and
// returns false; the unsupported-format message is written as it stands.
bool OpenProject(const std::string& path, CFoldcraftDoc& doc, std::ostream& err);
// The same, also telling why it failed (kOk on success), for commands that treat an
// unsupported format differently from a damaged file.
bool OpenProject(const std::string& path, CFoldcraftDoc& doc, std::ostream& err,
                 ProjectFileResult::Status& status);
// The same, also giving the version of the file read (for SavePublishStamp).
bool OpenProject(const std::string& path, CFoldcraftDoc& doc, std::ostream& err,
                 ProjectFileVersion& version);

// Saves a project in place (write-then-rename). Same error reporting as OpenProject.
bool SaveProjectTo(CFoldcraftDoc& doc, const std::string& path, std::ostream& err);

// Writes a publish run's stamp back into the project file, only if the file is still
// the version that was read; a file changed meanwhile (an edit made during the run)
// is left alone, with a warning on err. Returns the run's exit status: result, at
// least kExitProblems when the file had changed, kExitFailure when the save failed.
int SavePublishStamp(CFoldcraftDoc& doc, const std::string& path, const ProjectFileVersion& version,
                     int result, std::ostream& err);

// "Error: ..." for a failed read or write of the project file at path.
void ReportProjectFileError(const std::string& path, const ProjectFileResult& result,
                            std::ostream& err);

// The options that a publish command shares: --dry-run and --max-delete.
struct SyncArgs {
    bool dryRun = false;
    std::string maxDelete;  // empty: the default limit
};
// Adds them to the command.
void AddSyncOptions(CLI::App& cmd, SyncArgs& args);
// What they mean for the run; false (with a message on err) for a --max-delete that
// is neither a number nor "all".
bool ToSyncOptions(const SyncArgs& args, SyncOptions& options, std::ostream& err);

// Reads --now TIME (seconds since 1970, or a UTC date YYYY-MM-DD or date and time
// YYYY-MM-DDTHH:MM:SS); nullopt for anything else or a time beyond 2038.
std::optional<foldcraft::Time> ParseNow(const std::string& text);

}  // namespace foldcraft::cli
