#pragma once

#include <string>
#include <vector>

namespace foldcraft {
class ISettingsStore;

// The recently used project files, most recent first, at most four, kept in the
// settings store (section "Recent File List", values "File1" to "File4").
class RecentFileList {
public:
    static constexpr int kSize = 4;

    // Reads the list from settings; the store must outlive this object.
    explicit RecentFileList(ISettingsStore& settings);

    const std::vector<std::string>& Files() const { return m_files; }
    // Puts path in front (removing an older entry of it) and writes the list.
    void Add(const std::string& path);
    // Drops path (after it failed to open) and writes the list.
    void Remove(const std::string& path);

private:
    void Write();
    ISettingsStore& m_settings;
    std::vector<std::string> m_files;
};

}  // namespace foldcraft
