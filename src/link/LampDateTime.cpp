#include "link/LampDateTime.h"

namespace aq {

namespace {
std::chrono::year_month_day dateOf(const LampDateTime& t) {
    return std::chrono::year{t.year} / std::chrono::month{t.month} / std::chrono::day{t.day};
}
}  // namespace

bool LampDateTime::valid() const {
    return dateOf(*this).ok() && hour < 24 && minute < 60 && second < 60;
}

std::optional<unsigned> LampDateTime::weekday() const {
    const auto date = dateOf(*this);
    if (!date.ok()) return std::nullopt;
    // c_encoding counts 0 = Sunday.
    return std::chrono::weekday{std::chrono::sys_days{date}}.c_encoding() + 1;
}

std::optional<std::chrono::local_seconds> LampDateTime::toLocalSeconds() const {
    if (!valid()) return std::nullopt;
    return std::chrono::local_days{dateOf(*this)} + std::chrono::hours{hour} +
           std::chrono::minutes{minute} + std::chrono::seconds{second};
}

LampDateTime LampDateTime::fromLocalSeconds(std::chrono::local_seconds time) {
    const auto days = std::chrono::floor<std::chrono::days>(time);
    const std::chrono::year_month_day date{days};
    const std::chrono::hh_mm_ss clock{time - days};
    LampDateTime out;
    out.year = static_cast<int>(date.year());
    out.month = static_cast<unsigned>(date.month());
    out.day = static_cast<unsigned>(date.day());
    out.hour = static_cast<unsigned>(clock.hours().count());
    out.minute = static_cast<unsigned>(clock.minutes().count());
    out.second = static_cast<unsigned>(clock.seconds().count());
    return out;
}

}  // namespace aq
