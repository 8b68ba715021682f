#include "cli/ServerPublishCommand.h"

#include <cstdlib>
#include <iostream>

#include "cli/CliSupport.h"
#include "publish/PublishChecks.h"

namespace foldcraft::cli {

QtSettingsStore* ServerPublishCommand::OpenStore(const std::string& settingsFileOption) {
    std::string settingsFile = settingsFileOption;
    if (settingsFile.empty()) {
        const char* env = std::getenv("FOLDCRAFT_SETTINGS");
        if (env && *env) settingsFile = env;
    }
    std::string error;
    m_store = settingsFile.empty() ? QtSettingsStore::OpenUserStore(error)
                                   : QtSettingsStore::Open(settingsFile, error);
    if (!m_store) std::cerr << error << "\n";
    return m_store.get();
}

bool ServerPublishCommand::OpenProject() {
    if (!PrepareProgramFolder(m_ctx, m_programFolder, std::cerr)) return false;
    if (!cli::OpenProject(m_projectFile, m_doc, std::cerr, m_readVersion)) return false;
    const PublishCheckResult check = PublishChecks::BeginPublish(m_doc);
    if (!check.Ok()) {
        std::cerr << check.message << "\n";
        return false;
    }
    m_checked = true;
    return true;
}

int ServerPublishCommand::Finish(int code) {
    if (m_save && m_checked)
        return SavePublishStamp(m_doc, m_projectFile, m_readVersion, code, std::cerr);
    return code;
}

}  // namespace foldcraft::cli
