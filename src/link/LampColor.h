#pragma once

namespace aq {

// A channel colour as the lamp reports it: red, green and blue fractions
// 0 ... 1 (the lamp's bytes divided by 255) and an opaque alpha. The link
// stays free of the chart's types; the store converts.
struct LampColor {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 1.0;

    friend bool operator==(const LampColor&, const LampColor&) = default;
};

}  // namespace aq
