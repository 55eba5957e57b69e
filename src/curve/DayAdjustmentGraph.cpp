#include "curve/DayAdjustmentGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace aq {

namespace {

double clampUnit(double v) {
    if (v < 0.0) return 0.0;
    if (v > 1.0) return 1.0;
    return v;
}

// Whole value of a fraction scaled up, kept inside 0 .. limit so that the
// status text never converts an out-of-range double. A product a rounding
// error short of a whole number counts as that number (0.29 * 100 is
// 28.999...), as the lamp's units do.
unsigned scaledWhole(double fraction, double scale, unsigned limit) {
    const double v = std::trunc(fraction * scale + 1e-7);
    if (!(v > 0.0)) return 0;
    if (v >= limit) return limit;
    return static_cast<unsigned>(v);
}

}  // namespace

ViewRect plotRectFor(const ViewRect& bounds, double paddingTop, double paddingLeft,
                     double paddingRight, double paddingBottom) {
    return ViewRect{bounds.x + paddingLeft, bounds.y + paddingTop,
                    bounds.width - paddingLeft - paddingRight,
                    bounds.height - paddingTop - paddingBottom};
}

double markerRadiusFor(double plotWidth, double plotHeight, std::uint8_t xParts,
                       std::uint8_t yParts) {
    const double cell = plotWidth > plotHeight ? plotWidth / yParts : plotHeight / xParts;
    return std::min(10.0, cell * 0.5 / 3.0);
}

DayAdjustmentGraph::DayAdjustmentGraph(const Color& background, const Color& foreground)
    : _foreground(foreground), _background(background), _vLineColor(foreground) {}

void DayAdjustmentGraph::channelAdd(ChannelPtr channel) {
    if (!channel || _channels.size() >= 255) return;
    _channels.push_back(std::move(channel));
}

void DayAdjustmentGraph::channelRemove(const ChannelPtr& channel) {
    if (_channels.size() < 2) return;
    const auto it = std::find(_channels.begin(), _channels.end(), channel);
    if (it != _channels.end()) _channels.erase(it);
}

void DayAdjustmentGraph::channelRemoveAt(std::uint8_t index) {
    if (index < _channels.size()) _channels.erase(_channels.begin() + index);
}

DayAdjustmentGraph::ChannelPtr DayAdjustmentGraph::channelAtIndex(std::uint8_t index) const {
    if (index >= _channels.size()) return nullptr;
    return _channels[index];
}

void DayAdjustmentGraph::nextChannel() {
    if (_channels.empty()) return;
    _selectedChannel = static_cast<std::uint8_t>((_selectedChannel + 1) % _channels.size());
}

void DayAdjustmentGraph::setChannel(std::uint8_t n) {
    if (_channels.empty()) return;
    _selectedChannel = static_cast<std::uint8_t>(n % _channels.size());
}

bool DayAdjustmentGraph::hasLayout() const {
    return w != 0.0 && h != 0.0 && std::isfinite(w) && std::isfinite(h);
}

DayAdjustmentChannel* DayAdjustmentGraph::editableChannel() const {
    return _selectedChannel < _channels.size() ? _channels[_selectedChannel].get() : nullptr;
}

CurvePoint DayAdjustmentGraph::viewToCurve(const ViewPoint& position) const {
    return CurvePoint{(position.x - x) / w, 1.0 - (position.y - y) / h};
}

ViewPoint DayAdjustmentGraph::curveToView(const CurvePoint& point) const {
    return ViewPoint{x + point.x * w, y + (1.0 - point.y) * h};
}

std::int32_t DayAdjustmentGraph::getPointOn(const ViewPoint& position) const {
    const DayAdjustmentChannel* channel = editableChannel();
    if (!channel || !hasLayout()) return -1;
    return channel->getPoint(viewToCurve(position), kHitTolerance);
}

CurvePoint DayAdjustmentGraph::getPoint(std::uint8_t index) const {
    const DayAdjustmentChannel* channel = editableChannel();
    if (!channel || index >= channel->PointCount()) return CurvePoint{};
    return channel->Points()[index];
}

void DayAdjustmentGraph::dragPointOn(const ViewPoint& position) {
    if (_moonMode) return;
    DayAdjustmentChannel* channel = editableChannel();
    if (!channel || !hasLayout()) return;
    const std::int32_t hit = channel->getPoint(viewToCurve(position), kHitTolerance);
    if (hit >= 0) channel->setSelectedPoint(hit);
}

bool DayAdjustmentGraph::movePointTo(const ViewPoint& position) {
    DayAdjustmentChannel* channel = editableChannel();
    if (!channel || _moonMode || !hasLayout()) return false;
    const std::int32_t held = channel->SelectedPoint();
    if (held < 0 || held >= channel->PointCount()) return false;
    _text = statusTextFor(channel->moveSelectedTo(viewToCurve(position)));
    return true;
}

std::string DayAdjustmentGraph::statusTextFor(const CurvePoint& p) {
    // The lamp counts whole percent and minutes; show what it will get.
    const unsigned percent = scaledWhole(p.y, 100.0, 255);
    const unsigned minutes = scaledWhole(p.x, 1439.0, 65535);
    const unsigned hours = minutes / 60;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%u%%@%02u:%02u", percent, hours, minutes - 60 * hours);
    return buffer;
}

void DayAdjustmentGraph::dropPoint() {
    if (_moonMode) return;
    if (DayAdjustmentChannel* channel = editableChannel()) channel->setSelectedPoint(-1);
    _text.clear();
}

bool DayAdjustmentGraph::removePointOn(const ViewPoint& position) {
    if (_moonMode) return false;
    DayAdjustmentChannel* channel = editableChannel();
    if (!channel || !hasLayout()) return false;
    const std::int32_t hit = channel->getPoint(viewToCurve(position), kHitTolerance);
    if (hit < 0) return false;
    // A hit counts even when the channel keeps its only point, so the double
    // click does not go on to add one there.
    channel->removePointAt(static_cast<std::uint8_t>(hit));
    return true;
}

void DayAdjustmentGraph::addPointOn(const ViewPoint& position) {
    if (_moonMode) return;
    DayAdjustmentChannel* channel = editableChannel();
    if (!channel || !hasLayout()) return;
    const CurvePoint mapped = viewToCurve(position);
    const CurvePoint p{clampUnit(mapped.x), clampUnit(mapped.y)};
    if (channel->getPoint(p, kHitTolerance) < 0) channel->addPoint(p);
}

void DayAdjustmentGraph::changePoint(std::uint8_t index, float px, float py) {
    if (DayAdjustmentChannel* channel = editableChannel()) channel->setPoint(index, px, py);
}

void DayAdjustmentGraph::adjustChannelAt(std::uint8_t channel, const CurvePoint* points,
                                         std::uint8_t length) {
    if (channel < _channels.size()) _channels[channel]->adjust(points, length);
}

CurvePoint DayAdjustmentGraph::onLine(const CurvePoint& a, const CurvePoint& b, double at) {
    if (b.x == a.x) return CurvePoint{at, a.y};
    return CurvePoint{at, a.y + (b.y - a.y) * (at - a.x) / (b.x - a.x)};
}

std::string DayAdjustmentGraph::channelsAsString() const {
    std::string out;
    for (std::size_t i = 0; i < _channels.size(); ++i) {
        if (i > 0) out.push_back('?');
        out += _channels[i]->channelAsString();
    }
    return out;
}

void DayAdjustmentGraph::channelsFromString(std::string_view text) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < _channels.size(); ++i) {
        const std::size_t end = text.find('?', start);
        _channels[i]->channelFromString(text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
}

}  // namespace aq
