#pragma once

namespace aq {

// One set point of a day curve in curve units: x is the time of day as a
// fraction of the day (0.0 is 00:00), y the intensity as a fraction of full.
struct CurvePoint {
    double x = 0.0;
    double y = 0.0;

    friend bool operator==(const CurvePoint&, const CurvePoint&) = default;
};

}  // namespace aq
