#include "curve/DayAdjustmentGraph.h"

namespace aq {

namespace {

// The axis labels are always white bold 14, whatever the chart's colours.
const TextStyle kLabelStyle{Color{1.0, 1.0, 1.0, 1.0}, 14.0, true};

ViewRect squareAround(const ViewPoint& centre, double half) {
    return ViewRect{centre.x - half, centre.y - half, 2.0 * half, 2.0 * half};
}

// Curves darker than this (navy, purple) all but vanish on the dark chart:
// they get a faint outline in the foreground colour.
constexpr double kDarkLuminance = 0.2;

double luminance(const Color& c) {
    return 0.2126 * c.red + 0.7152 * c.green + 0.0722 * c.blue;
}

}  // namespace

void DayAdjustmentGraph::layOut(const ViewRect& rect, Drawing& context) {
    _drawRect = plotRectFor(rect, _paddingTop, _paddingLeft, _paddingRight, _paddingBottom);
    x = _drawRect.x;
    y = _drawRect.y;
    w = _drawRect.width;
    h = _drawRect.height;
    c = &context;
    fw = rect.width;
    fh = rect.height;
    r = markerRadiusFor(w, h, _xParts, _yParts);
}

void DayAdjustmentGraph::drawRect(const ViewRect& rect, Drawing& context) {
    layOut(rect, context);
    paintBackground();
    paintOtherCurves();
    paintSelected(rect);
    c = nullptr;
}

void DayAdjustmentGraph::drawBackgroundPass(const ViewRect& rect, Drawing& context) {
    layOut(rect, context);
    paintBackground();
    c = nullptr;
}

void DayAdjustmentGraph::drawCurvesPass(const ViewRect& rect, Drawing& context) {
    layOut(rect, context);
    restoreStateAfterBackground();
    paintOtherCurves();
    paintSelected(rect);
    c = nullptr;
}

void DayAdjustmentGraph::drawOtherCurvesPass(const ViewRect& rect, Drawing& context) {
    layOut(rect, context);
    restoreStateAfterBackground();
    paintOtherCurves();
    c = nullptr;
}

void DayAdjustmentGraph::drawSelectedPass(const ViewRect& rect, Drawing& context) {
    layOut(rect, context);
    // The state the other curves leave: the colours of the last one drawn.
    Color stroke = vLineShown() ? _vLineColor : _foreground;
    Color fill = _background;
    const DayAdjustmentChannel* selected = editableChannel();
    for (std::size_t i = 0; i < _channels.size(); ++i) {
        const DayAdjustmentChannel& channel = *_channels[i];
        if (i == _selectedChannel || channel.PointCount() == 0) continue;
        const bool markers = &channel == selected && !_moonMode;
        stroke = markers ? _background : channel.Color();
        if (markers) fill = _foreground;
    }
    c->setFillColor(fill);
    c->setStrokeColor(stroke);
    c->setLineWidth(1.0);
    paintSelected(rect);
    c = nullptr;
}

void DayAdjustmentGraph::restoreStateAfterBackground() {
    // The curves set their own colours, but the border takes the stroke
    // colour left current.
    c->setFillColor(_background);
    c->setStrokeColor(vLineShown() ? _vLineColor : _foreground);
    c->setLineWidth(1.0);
}

void DayAdjustmentGraph::paintBackground() {
    drawBackground();
    drawGrid();
    drawVLine();
}

void DayAdjustmentGraph::paintOtherCurves() {
    for (std::size_t i = 0; i < _channels.size(); ++i) {
        if (i != _selectedChannel) drawChannel(*_channels[i]);
    }
}

void DayAdjustmentGraph::paintSelected(const ViewRect& rect) {
    // The edited curve goes last so that it lies on top.
    if (const DayAdjustmentChannel* selected = editableChannel()) drawChannel(*selected);

    drawText();
    drawLabel();

    if (_drawBorder) {
        c->addRect(rect);
        c->strokePath();
    }
}

std::optional<std::vector<DayAdjustmentGraph::CurveLook>> DayAdjustmentGraph::otherCurvesLook()
    const {
    std::vector<CurveLook> looks;
    const DayAdjustmentChannel* selected = editableChannel();
    for (std::size_t i = 0; i < _channels.size(); ++i) {
        if (i == _selectedChannel) continue;
        const DayAdjustmentChannel& channel = *_channels[i];
        if (&channel == selected) return std::nullopt;
        looks.push_back(CurveLook{
            channel.Color(),
            std::vector<CurvePoint>(channel.Points(), channel.Points() + channel.PointCount())});
    }
    return looks;
}

DayAdjustmentGraph::BackgroundLook DayAdjustmentGraph::backgroundLook() const {
    return BackgroundLook{_background,
                          _foreground,
                          _xParts,
                          _yParts,
                          vLineShown() ? _vLine : -1.0f,
                          vLineShown() ? _vLineColor : Color{},
                          _paddingTop,
                          _paddingLeft,
                          _paddingRight,
                          _paddingBottom};
}

void DayAdjustmentGraph::drawBackground() {
    c->setFillColor(_background);
    c->fillRect(ViewRect{0.0, 0.0, fw, fh});
}

void DayAdjustmentGraph::drawGrid() {
    c->setStrokeColor(_foreground);
    for (int i = 1; i < _xParts; ++i) {
        const double gx = x + w / _xParts * i;
        c->moveTo(ViewPoint{gx, y});
        c->addLineTo(ViewPoint{gx, y + h});
    }
    c->strokePath();
    for (int j = 1; j < _yParts; ++j) {
        const double gy = y + h / _yParts * j;
        c->moveTo(ViewPoint{x, gy});
        c->addLineTo(ViewPoint{x + w, gy});
    }
    c->strokePath();
    c->addRect(_drawRect);
    c->strokePath();
}

void DayAdjustmentGraph::drawVLine() {
    if (vLineShown()) {
        const double vx = x + static_cast<double>(_vLine) * w;
        c->setStrokeColor(_vLineColor);
        c->moveTo(ViewPoint{vx, y});
        c->addLineTo(ViewPoint{vx, y + h});
    }
    c->setLineWidth(4.0);
    c->strokePath();
    c->setLineWidth(1.0);
}

void DayAdjustmentGraph::drawChannel(const DayAdjustmentChannel& channel) {
    const int n = channel.PointCount();
    // An empty channel has no curve to close across midnight: nothing to draw.
    if (n == 0) return;
    const CurvePoint* points = channel.Points();
    const CurvePoint& first = points[0];
    const CurvePoint& last = points[n - 1];

    // The curve repeats every day: carry the last point on toward the next
    // day's first one up to the right edge, and the first point back toward
    // the previous day's last one down to the left edge.
    const auto addCurve = [&] {
        if (last.x < 1.0) {
            const CurvePoint end = onLine(last, CurvePoint{first.x + 1.0, first.y}, 1.0);
            c->moveTo(curveToView(last));
            c->addLineTo(curveToView(end));
        }
        if (first.x > 0.0) {
            const CurvePoint start = onLine(CurvePoint{last.x - 1.0, last.y}, first, 0.0);
            c->moveTo(curveToView(first));
            c->addLineTo(curveToView(start));
        }
        for (int i = 0; i + 1 < n; ++i) {
            c->moveTo(curveToView(points[i]));
            c->addLineTo(curveToView(points[i + 1]));
        }
    };

    const bool isSelected = &channel == editableChannel();
    const double width = isSelected ? 4.0 : 1.0;
    if (luminance(channel.Color()) < kDarkLuminance) {
        c->setStrokeColor(outlineColor());
        c->setLineWidth(width + 2.0);
        addCurve();
        c->strokePath();
    }
    c->setStrokeColor(channel.Color());
    c->setLineWidth(width);
    addCurve();
    c->strokePath();
    c->setLineWidth(1.0);

    if (_moonMode || !isSelected) return;
    c->setStrokeColor(_background);
    c->setFillColor(_foreground);
    const std::int32_t held = channel.SelectedPoint();
    for (int i = 0; i < n; ++i) {
        const double half = i == held ? 1.5 * r : r;
        const ViewRect square = squareAround(curveToView(points[i]), half);
        c->fillEllipseInRect(square);
        c->strokeEllipseInRect(square);
    }
}

Color DayAdjustmentGraph::outlineColor() const {
    return Color{_foreground.red, _foreground.green, _foreground.blue, 0.45};
}

void DayAdjustmentGraph::drawText() {
    // Reserved for the point status text (text()); the chart does not paint it.
}

void DayAdjustmentGraph::drawLabel() {
    // A marker's radius away from the plot, so that the points at its edges
    // do not cover the labels.
    for (int i = 0; i < static_cast<int>(_xLabel.size()) && i <= _xParts; ++i) {
        const std::string& label = _xLabel[static_cast<std::size_t>(i)];
        const ViewSize size = c->measureText(label, kLabelStyle);
        c->drawText(label, ViewPoint{x + i * (w / _xParts) - size.width / 2.0, y + h + r},
                    kLabelStyle);
    }
    for (int j = 0; j < static_cast<int>(_yLabel.size()) && j <= _yParts; ++j) {
        const std::string& label = _yLabel[static_cast<std::size_t>(j)];
        const ViewSize size = c->measureText(label, kLabelStyle);
        c->drawText(
            label,
            ViewPoint{x - size.width - 5.0 - r, y + h - j * (h / _yParts) - size.height / 2.0},
            kLabelStyle);
    }
}

}  // namespace aq
