#pragma once

#include <chrono>
#include <optional>

namespace aq {

// A date and time of the lamp's clock as plain local calendar fields. The
// lamp keeps no time zone: what it holds is the wall-clock time of the place
// it stands in, so the fields cross the link unchanged and the pages convert
// them from and to their own date type.
struct LampDateTime {
    int year = 2000;
    unsigned month = 1;   // 1 ... 12
    unsigned day = 1;     // 1 ... 31
    unsigned hour = 0;    // 0 ... 23
    unsigned minute = 0;  // 0 ... 59
    unsigned second = 0;  // 0 ... 59

    friend bool operator==(const LampDateTime&, const LampDateTime&) = default;

    // A lamp may report fields that form no date (month 13, hour 25);
    // only valid values convert to a time point.
    bool valid() const;
    // 1 = Sunday ... 7 = Saturday, the lamp's weekday numbering; none for
    // fields that form no date.
    std::optional<unsigned> weekday() const;

    std::optional<std::chrono::local_seconds> toLocalSeconds() const;
    static LampDateTime fromLocalSeconds(std::chrono::local_seconds time);
};

}  // namespace aq
