// The project commands: new, info, from-json, resave, import.
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "cli/ProjectJson.h"
#include "model/DirectoryImporter.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft::cli {
namespace {

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The whole of a file ("-" reads standard input). False with a message on err.
bool ReadInput(const std::string& path, std::string& contents, std::ostream& err) {
    if (path == "-") {
        contents.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        if (std::cin.bad()) {
            err << "Error: cannot read standard input\n";
            return false;
        }
        return true;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        err << "Error: " << path << ": " << std::strerror(errno) << "\n";
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        err << "Error: " << path << ": is a directory\n";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        err << "Error: " << path << ": " << std::strerror(errno) << "\n";
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        err << "Error: " << path << ": read error\n";
        return false;
    }
    contents = std::move(buffer).str();
    return true;
}

void RegisterNew(CLI::App& app, CliContext& ctx) {
    struct Args {
        std::string file;
        bool force = false;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd =
        AddCommand(app, "new",
                   "Write a new project file: an empty site tree, every setting at its New value.");
    cmd->add_option("FILE", args->file, "Project file to write (.fcd)")->required();
    cmd->add_flag("--force", args->force, "Replace FILE when it exists");
    cmd->callback([args, &ctx] {
        if (!args->force && PathExists(args->file)) {
            std::cerr << "Error: " << args->file << " exists; use --force to replace it\n";
            ctx.exitCode = kExitFailure;
            return;
        }
        CFoldcraftDoc doc;
        doc.OnNewDocument();
        ctx.exitCode = SaveProjectTo(doc, args->file, std::cerr) ? kExitOk : kExitFailure;
    });
}

void RegisterInfo(CLI::App& app, CliContext& ctx) {
    auto file = std::make_shared<std::string>();
    CLI::App* cmd =
        AddCommand(app, "info", "Print a whole project as JSON (the form that from-json reads).");
    cmd->add_option("FILE", *file, "Project file to read (.fcd)")->required();
    cmd->footer(
        "Exit status: 0 printed; 1 the file is not in a format this program reads (the message\n"
        "on stderr, the empty project on stdout); 2 the file cannot be read or is damaged.");
    cmd->callback([file, &ctx] {
        CFoldcraftDoc doc;
        ProjectFileResult::Status status = ProjectFileResult::Status::kOk;
        int code = kExitOk;
        if (!OpenProject(*file, doc, std::cerr, status)) {
            if (status != ProjectFileResult::Status::kUnsupportedVersion) {
                ctx.exitCode = kExitFailure;
                return;
            }
            code = kExitProblems;
        }
        if (!ProjectJson::Write(doc, std::cout)) {
            std::cerr << "Error: cannot write to standard output\n";
            code = kExitFailure;
        }
        ctx.exitCode = code;
    });
}

void RegisterFromJson(CLI::App& app, CliContext& ctx) {
    struct Args {
        std::string input;
        std::string output;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = AddCommand(app, "from-json",
                               "Write a project file from its JSON form (as printed by info).");
    cmd->add_option("FILE", args->input, "JSON file to read (- for standard input)")->required();
    cmd->add_option("-o,--output", args->output,
                    "Project file to write (.fcd); replaced when it exists")
        ->required();
    cmd->footer(
        "A field left out takes its New value. Unknown fields, fields given twice, wrong types,\n"
        "unknown classes and NUL bytes are refused (exit 2) and nothing is written. A text that\n"
        "is not valid UTF-8 is given as {\"hex\": \"<bytes in hexadecimal>\"}.");
    cmd->callback([args, &ctx] {
        std::string text;
        if (!ReadInput(args->input, text, std::cerr)) {
            ctx.exitCode = kExitFailure;
            return;
        }
        CFoldcraftDoc doc;
        std::string error;
        if (!ProjectJson::FromText(text, doc, error)) {
            std::cerr << "Error: " << (args->input == "-" ? "standard input" : args->input) << ": "
                      << error << "\n";
            ctx.exitCode = kExitFailure;
            return;
        }
        ctx.exitCode = SaveProjectTo(doc, args->output, std::cerr) ? kExitOk : kExitFailure;
    });
}

void RegisterResave(CLI::App& app, CliContext& ctx) {
    struct Args {
        std::string input;
        std::string output;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd =
        AddCommand(app, "resave", "Read a project file and write it back (OUT may be IN).");
    cmd->add_option("IN", args->input, "Project file to read (.fcd)")->required();
    cmd->add_option("OUT", args->output, "Project file to write (.fcd); replaced when it exists")
        ->required();
    cmd->callback([args, &ctx] {
        CFoldcraftDoc doc;
        ProjectFileResult::Status status = ProjectFileResult::Status::kOk;
        if (!OpenProject(args->input, doc, std::cerr, status)) {
            // Writing the empty project that an unsupported file opens as would
            // throw its contents away: refuse instead.
            if (status == ProjectFileResult::Status::kUnsupportedVersion)
                std::cerr << "Error: " << args->input
                          << " not written back: its contents could not be read\n";
            ctx.exitCode = kExitFailure;
            return;
        }
        ctx.exitCode = SaveProjectTo(doc, args->output, std::cerr) ? kExitOk : kExitFailure;
    });
}

void RegisterImport(CLI::App& app, CliContext& ctx) {
    struct Args {
        std::string directory;
        std::string output;
        bool includeHidden = false;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = AddCommand(app, "import", "Make a project from a directory of documents.");
    cmd->add_option("DIR", args->directory, "Directory whose contents become the site tree")
        ->required();
    cmd->add_option("-o,--output", args->output,
                    "Project file to write (.fcd); replaced when it exists")
        ->required();
    cmd->add_flag("--include-hidden", args->includeHidden,
                  "Also import entries whose names begin with \".\"");
    cmd->footer(
        "Each sub-directory becomes a folder, each non-empty regular file a document (name,\n"
        "absolute path, size, modification time), in name order. Symbolic links are followed\n"
        "only inside DIR. Skipped entries are listed on stderr. Items are published from the\n"
        "second before the import, so a publish right after it includes them. Exit status:\n"
        "0 imported; 1 imported, but some entries could not be read; 2 nothing written.");
    cmd->callback([args, &ctx] {
        CFoldcraftDoc doc;
        doc.OnNewDocument();
        // Published from the second before the import: an item is not active during
        // the second it was added, and a publish straight after an import should
        // show everything imported.
        const Time publishTime = Clock::Stamp() - 1;
        doc.m_pRoot->m_timePublish = publishTime;
        doc.m_pRoot->m_timePurge = publishTime + CBuildTreeDoc::kDefaultPurgeSpan;
        DirectoryImporter::Options options;
        options.includeHidden = args->includeHidden;
        options.excludeFile = args->output;
        options.publishTime = publishTime;
        DirectoryImporter importer(options);
        const DirectoryImporter::Result result = importer.Import(args->directory, *doc.m_pRoot);
        if (!result.ok) {
            std::cerr << "Error: " << result.message << "\n";
            ctx.exitCode = kExitFailure;
            return;
        }
        for (const auto& note : result.notes) {
            std::cerr << (note.skipped ? "Skipped: " : "Warning: ");
            if (!note.path.empty()) std::cerr << note.path << ": ";
            std::cerr << note.reason << "\n";
        }
        if (!SaveProjectTo(doc, args->output, std::cerr)) {
            ctx.exitCode = kExitFailure;
            return;
        }
        std::cout << "Imported " << result.folders
                  << (result.folders == 1 ? " folder and " : " folders and ") << result.documents
                  << (result.documents == 1 ? " document" : " documents") << " into "
                  << args->output << "\n";
        ctx.exitCode = result.HasProblems() ? kExitProblems : kExitOk;
    });
}

}  // namespace

void RegisterModelCommands(CLI::App& app, CliContext& ctx) {
    RegisterNew(app, ctx);
    RegisterInfo(app, ctx);
    RegisterFromJson(app, ctx);
    RegisterResave(app, ctx);
    RegisterImport(app, ctx);
}

}  // namespace foldcraft::cli
