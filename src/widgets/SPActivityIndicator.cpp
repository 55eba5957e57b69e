#include "widgets/SPActivityIndicator.h"

#include "widgets/Accessibility.h"
#include "widgets/Theme.h"

#include <QAccessible>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace aq {

SPActivityIndicator::SPActivityIndicator(QWidget* parent) : QWidget(parent) {
    installAccessibility();
    _foreColor = theme::black();
    _backColor = theme::clear();
    for (int i = 0; i < kFinCount; ++i) _finColors.append(_foreColor);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

SPActivityIndicator::FinGeometry SPActivityIndicator::finGeometry(const QSizeF& size) {
    const double s = std::min(size.width(), size.height());
    return FinGeometry{s, 0.234375 * s, 0.421875 * s, 0.0859375 * s};
}

QLineF SPActivityIndicator::finLine(const QSizeF& size, int i) {
    const FinGeometry g = finGeometry(size);
    const QPointF c(size.width() / 2, size.height() / 2);
    // Screen y grows downward: 12 o'clock is -y, counter-clockwise is a
    // negative turn from there.
    const double a = (90.0 + 360.0 / kFinCount * i) * M_PI / 180.0;
    const QPointF dir(std::cos(a), -std::sin(a));
    return QLineF(c + dir * g.inner, c + dir * g.outer);
}

bool SPActivityIndicator::timerRunning() const {
    return _animationTimer && _animationTimer->isActive();
}

void SPActivityIndicator::setColor(const QColor& c) {
    if (c == _foreColor) return;
    _foreColor = c;
    for (QColor& fin : _finColors) {
        const float alpha = fin.alphaF();
        fin = c;
        fin.setAlphaF(alpha);
    }
    update();
}

void SPActivityIndicator::setBackgroundColor(const QColor& c) {
    if (c == _backColor) return;
    _backColor = c;
    update();
}

void SPActivityIndicator::setOpacity(double o) {
    _opacity = std::clamp(o, 0.0, 1.0);
    update();
}

void SPActivityIndicator::startAnimation() {
    if (_isAnimating && !_isFadingOut) return;
    stop();
    _isAnimating = true;
    _isFadingOut = false;
    _position = 1;
    if (!_animationTimer) {
        _animationTimer = new QTimer(this);
        _animationTimer->setInterval(kTickMs);
        _animationTimer->setTimerType(Qt::PreciseTimer);
        connect(_animationTimer, &QTimer::timeout, this, &SPActivityIndicator::updateFrame);
    }
    _animationTimer->start();
    announceBusy();
}

void SPActivityIndicator::stopAnimation() {
    _isFadingOut = true;
}

void SPActivityIndicator::stop() {
    const bool was = _isAnimating;
    _isAnimating = false;
    _isFadingOut = false;
    if (_animationTimer) _animationTimer->stop();
    if (was) announceBusy();
}

void SPActivityIndicator::announceBusy() {
    if (!QAccessible::isActive()) return;
    QAccessible::State busy;
    busy.busy = true;
    QAccessibleStateChangeEvent event(this, busy);
    QAccessible::updateAccessibility(&event);
}

void SPActivityIndicator::updateFrame() {
    _position = _position < 1 ? kFinCount - 1 : _position - 1;
    for (QColor& fin : _finColors) {
        const double alpha = std::max(kFloorAlpha, fin.alphaF() * 0.85);
        fin = _foreColor;
        fin.setAlphaF(float(alpha));
    }
    if (_isFadingOut) {
        const bool faded = std::all_of(_finColors.begin(), _finColors.end(), [](const QColor& c) {
            return std::abs(c.alphaF() - kFloorAlpha) < 0.01;
        });
        if (faded) {
            stop();
            update();
            return;
        }
    } else {
        QColor bright = _foreColor;
        bright.setAlphaF(1.0f);
        _finColors[_position] = bright;
    }
    update();
}

void SPActivityIndicator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(_opacity);
    p.fillRect(rect(), _backColor);
    const FinGeometry g = finGeometry(size());
    QColor resting = _foreColor;
    resting.setAlphaF(float(kFloorAlpha));
    for (int i = 0; i < kFinCount; ++i) {
        QPen pen(_isAnimating ? _finColors[i] : resting, g.width, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.drawLine(finLine(size(), i));
    }
}

}  // namespace aq
