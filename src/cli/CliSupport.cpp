#include "cli/CliSupport.h"

#include <ostream>

#include "model/FoldcraftDoc.h"
#include "model/ProgramFolder.h"
#include "model/ProjectFile.h"

namespace foldcraft::cli {

bool PrepareProgramFolder(const CliContext& ctx, std::string& folder, std::ostream& err) {
    folder = ProgramFolder::Resolve(ctx.programFolderOption);
    std::string error;
    if (!ProgramFolder::Ensure(folder, &error)) {
        err << "Error: " << error << "\n";
        return false;
    }
    return true;
}

bool OpenProject(const std::string& path, CFoldcraftDoc& doc, std::ostream& err) {
    ProjectFileResult::Status status;
    return OpenProject(path, doc, err, status);
}

bool OpenProject(const std::string& path, CFoldcraftDoc& doc, std::ostream& err,
                 ProjectFileResult::Status& status) {
    doc.OnNewDocument();
    const ProjectFileResult result = LoadProject(doc, path);
    status = result.status;
    if (result.Ok()) return true;
    if (result.status == ProjectFileResult::Status::kUnsupportedVersion) {
        err << result.message << "\n";
    } else {
        err << "Error: " << path << ": " << result.message << "\n";
    }
    return false;
}

bool SaveProjectTo(CFoldcraftDoc& doc, const std::string& path, std::ostream& err) {
    const ProjectFileResult result = SaveProject(doc, path);
    if (result.Ok()) return true;
    err << "Error: " << path << ": " << result.message << "\n";
    return false;
}

}  // namespace foldcraft::cli
