#pragma once

#include <QTime>

#include <cstdint>

namespace aq {

// The lamp keeps its moon and bolt windows as minutes since midnight
// (hour × 60 + minute); the pickers show them as times of day.

// Reduces the minutes modulo one day; the seconds are 0.
QTime minutesToDate(unsigned minutes);
// Hour × 60 + minute of the picked time; 0 for an invalid time.
std::uint16_t dateToMinutes(const QTime& time);

}  // namespace aq
