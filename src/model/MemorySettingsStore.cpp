#include "model/MemorySettingsStore.h"

namespace foldcraft {

ISettingsStore::Stored MemorySettingsStore::Lookup(const std::string& section,
                                                   const std::string& name) const {
    const auto it = m_values.find({section, name});
    if (it == m_values.end()) return {};
    return {Stored::Kind::kText, it->second};
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

bool MemorySettingsStore::Remove(const std::string& section, const std::string& name) {
    m_values.erase({section, name});
    return true;
}

bool MemorySettingsStore::Contains(const std::string& section, const std::string& name) const {
    return m_values.count({section, name}) != 0;
}

}  // namespace foldcraft
