#pragma once

#include <map>
#include <mutex>

#include "state/Preferences.h"

namespace aq {

// Preferences held in memory, for tests: what is set is there at once.
class MemoryPreferences : public Preferences {
public:
    std::optional<PreferenceValue> value(const std::string& key) const override;
    void setValue(const std::string& key, const PreferenceValue& value) override;
    bool synchronize() override;

    // How often synchronize() was called.
    int synchronizeCount() const;

private:
    mutable std::mutex _mutex;
    std::map<std::string, PreferenceValue> _values;
    int _synchronized = 0;
};

}  // namespace aq
