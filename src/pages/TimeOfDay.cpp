#include "pages/TimeOfDay.h"

namespace aq {

namespace {
constexpr unsigned kMinutesPerDay = 24 * 60;
}  // namespace

QTime minutesToDate(unsigned minutes) {
    const unsigned m = minutes % kMinutesPerDay;
    return QTime(int(m / 60), int(m % 60), 0);
}

std::uint16_t dateToMinutes(const QTime& time) {
    if (!time.isValid()) return 0;
    return static_cast<std::uint16_t>(time.hour() * 60 + time.minute());
}

}  // namespace aq
