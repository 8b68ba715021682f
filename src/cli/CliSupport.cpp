#include "cli/CliSupport.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <ctime>
#include <ostream>

#include "model/FoldcraftDoc.h"
#include "model/ProgramFolder.h"
#include "model/ProjectFile.h"

namespace foldcraft::cli {

using Status = ProjectFileResult::Status;

bool PrepareProgramFolder(const CliContext& ctx, std::string& folder, std::ostream& err) {
    folder = ProgramFolder::Resolve(ctx.programFolderOption);
    std::string error;
    if (!ProgramFolder::Ensure(folder, &error)) {
        err << "Error: " << error << "\n";
        return false;
    }
    return true;
}

void ReportProjectFileError(const std::string& path, const ProjectFileResult& result,
                            std::ostream& err) {
    switch (result.status) {
        case Status::kUnsupportedVersion:
            err << result.message << "\n";
            break;
        case Status::kNotRegularFile:
            err << "Error: not a regular file: " << path << "\n";
            break;
        case Status::kNoMemory:
            err << "Error: not enough memory.\n";
            break;
        default:
            err << "Error: " << path << ": " << result.message << "\n";
            break;
    }
}

namespace {

bool Open(const std::string& path, CFoldcraftDoc& doc, std::ostream& err,
          ProjectFileResult& result) {
    doc.OnNewDocument();
    result = LoadProject(doc, path);
    if (result.Ok()) return true;
    ReportProjectFileError(path, result, err);
    return false;
}

}  // namespace

bool OpenProject(const std::string& path, CFoldcraftDoc& doc, std::ostream& err) {
    ProjectFileResult result;
    return Open(path, doc, err, result);
}

bool OpenProject(const std::string& path, CFoldcraftDoc& doc, std::ostream& err,
                 ProjectFileResult::Status& status) {
    ProjectFileResult result;
    const bool ok = Open(path, doc, err, result);
    status = result.status;
    return ok;
}

bool OpenProject(const std::string& path, CFoldcraftDoc& doc, std::ostream& err,
                 ProjectFileVersion& version) {
    ProjectFileResult result;
    const bool ok = Open(path, doc, err, result);
    version = result.version;
    return ok;
}

bool SaveProjectTo(CFoldcraftDoc& doc, const std::string& path, std::ostream& err) {
    const ProjectFileResult result = SaveProject(doc, path);
    if (result.Ok()) return true;
    ReportProjectFileError(path, result, err);
    return false;
}

int SavePublishStamp(CFoldcraftDoc& doc, const std::string& path, const ProjectFileVersion& version,
                     int result, std::ostream& err) {
    const ProjectFileResult saved = SaveProject(doc, path, &version);
    if (saved.status == Status::kChangedOnDisk) {
        err << "Warning: " << path
            << " was changed during the publish; the last-publish time is not saved in it\n";
        return std::max(result, static_cast<int>(kExitProblems));
    }
    if (saved.Ok()) return result;
    ReportProjectFileError(path, saved, err);
    return kExitFailure;
}

CLI::App* AddCommand(CLI::App& app, const std::string& name, const std::string& description) {
    CLI::App* cmd = app.add_subcommand(name, description);
    cmd->fallthrough();
    return cmd;
}

void AddSyncOptions(CLI::App& cmd, SyncArgs& args) {
    cmd.add_flag("--dry-run", args.dryRun,
                 "Print what the publish would copy, write and remove, and change nothing");
    cmd.add_option("--max-delete", args.maxDelete,
                   "Remove at most N files that are no longer published (default: half of the "
                   "files published before, at least 20); more: none is removed. \"all\": no "
                   "limit")
        ->option_text("N|all");
}

bool ToSyncOptions(const SyncArgs& args, SyncOptions& options, std::ostream& err) {
    options.dryRun = args.dryRun;
    if (args.maxDelete.empty()) return true;
    if (args.maxDelete == "all") {
        options.maxDelete = SIZE_MAX;
        return true;
    }
    std::size_t limit = 0;
    const char* begin = args.maxDelete.data();
    const char* end = begin + args.maxDelete.size();
    const auto [ptr, ec] = std::from_chars(begin, end, limit);
    if (ec != std::errc() || ptr != end || args.maxDelete[0] == '+') {
        err << "Error: --max-delete takes a number of files or \"all\", not \"" << args.maxDelete
            << "\"\n";
        return false;
    }
    options.maxDelete = limit;
    return true;
}

std::optional<Time> ParseNow(const std::string& text) {
    if (const std::optional<Time> seconds = Clock::ParseSeconds(text.c_str())) return seconds;
    for (const char* format : {"%Y-%m-%d", "%Y-%m-%dT%H:%M:%S", "%Y-%m-%dT%H:%M"}) {
        std::tm tm{};
        const char* end = ::strptime(text.c_str(), format, &tm);
        if (end == nullptr || *end != '\0') continue;
        const Time t = static_cast<Time>(::timegm(&tm));
        if (t < 0 || t > Clock::kLatest) return std::nullopt;
        return t;
    }
    return std::nullopt;
}

}  // namespace foldcraft::cli
