#pragma once

#include <QString>

#include <optional>

namespace aq {

// The time long work still needs at the pace it has kept so far: nothing
// before a few seconds have passed (the first steps say little about the
// rest), before anything is done, or once everything is.
std::optional<double> secondsLeft(double elapsed, double done, double total);

// "About 40 s left", "About 3 min left": rounded up, as a user reads it.
QString timeLeftText(double seconds);

}  // namespace aq
