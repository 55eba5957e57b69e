#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "curve/Color.h"
#include "curve/CurvePoint.h"

namespace aq {

// The day curve of one lamp colour channel: up to 144 set points held inline,
// in ascending time, plus the channel's colour, name and the point being
// dragged. Pure data; the graph maps the view onto it and the day page
// converts it to the lamp's units.
class DayAdjustmentChannel {
public:
    static constexpr int kMaxPoints = 144;

    explicit DayAdjustmentChannel(const aq::Color& color);

    // The first PointCount() entries are valid.
    const CurvePoint* Points() const { return _points.data(); }
    std::uint8_t PointCount() const { return _pointCount; }
    const aq::Color& Color() const { return _color; }
    std::int32_t SelectedPoint() const { return _selectedPoint; }

    const std::string& name() const { return _name; }
    void setName(std::string name) { _name = std::move(name); }

    // Forgets the points; selection and stored values stay.
    void clear() { _pointCount = 0; }
    // -1 lets go of the held point and puts the points back in time order.
    void setSelectedPoint(std::int32_t index);
    // Appends and sorts; a point beyond the 144th is dropped.
    void addPoint(const CurvePoint& point);
    // Keeps the last remaining point; always lets go of the held point.
    void removePointAt(std::uint8_t index);
    // Moves the held point to the probe clamped to the unit square; the
    // selection follows it past one neighbour. Returns the point now held.
    // Without a held point inside the list nothing is stored and the clamped
    // probe is returned.
    CurvePoint moveSelectedTo(const CurvePoint& point);
    // Shifts every point in time, wrapping around midnight.
    void move(float offset);
    // Shifts every point in intensity, clamped to 0.0 .. 1.0.
    void moveV(float offset);
    // Stores the pair unclamped and unsorted; an index outside the list is ignored.
    void setPoint(std::uint8_t index, float x, float y);
    // Lowest index within the tolerance in both axes (strictly), or -1.
    std::int32_t getPoint(const CurvePoint& probe, double tolerance) const;
    // Copies the points as given, unsorted; at most 144 are taken.
    void adjust(const CurvePoint* points, std::uint8_t length);

    // "xxxx,yyyy" thousandths per point joined with ";": one channel of a preset file.
    std::string channelAsString() const;
    // Replaces the points from that text. Preset files come from anywhere:
    // pieces beyond the 144th are ignored, a piece without "," has intensity 0
    // and numbers saturate instead of overflowing. No clamping, no sorting.
    void channelFromString(std::string_view text);

private:
    void sortPoints();

    std::array<CurvePoint, kMaxPoints> _points{};
    std::uint8_t _pointCount = 0;
    std::int32_t _selectedPoint = -1;
    aq::Color _color;
    std::string _name;
};

}  // namespace aq
