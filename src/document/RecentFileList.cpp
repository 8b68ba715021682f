#include "document/RecentFileList.h"

#include <algorithm>

#include "model/SettingsStore.h"

namespace foldcraft {
namespace {
const char kSection[] = "Recent File List";
std::string EntryName(int index) {
    return "File" + std::to_string(index + 1);
}
}  // namespace

RecentFileList::RecentFileList(ISettingsStore& settings) : m_settings(settings) {
    for (int i = 0; i < kSize; ++i) {
        std::string path = m_settings.GetString(kSection, EntryName(i), {});
        if (!path.empty() && std::find(m_files.begin(), m_files.end(), path) == m_files.end())
            m_files.push_back(std::move(path));
    }
}

void RecentFileList::Add(const std::string& path) {
    if (path.empty()) return;
    std::erase(m_files, path);
    m_files.insert(m_files.begin(), path);
    if (m_files.size() > kSize) m_files.resize(kSize);
    Write();
}

void RecentFileList::Remove(const std::string& path) {
    if (std::erase(m_files, path) > 0) Write();
}

void RecentFileList::Write() {
    for (int i = 0; i < kSize; ++i)
        m_settings.WriteString(kSection, EntryName(i), i < int(m_files.size()) ? m_files[i] : "");
}

}  // namespace foldcraft
