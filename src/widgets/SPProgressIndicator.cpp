#include "widgets/SPProgressIndicator.h"

#include "widgets/Accessibility.h"
#include "link/Log.h"
#include "widgets/Theme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace aq {

SPProgressIndicator::SPProgressIndicator(QWidget* parent) : QWidget(parent) {
    installAccessibility();
    _backRingColor = theme::darkGray();
    _ringColor = theme::white();
    _backColor = theme::clear();
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SPProgressIndicator::setRingColor(const QColor& ring, const QColor& backgroundRing) {
    bool changed = false;
    if (ring != _ringColor) {
        _ringColor = ring;
        changed = true;
    }
    if (backgroundRing != _backRingColor) {
        _backRingColor = backgroundRing;
        changed = true;
    }
    if (changed) {
        resetRings();
        update();
    }
}

void SPProgressIndicator::setBackgroundColor(const QColor& c) {
    if (c == _backColor) return;
    _backColor = c;
    update();
}

void SPProgressIndicator::setRingThickness(double t) {
    if (t == _ringThickness) return;
    _ringThickness = t;
    resetRings();
}

double SPProgressIndicator::ringRadius() const {
    return _ringRadius ? *_ringRadius : width() / 2.0 - _ringThickness;
}

void SPProgressIndicator::setRingRadius(double r) {
    if (_ringRadius && *_ringRadius == r) return;
    _ringRadius = r;
    resetRings();
}

void SPProgressIndicator::sizeToFit() {
    _ringRadius = width() / 2.0 - _ringThickness;
}

void SPProgressIndicator::setOpacity(double o) {
    _opacity = std::clamp(o, 0.0, 1.0);
    update();
}

void SPProgressIndicator::resetRings() {
    _ringsShown = true;
    _strokeEnd = std::clamp(_currentProgress, 0.0, 1.0);
    update();
}

void SPProgressIndicator::showProgress(float progress) {
    logLine(format("-----%f", double(progress)));
    _currentProgress = progress;
    if (progress >= 0) {
        _ringsShown = true;
        _strokeEnd = std::min(1.0, double(progress));
        update();
        announceValueChange(this, std::round(_strokeEnd * 100));
    } else {
        clear();
    }
}

void SPProgressIndicator::clear() {
    _strokeEnd = 0;
    _ringsShown = false;
    update();
}

SPBezierPath SPProgressIndicator::ringPath(const QPointF& centre, double radius) {
    SPBezierPath path;
    const QPolygonF points = ringPolygon(centre, radius);
    path.moveTo(points.first());
    for (int i = 1; i < kRingPoints; ++i) path.lineTo(points[i]);
    path.closePath();
    return path;
}

QPolygonF SPProgressIndicator::ringPolygon(const QPointF& centre, double radius) {
    QPolygonF points;
    for (int i = 0; i < kRingPoints; ++i) {
        // From 90° in 5° steps downward: clockwise on screen, where y grows down.
        const double a = (90.0 - 5.0 * i) * M_PI / 180.0;
        points.append(centre + QPointF(radius * std::cos(a), -radius * std::sin(a)));
    }
    points.append(points.first());
    return points;
}

QPolygonF SPProgressIndicator::ringStroke(const QPointF& centre, double radius, double fraction) {
    const QPolygonF all = ringPolygon(centre, radius);
    const double segments = std::clamp(fraction, 0.0, 1.0) * kRingPoints;
    if (segments <= 0) return {};
    const int whole = int(std::floor(segments));
    QPolygonF part(all.begin(), all.begin() + whole + 1);
    const double rest = segments - whole;
    if (rest > 0 && whole < kRingPoints) {
        part.append(all[whole] + (all[whole + 1] - all[whole]) * rest);
    }
    return part;
}

void SPProgressIndicator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(_opacity);
    p.fillRect(rect(), _backColor);
    if (!_ringsShown) return;
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double r = ringRadius();
    if (r <= 0) return;
    QPen pen(_backRingColor, _ringThickness, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(ringPath(centre, r).quartzPath());
    pen.setColor(_ringColor);
    p.setPen(pen);
    if (_strokeEnd >= 1.0) {
        // A full ring closes on itself instead of ending in two flat cuts.
        p.drawPath(ringPath(centre, r).quartzPath());
        return;
    }
    const QPolygonF stroke = ringStroke(centre, r, _strokeEnd);
    if (stroke.size() >= 2) p.drawPolyline(stroke);
}

}  // namespace aq
