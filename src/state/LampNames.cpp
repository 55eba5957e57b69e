#include "state/LampNames.h"

#include "link/Log.h"

namespace aq {

LampNameIndex::LampNameIndex(const std::optional<PreferenceValue>& stored) {
    const PreferenceValue::List* table = stored ? stored->list() : nullptr;
    _unreadable = stored && !table;
    if (!table) return;
    _names.reserve(table->size());
    // In table order, so that the last match wins.
    for (const PreferenceValue& entry : *table) {
        const PreferenceValue::List* pair = entry.list();
        if (!pair || pair->size() != 2) continue;
        const std::string* key = (*pair)[0].text();
        const std::string* name = (*pair)[1].text();
        if (key && name) _names[*key] = *name;
    }
}

std::optional<std::string> LampNameIndex::lookUp(const std::string& uuid) const {
    const auto it = _names.find(uuid);
    if (it == _names.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> lookUpLampName(const Preferences& preferences, const std::string& uuid) {
    return LampNameIndex(preferences.value(kUUIDNameArray)).lookUp(uuid);
}

bool lampNameTableUnreadable(const Preferences& preferences) {
    const std::optional<PreferenceValue> stored = preferences.value(kUUIDNameArray);
    return stored && !stored->list();
}

bool appendLampName(Preferences& preferences, const std::string& uuid, const std::string& name) {
    const std::optional<PreferenceValue> stored = preferences.value(kUUIDNameArray);
    if (LampNameIndex(stored).lookUp(uuid) == name) return preferences.synchronize();
    PreferenceValue::List table;
    if (stored) {
        if (const PreferenceValue::List* list = stored->list()) table = *list;
    }
    table.push_back(PreferenceValue::List{uuid, name});
    preferences.setValue(kUUIDNameArray, table);
    return preferences.synchronize();
}

std::string lampNameText(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (b >> 6));
            text += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return text;
}

const LampNameIndex& LampNameBook::indexLocked() {
    if (!_index) _index.emplace(_preferences.value(kUUIDNameArray));
    return *_index;
}

std::optional<std::string> LampNameBook::lookUp(const std::string& uuid) {
    std::lock_guard lock(_mutex);
    return indexLocked().lookUp(uuid);
}

bool LampNameBook::unreadable() {
    std::lock_guard lock(_mutex);
    return indexLocked().unreadable();
}

void LampNameBook::save(const std::string& uuid, const std::string& name) {
    std::lock_guard lock(_mutex);
    // A failed write is not the user's to see, but it belongs in the log.
    if (!appendLampName(_preferences, uuid, name)) {
        logLine(format("lamp name for %s not saved", uuid.c_str()));
    }
    _index.reset();
}

}  // namespace aq
