#include "model/MemorySettingsStore.h"

#include <charconv>

namespace foldcraft {

int MemorySettingsStore::GetInt(const std::string& section, const std::string& name,
                                int defaultValue) const {
    const auto it = m_values.find({section, name});
    if (it == m_values.end()) return defaultValue;
    int value = 0;
    const auto [ptr, ec] = std::from_chars(it->second.data(), it->second.data() + it->second.size(), value);
    if (ec != std::errc() || ptr != it->second.data() + it->second.size()) return defaultValue;
    return value;
}

std::string MemorySettingsStore::GetString(const std::string& section, const std::string& name,
                                           const std::string& defaultValue) const {
    const auto it = m_values.find({section, name});
    return it == m_values.end() ? defaultValue : it->second;
}

bool MemorySettingsStore::WriteInt(const std::string& section, const std::string& name, int value) {
    return WriteString(section, name, std::to_string(value));
}

bool MemorySettingsStore::WriteString(const std::string& section, const std::string& name,
                                      const std::string& value) {
    m_values[{section, name}] = value;
    m_writeLog.push_back(section + "/" + name);
    return true;
}

bool MemorySettingsStore::Contains(const std::string& section, const std::string& name) const {
    return m_values.count({section, name}) != 0;
}

}  // namespace foldcraft
