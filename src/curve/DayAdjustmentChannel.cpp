#include "curve/DayAdjustmentChannel.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace aq {

namespace {

// Points that share a time are pushed five minutes apart. The step is kept in
// single precision because curves saved and uploaded so far were made with it.
constexpr double kNudge = static_cast<double>(1.0f / 288.0f);

double clampUnit(double v) {
    if (v < 0.0) return 0.0;
    if (v > 1.0) return 1.0;
    return v;
}

// Thousandths, truncated toward zero; saturates instead of overflowing for the
// odd value a caller stored outside the unit square.
int thousandths(double v) {
    const double t = std::trunc(v * 1000.0);
    if (!(t == t)) return 0;  // NaN
    if (t >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (t <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(t);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Leading blanks, an optional sign, then decimal digits up to the first other
// character; no digits reads as 0. Saturates at the int range.
long long fieldValue(std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && isBlank(field[i])) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return value;
}

}  // namespace

DayAdjustmentChannel::DayAdjustmentChannel(const aq::Color& color) : _color(color) {
    setSelectedPoint(-1);
}

void DayAdjustmentChannel::sortPoints() {
    const int n = _pointCount;
    for (int k = 0; k < n - 1; ++k) {
        for (int j = 1; j <= n - 1 - k; ++j) {
            CurvePoint& a = _points[static_cast<std::size_t>(j - 1)];
            CurvePoint& b = _points[static_cast<std::size_t>(j)];
            if (a.x > b.x) {
                std::swap(a, b);
            } else if (a.x == b.x) {
                // The last pair of the first pass moves its earlier point back,
                // so a point added at an occupied time lands just after it.
                if (k == 0 && j == n - 1) {
                    a.x -= kNudge;
                } else {
                    b.x += kNudge;
                }
            }
        }
    }
}

void DayAdjustmentChannel::setSelectedPoint(std::int32_t index) {
    _selectedPoint = index;
    if (index == -1) sortPoints();
}

void DayAdjustmentChannel::addPoint(const CurvePoint& point) {
    if (_pointCount < kMaxPoints) {
        _points[_pointCount] = point;
        ++_pointCount;
    }
    sortPoints();
}

void DayAdjustmentChannel::removePointAt(std::uint8_t index) {
    if (index < _pointCount && _pointCount >= 2) {
        for (int i = index; i + 1 < _pointCount; ++i) {
            _points[static_cast<std::size_t>(i)] = _points[static_cast<std::size_t>(i + 1)];
        }
        --_pointCount;
    }
    _selectedPoint = -1;
}

CurvePoint DayAdjustmentChannel::moveSelectedTo(const CurvePoint& point) {
    const CurvePoint clamped{clampUnit(point.x), clampUnit(point.y)};
    const std::int32_t s = _selectedPoint;
    // A held index can outlive its point when the list is cleared or reloaded
    // while the mouse is down; never write past the valid points.
    if (s < 0 || s >= _pointCount) return clamped;
    _points[static_cast<std::size_t>(s)] = clamped;
    // The selection follows the dragged point past as many neighbours as one
    // mouse event carried it (a fast drag crosses several; following only
    // one would leave another point held).
    auto at = [this](std::int32_t i) -> CurvePoint& {
        return _points[static_cast<std::size_t>(i)];
    };
    std::int32_t moved = s;
    while (moved > 0 && at(moved - 1).x > at(moved).x) {
        std::swap(at(moved - 1), at(moved));
        --moved;
    }
    while (moved < _pointCount - 1 && at(moved).x > at(moved + 1).x) {
        std::swap(at(moved), at(moved + 1));
        ++moved;
    }
    if (moved != s) {
        _selectedPoint = moved;
        sortPoints();
    }
    return _points[static_cast<std::size_t>(_selectedPoint)];
}

void DayAdjustmentChannel::move(float offset) {
    if (_pointCount == 0) return;
    const double d = offset;
    for (int i = 0; i < _pointCount; ++i) {
        double x = _points[static_cast<std::size_t>(i)].x + d;
        for (int n = 0; x < 0.0 && n < 100; ++n) x += 1.0;
        for (int n = 0; x > 1.0 && n < 100; ++n) x -= 1.0;
        _points[static_cast<std::size_t>(i)].x = x;
    }
    sortPoints();
}

void DayAdjustmentChannel::moveV(float offset) {
    if (_pointCount == 0) return;
    const double d = offset;
    for (int i = 0; i < _pointCount; ++i) {
        CurvePoint& p = _points[static_cast<std::size_t>(i)];
        p.y = clampUnit(p.y + d);
    }
    sortPoints();
}

void DayAdjustmentChannel::setPoint(std::uint8_t index, float x, float y) {
    if (index >= _pointCount) return;
    _points[index] = CurvePoint{x, y};
}

std::int32_t DayAdjustmentChannel::getPoint(const CurvePoint& probe, double tolerance) const {
    for (int i = 0; i < _pointCount; ++i) {
        const CurvePoint& p = _points[static_cast<std::size_t>(i)];
        if (probe.x - tolerance < p.x && p.x < probe.x + tolerance && probe.y - tolerance < p.y &&
            p.y < probe.y + tolerance) {
            return i;
        }
    }
    return -1;
}

void DayAdjustmentChannel::adjust(const CurvePoint* points, std::uint8_t length) {
    const int n = length < kMaxPoints ? length : kMaxPoints;
    for (int i = 0; i < n; ++i) _points[static_cast<std::size_t>(i)] = points[i];
    _pointCount = static_cast<std::uint8_t>(n);
}

std::string DayAdjustmentChannel::channelAsString() const {
    std::string out;
    out.reserve(static_cast<std::size_t>(_pointCount) * 10);
    char piece[32];
    for (int i = 0; i < _pointCount; ++i) {
        const CurvePoint& p = _points[static_cast<std::size_t>(i)];
        const int n =
            std::snprintf(piece, sizeof piece, "%04i,%04i", thousandths(p.x), thousandths(p.y));
        if (i > 0) out.push_back(';');
        out.append(piece, static_cast<std::size_t>(n));
    }
    return out;
}

void DayAdjustmentChannel::channelFromString(std::string_view text) {
    int count = 0;
    std::size_t start = 0;
    // An empty text is one empty piece, so it reads as one point at (0, 0).
    while (count < kMaxPoints) {
        const std::size_t end = text.find(';', start);
        const std::string_view piece = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        const std::size_t comma = piece.find(',');
        const long long x = fieldValue(piece.substr(0, comma));
        const long long y =
            comma == std::string_view::npos ? 0 : fieldValue(piece.substr(comma + 1));
        _points[static_cast<std::size_t>(count)] =
            CurvePoint{static_cast<double>(x) / 1000.0, static_cast<double>(y) / 1000.0};
        ++count;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    _pointCount = static_cast<std::uint8_t>(count);
}

}  // namespace aq
