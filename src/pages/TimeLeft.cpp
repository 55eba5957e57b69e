#include "pages/TimeLeft.h"

#include <QCoreApplication>

#include <cmath>

namespace aq {

namespace {
constexpr double kSettleSeconds = 3.0;
}

std::optional<double> secondsLeft(double elapsed, double done, double total) {
    // Nothing is said at the very end either: "0 s left" tells nobody anything.
    if (!(elapsed >= kSettleSeconds) || !(done > 0.0) || !(total > done)) return std::nullopt;
    return elapsed * (total - done) / done;
}

QString timeLeftText(double seconds) {
    if (seconds < 60.0) {
        // In steps of five seconds, so the figure does not flicker.
        const int s = std::max(5, static_cast<int>(std::ceil(seconds / 5.0)) * 5);
        return QCoreApplication::translate("TimeLeft", "About %1 s left").arg(s);
    }
    const int minutes = static_cast<int>(std::ceil(seconds / 60.0));
    return QCoreApplication::translate("TimeLeft", "About %1 min left").arg(minutes);
}

}  // namespace aq
