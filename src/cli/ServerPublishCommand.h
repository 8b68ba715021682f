#pragma once

#include <memory>
#include <string>

#include "cli/CliCommands.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"
#include "settings/QtSettingsStore.h"

namespace foldcraft::cli {

// What a publish command to a server does around its run, in this order: the
// settings store opened (before anything else, so that a value misread never
// reaches a server), the program folder prepared, the project read and its publish
// checks made; at the end, with --save, the last-publish stamp written back. Every
// failure says why on standard error.
class ServerPublishCommand {
public:
    ServerPublishCommand(const CliContext& ctx, std::string projectFile, bool save)
        : m_ctx(ctx), m_projectFile(std::move(projectFile)), m_save(save) {}

    // The store named by settingsFileOption, else by $FOLDCRAFT_SETTINGS, else the
    // user's. Null when it cannot be opened. Owned by this object.
    QtSettingsStore* OpenStore(const std::string& settingsFileOption);
    // The program folder, the project and its publish checks; false when one fails
    // (exit with kExitFailure, or Finish(kExitFailure) once Checked()).
    bool OpenProject();
    bool Checked() const { return m_checked; }

    CFoldcraftDoc& Doc() { return m_doc; }
    const std::string& ProgramFolder() const { return m_programFolder; }

    // The exit status: code, after the stamp is written back where --save asked for
    // it and the checks made one (never over an edit made to the file meanwhile).
    int Finish(int code);

private:
    const CliContext& m_ctx;
    std::string m_projectFile;
    bool m_save;
    std::unique_ptr<QtSettingsStore> m_store;
    std::string m_programFolder;
    CFoldcraftDoc m_doc;
    ProjectFileVersion m_readVersion;
    bool m_checked = false;
};

}  // namespace foldcraft::cli
