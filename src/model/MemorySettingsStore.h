#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/SettingsStore.h"

namespace foldcraft {

// A settings store held in memory, for tests and for runs that must not touch
// the user's settings. It also records the order of writes.
class MemorySettingsStore : public ISettingsStore {
public:
    Stored Lookup(const std::string& section, const std::string& name) const override;
    bool WriteInt(const std::string& section, const std::string& name, int value) override;
    bool WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;
    bool Remove(const std::string& section, const std::string& name) override;

    bool Contains(const std::string& section, const std::string& name) const;
    // "Section/Name" of every write, oldest first.
    const std::vector<std::string>& WriteLog() const { return m_writeLog; }

private:
    std::map<std::pair<std::string, std::string>, std::string> m_values;
    std::vector<std::string> m_writeLog;
};

}  // namespace foldcraft
