// The page commands: generate (a whole site's pages) and preview (one folder's page).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "generator/SiteGenerator.h"
#include "generator/TempFileName.h"
#include "model/Clock.h"
#include "model/FoldcraftDoc.h"
#include "publish/UniqueFd.h"

extern char** environ;

namespace foldcraft::cli {
namespace {

// Prints the outcome of one writer; returns whether it succeeded.
bool Report(bool ok, const char* what) {
    if (ok) {
        std::cout << "Successfully created " << what << ".\n";
    } else {
        std::cerr << "Creation of " << what << " failed!\n";
    }
    return ok;
}

// The folder with the given identifier ("0", "0-1", "0-1-2"...), or null.
const CBuildTreeFolder* FindFolder(const CFoldcraftDoc& doc, const std::string& id) {
    if (!doc.m_pRoot || id.empty() || id[0] != '0') return nullptr;
    const CBuildTreeFolder* folder = doc.m_pRoot.get();
    size_t pos = 1;
    while (pos < id.size()) {
        if (id[pos] != '-' || pos + 1 >= id.size()) return nullptr;
        size_t end = pos + 1;
        size_t index = 0;
        while (end < id.size() && id[end] >= '0' && id[end] <= '9') {
            if (index > folder->m_arrFolders.size()) return nullptr;  // far out of range
            index = index * 10 + static_cast<size_t>(id[end] - '0');
            ++end;
        }
        // Digits only, without leading zeros, as the page names write them.
        if (end == pos + 1 || (id[pos + 1] == '0' && end > pos + 2)) return nullptr;
        if (index >= folder->m_arrFolders.size()) return nullptr;
        folder = folder->m_arrFolders[index].get();
        pos = end;
    }
    return folder;
}

// Runs xdg-open on a file and waits for it. False with a message on err.
bool OpenInBrowser(const std::string& path, std::ostream& err) {
    char program[] = "xdg-open";
    std::string arg = path;
    char* argv[] = {program, arg.data(), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, program, nullptr, nullptr, argv, environ);
    if (rc != 0) {
        err << "Error: cannot run xdg-open: " << std::strerror(rc) << "\n";
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            err << "Error: xdg-open: " << std::strerror(errno) << "\n";
            return false;
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        err << "Error: xdg-open could not open " << path << "\n";
        return false;
    }
    return true;
}

void RegisterGenerate(CLI::App& app, CliContext& ctx) {
    struct Args {
        std::string file;
        std::string dir;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = AddCommand(
        app, "generate", "Write the stylesheet, title page, sitemap and folder pages into DIR");
    cmd->add_option("FILE", args->file, "Project file to read (.fcd)")->required();
    cmd->add_option("DIR", args->dir, "Directory to write the pages into (created when missing)")
        ->required();
    cmd->callback([args, &ctx] {
        CFoldcraftDoc doc;
        if (!OpenProject(args->file, doc, std::cerr)) {
            ctx.exitCode = kExitFailure;
            return;
        }
        std::error_code ec;
        std::filesystem::create_directories(args->dir, ec);
        if (ec || !std::filesystem::is_directory(args->dir)) {
            std::cerr << "Error: " << args->dir << ": "
                      << (ec ? ec.message() : std::string("not a directory")) << "\n";
            ctx.exitCode = kExitFailure;
            return;
        }
        // Temporary pages that killed runs left behind go, as a publish clears them.
        const UniqueFd dirFd(::open(args->dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (dirFd.Get() >= 0) TempFileName::RemoveStale(dirFd.Get());
        // One clock for every page of the run.
        const RunTime time = Clock::ForRun();
        bool ok = Report(WriteStyleSheet(doc, args->dir, time), "styles.css");
        if (doc.m_bCreateTitlePage == 1) {
            ok = Report(WriteTitlePage(doc, args->dir, time), "title page") && ok;
        }
        if (doc.m_bCreateSitemap == 1) {
            ok = Report(WriteSitemap(doc, args->dir, time), "sitemap") && ok;
        }
        ok = Report(WriteFolderPages(doc, args->dir, time), "folder pages") && ok;
        ctx.exitCode = ok ? kExitOk : kExitFailure;
    });
}

void RegisterPreview(CLI::App& app, CliContext& ctx) {
    struct Args {
        std::string file;
        std::string folderId = "0";
        bool open = false;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd =
        AddCommand(app, "preview",
                   "Write the preview of one folder's page as temp.html in the program folder");
    cmd->add_option("FILE", args->file, "Project file to read (.fcd)")->required();
    cmd->add_option("--folder", args->folderId,
                    "Identifier of the folder: 0 for the root, 0-1 for its second sub-folder...")
        ->capture_default_str();
    cmd->add_flag("--open", args->open, "Open the preview with xdg-open");
    cmd->callback([args, &ctx] {
        CFoldcraftDoc doc;
        if (!OpenProject(args->file, doc, std::cerr)) {
            ctx.exitCode = kExitFailure;
            return;
        }
        const CBuildTreeFolder* folder = FindFolder(doc, args->folderId);
        if (!folder) {
            std::cerr << "Error: the project has no folder with the identifier \"" << args->folderId
                      << "\"\n";
            ctx.exitCode = kExitFailure;
            return;
        }
        std::string programFolder;
        if (!PrepareProgramFolder(ctx, programFolder, std::cerr)) {
            ctx.exitCode = kExitFailure;
            return;
        }
        const std::string page = programFolder + "/temp.html";
        if (!WritePreviewPage(doc, *folder, programFolder)) {
            std::cerr << "Error: cannot write the preview into " << programFolder << "\n";
            ctx.exitCode = kExitFailure;
            return;
        }
        std::cout << page << "\n";
        ctx.exitCode = args->open && !OpenInBrowser(page, std::cerr) ? kExitFailure : kExitOk;
    });
}

}  // namespace

void RegisterGenerateCommands(CLI::App& app, CliContext& ctx) {
    RegisterGenerate(app, ctx);
    RegisterPreview(app, ctx);
}

}  // namespace foldcraft::cli
