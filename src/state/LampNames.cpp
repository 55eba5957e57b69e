#include "state/LampNames.h"

namespace aq {

std::optional<std::string> lookUpLampName(const Preferences& preferences, const std::string& uuid) {
    const std::optional<PreferenceValue> stored = preferences.value(kUUIDNameArray);
    const PreferenceValue::List* table = stored ? stored->list() : nullptr;
    if (!table) return std::nullopt;
    std::optional<std::string> found;
    // The whole table is walked: the last match wins.
    for (const PreferenceValue& entry : *table) {
        const PreferenceValue::List* pair = entry.list();
        if (!pair || pair->size() != 2) continue;
        const std::string* key = (*pair)[0].text();
        const std::string* name = (*pair)[1].text();
        if (key && name && *key == uuid) found = *name;
    }
    return found;
}

bool lampNameTableUnreadable(const Preferences& preferences) {
    const std::optional<PreferenceValue> stored = preferences.value(kUUIDNameArray);
    return stored && !stored->list();
}

bool appendLampName(Preferences& preferences, const std::string& uuid, const std::string& name) {
    PreferenceValue::List table;
    if (const auto stored = preferences.value(kUUIDNameArray)) {
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

}  // namespace aq
