#include "widgets/AQSlider.h"

#include "widgets/Accessibility.h"
#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace aq {

AQSlider::AQSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    installAccessibility();
    _fullLineColor = theme::gray();
    _valueLineColor = theme::accent();
    _knobColor = theme::white();
    setRange(0, 100);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void AQSlider::setFullLineColor(const QColor& c) {
    _fullLineColor = c;
    update();
}
void AQSlider::setValueLineColor(const QColor& c) {
    _valueLineColor = c;
    update();
}
void AQSlider::setKnobColor(const QColor& c) {
    _knobColor = c;
    update();
}

AQSlider::Geometry AQSlider::geometry(double width, double height, double percent) {
    Geometry g{};
    g.knobRadius = height * 0.8 * 0.5;
    g.centreY = height / 2;
    g.knobX = std::max(0.0, width - 2 * g.knobRadius) * percent * 0.01;
    g.track = QLineF(0, g.centreY, width, g.centreY);
    g.valueBar = QLineF(0, g.centreY, g.knobX, g.centreY);
    g.knob = QRectF(g.knobX, g.centreY - g.knobRadius, 2 * g.knobRadius, 2 * g.knobRadius);
    return g;
}

double AQSlider::percentAt(double x, double width, double height) {
    const double k = height * 0.8 * 0.5;
    const double travel = width - 2 * k;
    if (travel <= 0) return 0;
    return (x - k) / travel * 100.0;
}

double AQSlider::percent() const {
    const int span = maximum() - minimum();
    if (span <= 0) return 0;
    return double(value() - minimum()) * 100.0 / span;
}

int AQSlider::valueAt(double x) const {
    const double pc = std::clamp(percentAt(x, width(), height()), 0.0, 100.0);
    return minimum() + int(std::lround(pc * 0.01 * (maximum() - minimum())));
}

QSize AQSlider::sizeHint() const {
    return QSize(160, 20);
}
QSize AQSlider::minimumSizeHint() const {
    return QSize(40, 16);
}

void AQSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) p.setOpacity(0.4);
    const Geometry g = geometry(width(), height(), percent());
    p.setPen(QPen(_fullLineColor, 2.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(g.track);
    if (g.knobX > 0) {
        p.setPen(QPen(_valueLineColor, 5.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(g.valueBar);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(_knobColor);
    p.drawEllipse(g.knob);
    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(theme::focusRing(), 1.5));
        p.drawEllipse(g.knob.adjusted(0.75, 0.75, -0.75, -0.75));
    }
}

void AQSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || maximum() == minimum()) {
        event->ignore();
        return;
    }
    event->accept();
    const Geometry g = geometry(width(), height(), percent());
    const double x = event->position().x();
    // Taking the knob drags it from where it was taken; a press on the
    // track moves the knob's centre there at once.
    const bool onKnob = g.knob.contains(event->position());
    _grabOffset = onKnob ? x - g.knob.center().x() : 0.0;
    _dragged = false;
    setSliderDown(true);
    // Taking hold of the knob leaves the value as it is: the knob's centre
    // may round to a neighbouring value.
    if (onKnob) return;
    setSliderPosition(valueAt(x));
    triggerAction(SliderMove);
}

void AQSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!isSliderDown()) {
        event->ignore();
        return;
    }
    event->accept();
    const int position = valueAt(event->position().x() - _grabOffset);
    if (position == sliderPosition()) return;
    _dragged = true;
    setSliderPosition(position);
}

void AQSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!isSliderDown() || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    setSliderDown(false);
    _grabOffset = 0;
}

}  // namespace aq
