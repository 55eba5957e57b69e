#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace aq {

// One value of the per-user preferences: a text, a whole number, a list of
// values, or nothing usable (a type this program does not read). Stored
// preferences are untrusted: readers look at the kind before they use one.
class PreferenceValue {
public:
    using List = std::vector<PreferenceValue>;

    PreferenceValue() = default;
    PreferenceValue(std::string text) : _value(std::move(text)) {}
    PreferenceValue(const char* text) : _value(std::string(text)) {}
    PreferenceValue(std::int64_t number) : _value(number) {}
    PreferenceValue(List list) : _value(std::move(list)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(_value); }
    const std::string* text() const { return std::get_if<std::string>(&_value); }
    const std::int64_t* number() const { return std::get_if<std::int64_t>(&_value); }
    const List* list() const { return std::get_if<List>(&_value); }

    friend bool operator==(const PreferenceValue&, const PreferenceValue&) = default;

private:
    std::variant<std::monostate, std::string, std::int64_t, List> _value;
};

// The per-user preferences store: QSettings in the application, memory in
// tests. Implementations are safe to use from any thread.
class Preferences {
public:
    virtual ~Preferences() = default;
    virtual std::optional<PreferenceValue> value(const std::string& key) const = 0;
    virtual void setValue(const std::string& key, const PreferenceValue& value) = 0;
    // Writes what was set to lasting storage before it returns; false when
    // that failed.
    virtual bool synchronize() = 0;
};

}  // namespace aq
