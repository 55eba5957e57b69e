// The stored value of the lamp name table, as any preferences file could
// hold it: built from the input as a tree of texts, numbers and lists.
#include <string>

#include "state/LampNames.h"
#include "state/MemoryPreferences.h"

namespace {

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool more() const { return at < size; }
    std::uint8_t next() { return more() ? data[at++] : 0; }
};

aq::PreferenceValue readValue(Reader& in, int depth) {
    switch (in.next() % 4) {
        case 0:
            return {};
        case 1: {
            std::string text;
            for (std::size_t n = in.next() % 16; n > 0 && in.more(); --n) {
                text.push_back(static_cast<char>(in.next()));
            }
            return aq::PreferenceValue(text);
        }
        case 2:
            return aq::PreferenceValue(static_cast<std::int64_t>(in.next()) - 128);
        default: {
            aq::PreferenceValue::List list;
            if (depth < 4) {
                for (std::size_t n = in.next() % 6; n > 0 && in.more(); --n) {
                    list.push_back(readValue(in, depth + 1));
                }
            }
            return aq::PreferenceValue(list);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size};
    aq::MemoryPreferences preferences;
    preferences.setValue(aq::kUUIDNameArray, readValue(in, 0));
    const std::string uuid = "00000000-0000-0000-0000-00000000000" + std::to_string(in.next() % 4);
    (void)aq::lookUpLampName(preferences, uuid);
    // A name appended to whatever was stored is the one found afterwards.
    if (!aq::appendLampName(preferences, uuid, "Reef")) return 0;
    const auto found = aq::lookUpLampName(preferences, uuid);
    if (!found || *found != "Reef") __builtin_trap();
    return 0;
}
