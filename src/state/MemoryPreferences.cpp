#include "state/MemoryPreferences.h"

namespace aq {

std::optional<PreferenceValue> MemoryPreferences::value(const std::string& key) const {
    std::lock_guard lock(_mutex);
    auto it = _values.find(key);
    if (it == _values.end()) return std::nullopt;
    return it->second;
}

void MemoryPreferences::setValue(const std::string& key, const PreferenceValue& value) {
    std::lock_guard lock(_mutex);
    _values[key] = value;
}

bool MemoryPreferences::synchronize() {
    std::lock_guard lock(_mutex);
    ++_synchronized;
    return true;
}

int MemoryPreferences::synchronizeCount() const {
    std::lock_guard lock(_mutex);
    return _synchronized;
}

}  // namespace aq
