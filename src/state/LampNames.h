#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "state/Preferences.h"

namespace aq {

// The names the user gave lamps, kept across runs under one preference key as
// an appended list of [UUID text, name] pairs. Nothing is ever removed: a
// later pair for the same UUID overrides an earlier one.
inline constexpr const char* kUUIDNameArray = "kUUIDNameArray";

// The name table as read once: for each UUID, the name of its last pair.
// Built from the stored value; later changes to it are not seen.
class LampNameIndex {
public:
    LampNameIndex() = default;
    explicit LampNameIndex(const std::optional<PreferenceValue>& stored);
    // The name of the last pair whose UUID equals `uuid` exactly (case and
    // all). Entries that are not a list of two texts are skipped.
    std::optional<std::string> lookUp(const std::string& uuid) const;
    // A table is stored but is no list.
    bool unreadable() const { return _unreadable; }

private:
    std::unordered_map<std::string, std::string> _names;
    bool _unreadable = false;
};

// Reads the table and looks the UUID up (see LampNameIndex).
std::optional<std::string> lookUpLampName(const Preferences& preferences, const std::string& uuid);

// Whether a table is stored but cannot be used (damaged, or no list):
// look-ups then find no names, and the next save starts the table anew.
bool lampNameTableUnreadable(const Preferences& preferences);

// Appends [uuid, name] and writes it to lasting storage before returning;
// false when that write failed. A pair that would not change what the
// look-up gives is not appended (the table is only made lasting). A stored
// value that is no list is replaced; malformed entries inside a list are
// kept as they are.
bool appendLampName(Preferences& preferences, const std::string& uuid, const std::string& name);

// The name table of one preferences store as the programs use it: looked up
// through an index read when first needed and renewed after every save.
// Thread-safe; the preferences outlive it.
class LampNameBook {
public:
    explicit LampNameBook(Preferences& preferences) : _preferences(preferences) {}
    std::optional<std::string> lookUp(const std::string& uuid);
    bool unreadable();
    // Appends the pair unless the look-up gives that name already (see
    // appendLampName); a failed write is logged.
    void save(const std::string& uuid, const std::string& name);

private:
    const LampNameIndex& indexLocked();

    Preferences& _preferences;
    std::mutex _mutex;
    std::optional<LampNameIndex> _index;
};

// A name as the lamp holds it (one byte a character, the byte's value its
// code) as the UTF-8 text the rest of the program and the name table use.
std::string lampNameText(const std::string& bytes);

}  // namespace aq
