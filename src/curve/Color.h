#pragma once

namespace aq {

// A colour as red, green, blue and alpha fractions from 0 to 1, the form the
// lamp's channel colours and the chart's colours are given in.
struct Color {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 1.0;

    friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace aq
