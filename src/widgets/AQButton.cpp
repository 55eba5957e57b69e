#include "widgets/AQButton.h"

#include "widgets/Accessibility.h"
#include "widgets/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace aq {

namespace {

QPainterPath roundedPath(const QRectF& r, double radius) {
    QPainterPath path;
    if (radius > 0) {
        path.addRoundedRect(r, radius, radius);
    } else {
        path.addRect(r);
    }
    return path;
}

const QString kTick = QStringLiteral("\u2713");

}  // namespace

AQButton::AQButton(QWidget* parent) : QPushButton(parent) {
    init();
}

AQButton::AQButton(const QString& title, QWidget* parent) : QPushButton(title, parent) {
    init();
}

void AQButton::init() {
    installAccessibility();
    _borderColor = theme::gray();
    _borderSize = 1.0;
    _borderCornerRadius = 5.0;
    _textColor = theme::white();
    _backgroundColor = theme::black();
    _textColorPressed = theme::white();
    _backgroundColorPressed = theme::accent();
    _toggleButton = false;
    _checkboxButton = false;
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void AQButton::setBorderColor(const QColor& c) {
    _borderColor = c;
    update();
}
void AQButton::setBorderSize(double b) {
    _borderSize = b;
    update();
}
void AQButton::setBorderCornerRadius(double r) {
    _borderCornerRadius = r;
    update();
}
void AQButton::setTextColor(const QColor& c) {
    _textColor = c;
    update();
}
void AQButton::setBackgroundColor(const QColor& c) {
    _backgroundColor = c;
    update();
}
void AQButton::setTextColorPressed(const QColor& c) {
    _textColorPressed = c;
    update();
}
void AQButton::setBackgroundColorPressed(const QColor& c) {
    _backgroundColorPressed = c;
    update();
}
void AQButton::setToggleButton(bool on) {
    _toggleButton = on;
    setCheckable(_toggleButton || _checkboxButton);
    update();
}
void AQButton::setCheckboxButton(bool on) {
    _checkboxButton = on;
    setCheckable(_toggleButton || _checkboxButton);
    updateGeometry();
    update();
}

QRectF AQButton::innerRect(const QRectF& bounds, double border) {
    return QRectF(bounds.x() + border / 2, bounds.y() + border / 2, bounds.width() - border,
                  bounds.height() - border);
}

QRectF AQButton::checkboxRect(const QRectF& bounds, double border) {
    const double side = bounds.height() - border;
    return QRectF(bounds.x() + border / 2, bounds.y() + border / 2, side, side);
}

QColor AQButton::fillColor(bool highlighted) const {
    return highlighted ? _backgroundColorPressed : _backgroundColor;
}

QColor AQButton::titleColor(bool highlighted, bool on, bool enabled) const {
    if (highlighted) return _textColorPressed;
    if (_toggleButton && on) return _backgroundColorPressed;
    if (enabled) return _textColor;
    return _borderColor;
}

QSize AQButton::sizeHint() const {
    const QFontMetricsF fm(font());
    const int h = std::max(24, int(fm.height() + 10));
    if (_checkboxButton) return QSize(h, h);
    const double radius = std::max(0.0, _borderCornerRadius);
    const int w = int(fm.horizontalAdvance(text()) + 2 * (radius + 8) + _borderSize * 2);
    return QSize(std::max(w, h), h);
}

QSize AQButton::minimumSizeHint() const {
    return sizeHint();
}

void AQButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(font());
    // The whole bounds on every pass: a partial repaint must not draw a
    // smaller button into the damaged area.
    const QRectF bounds = QRectF(rect());
    const double b = _borderSize;
    const double r = _borderCornerRadius;
    QPen border(_borderColor, b);
    border.setJoinStyle(Qt::RoundJoin);

    if (_checkboxButton) {
        const QRectF box = checkboxRect(bounds, b);
        p.setPen(border);
        p.setBrush(Qt::NoBrush);
        p.drawPath(roundedPath(box, r));
        if (isChecked()) {
            p.setPen(_textColor);
            p.drawText(box, Qt::AlignCenter, kTick);
        }
        if (hasFocus()) {
            p.setPen(QPen(theme::focusRing(), 1.0));
            p.drawPath(roundedPath(box.adjusted(-1.5, -1.5, 1.5, 1.5), r + 1.5));
        }
        return;
    }

    const QRectF inner = innerRect(bounds, b);
    const bool highlighted = isDown();
    p.setPen(Qt::NoPen);
    p.setBrush(fillColor(highlighted));
    p.drawPath(roundedPath(inner, r));
    p.setPen(border);
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedPath(inner, r));
    if (hasFocus()) {
        const double inset = b / 2 + 1.5;
        p.setPen(QPen(theme::focusRing(), 1.0));
        p.drawPath(
            roundedPath(inner.adjusted(inset, inset, -inset, -inset), std::max(0.0, r - inset)));
    }
    p.setPen(titleColor(highlighted, isChecked(), isEnabled()));
    p.drawText(inner, Qt::AlignCenter | Qt::TextShowMnemonic, text());
}

}  // namespace aq
