#include "cli/CliSupport.h"

#include <CLI/CLI.hpp>
#include <algorithm>
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

}  // namespace foldcraft::cli
