#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "curve/Color.h"
#include "curve/CurvePoint.h"
#include "curve/DayAdjustmentChannel.h"
#include "curve/Drawing.h"

namespace aq {

// Plot area inside the drawing rectangle after taking off the paddings.
ViewRect plotRectFor(const ViewRect& bounds, double paddingTop, double paddingLeft,
                     double paddingRight, double paddingBottom);

// Radius of the point markers: a sixth of a grid cell, at most 10. The cell is
// the plot width over the row count on a wide plot, else the height over the
// column count.
double markerRadiusFor(double plotWidth, double plotHeight, std::uint8_t xParts,
                       std::uint8_t yParts);

// The chart of day curves: the channels it shows, the one the user edits, its
// layout, the mapping between view positions and curve units taken from the
// last drawing, and the drawing itself. The channels are shared with the
// store's channel entries, so edits show up there at once.
class DayAdjustmentGraph {
public:
    using ChannelPtr = std::shared_ptr<DayAdjustmentChannel>;

    // How near a click must come to a point, per axis, in curve units. Kept in
    // single precision as the hit test has always used it.
    static constexpr double kHitTolerance = static_cast<double>(0.025f);

    DayAdjustmentGraph(const Color& background, const Color& foreground);

    // --- channel list
    void channelAdd(ChannelPtr channel);            // ignored beyond 254 channels or when empty
    void channelRemove(const ChannelPtr& channel);  // ignored when it is the last one
    void channelRemoveAt(std::uint8_t index);       // ignored when the index names no channel
    void channelRemoveAll() { _channels.clear(); }
    std::uint8_t channelCount() const { return static_cast<std::uint8_t>(_channels.size()); }
    ChannelPtr channelAtIndex(std::uint8_t index) const;
    ChannelPtr selectedChannel() const { return channelAtIndex(_selectedChannel); }
    std::uint8_t selectedChannelIndex() const { return _selectedChannel; }
    void nextChannel();
    void setChannel(std::uint8_t n);

    // --- points of the selected channel, positions in view coordinates
    std::int32_t getPointOn(const ViewPoint& position) const;
    CurvePoint getPoint(std::uint8_t index) const;
    void dragPointOn(const ViewPoint& position);
    bool movePointTo(const ViewPoint& position);
    void dropPoint();
    bool removePointOn(const ViewPoint& position);
    void addPointOn(const ViewPoint& position);
    void changePoint(std::uint8_t index, float x, float y);
    void adjustChannelAt(std::uint8_t channel, const CurvePoint* points, std::uint8_t length);
    // The point at abscissa x on the line through a and b; a vertical line
    // gives a's height instead of dividing by zero.
    static CurvePoint onLine(const CurvePoint& a, const CurvePoint& b, double x);

    // --- text form of all curves, one channel text each, joined with "?"
    std::string channelsAsString() const;
    void channelsFromString(std::string_view text);

    // "percent%@hh:mm" of the point being dragged; empty when none is held.
    const std::string& text() const { return _text; }
    // That text for any point, in the lamp's whole percent and minutes.
    static std::string statusTextFor(const CurvePoint& point);

    // --- layout properties
    bool moonMode() const { return _moonMode; }
    void setMoonMode(bool on) { _moonMode = on; }
    bool drawBorder() const { return _drawBorder; }
    void setDrawBorder(bool on) { _drawBorder = on; }
    std::uint8_t xParts() const { return _xParts; }
    void setXParts(std::uint8_t parts) { _xParts = parts; }
    std::uint8_t yParts() const { return _yParts; }
    void setYParts(std::uint8_t parts) { _yParts = parts; }
    float vLine() const { return _vLine; }
    void setVLine(float position) { _vLine = position; }
    const Color& vLineColor() const { return _vLineColor; }
    void setVLineColor(const Color& color) { _vLineColor = color; }
    const std::vector<std::string>& xLabel() const { return _xLabel; }
    void setXLabel(std::vector<std::string> labels) { _xLabel = std::move(labels); }
    const std::vector<std::string>& yLabel() const { return _yLabel; }
    void setYLabel(std::vector<std::string> labels) { _yLabel = std::move(labels); }
    double paddingTop() const { return _paddingTop; }
    void setPaddingTop(double v) { _paddingTop = v; }
    double paddingLeft() const { return _paddingLeft; }
    void setPaddingLeft(double v) { _paddingLeft = v; }
    double paddingRight() const { return _paddingRight; }
    void setPaddingRight(double v) { _paddingRight = v; }
    double paddingBottom() const { return _paddingBottom; }
    void setPaddingBottom(double v) { _paddingBottom = v; }

    // --- layout of the last drawing
    ViewRect plotRect() const { return _drawRect; }
    double markerRadius() const { return r; }
    CurvePoint viewToCurve(const ViewPoint& position) const;
    ViewPoint curveToView(const CurvePoint& point) const;

    // Lays the chart out in rect and paints it: background, grid, marker line,
    // the other channels, the selected channel on top, labels, border. Very
    // dark curves get a faint outline in the foreground colour first.
    void drawRect(const ViewRect& rect, Drawing& context);

    // drawRect in passes, for a view that keeps the first ones as an image.
    // The background pass paints what depends only on the rectangle and the
    // background look (background, grid, marker line); the curves pass paints
    // the rest over it: the other channels' pass (the curves not selected),
    // then the selected pass (the selected curve with its markers, labels,
    // border). Each pass first sets the drawing state the ones before it
    // leave, so together they give the pixels of drawRect. The labels belong
    // to the selected pass: a held marker on the plot's edge reaches into
    // them, and they are painted over it.
    void drawBackgroundPass(const ViewRect& rect, Drawing& context);
    void drawCurvesPass(const ViewRect& rect, Drawing& context);
    void drawOtherCurvesPass(const ViewRect& rect, Drawing& context);
    void drawSelectedPass(const ViewRect& rect, Drawing& context);

    // Everything besides the rectangle that the background pass paints from;
    // equal looks in equal rectangles paint equal backgrounds.
    struct BackgroundLook {
        Color background, foreground;
        std::uint8_t xParts = 0, yParts = 0;
        float vLine = -1.0f;  // -1 when the marker line is not shown
        Color vLineColor;
        double paddingTop = 0.0, paddingLeft = 0.0, paddingRight = 0.0, paddingBottom = 0.0;
        friend bool operator==(const BackgroundLook&, const BackgroundLook&) = default;
    };
    BackgroundLook backgroundLook() const;
    // One curve as the other channels' pass paints it.
    struct CurveLook {
        Color color;
        std::vector<CurvePoint> points;
        friend bool operator==(const CurveLook&, const CurveLook&) = default;
    };
    // The curves the other channels' pass paints, in order, which with the
    // background look decide its pixels; none when the selected channel is
    // listed twice, as its markers then show in that pass too.
    std::optional<std::vector<CurveLook>> otherCurvesLook() const;

private:
    // The mapping needs a plot of some size; before the first drawing there is none.
    bool hasLayout() const;
    DayAdjustmentChannel* editableChannel() const;
    void layOut(const ViewRect& rect, Drawing& context);
    // The parts of drawRect, on the context layOut set.
    void paintBackground();
    void paintOtherCurves();
    void paintSelected(const ViewRect& rect);
    // Sets the drawing state the background leaves, for a pass drawn without it.
    void restoreStateAfterBackground();
    bool vLineShown() const { return _vLine >= 0.0f && _vLine <= 1.0f; }

    void drawBackground();
    void drawGrid();
    void drawVLine();
    void drawChannel(const DayAdjustmentChannel& channel);
    // The faint line drawn under very dark curves.
    Color outlineColor() const;
    void drawText();
    void drawLabel();

    std::string _text;
    std::vector<ChannelPtr> _channels;
    std::uint8_t _selectedChannel = 0;
    Color _foreground;
    Color _background;
    ViewRect _drawRect;
    double fw = 0.0, fh = 0.0;
    double w = 0.0, h = 0.0;
    double r = 0.0;
    double x = 0.0, y = 0.0;
    Drawing* c = nullptr;  // only while drawRect runs
    bool _moonMode = false;
    bool _drawBorder = true;
    std::uint8_t _xParts = 12;
    std::uint8_t _yParts = 10;
    float _vLine = -1.0f;
    Color _vLineColor;
    std::vector<std::string> _xLabel{""};
    std::vector<std::string> _yLabel{""};
    double _paddingTop = 55.0;
    double _paddingLeft = 55.0;
    double _paddingRight = 55.0;
    double _paddingBottom = 55.0;
};

}  // namespace aq
