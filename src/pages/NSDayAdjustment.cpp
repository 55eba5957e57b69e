#include "pages/NSDayAdjustment.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "link/Log.h"
#include "pages/AQAdjustController.h"
#include "platform/QPainterDrawing.h"

namespace aq {

namespace {
ViewPoint toView(const QPointF& p) {
    return ViewPoint{p.x(), p.y()};
}

QFont statusFont(const QFont& base) {
    QFont font = base;
    font.setBold(true);
    font.setPointSizeF(12.0);
    return font;
}
}  // namespace

NSDayAdjustment::NSDayAdjustment(QWidget* parent) : QWidget(parent) {
    initMembers();
}

NSDayAdjustment::~NSDayAdjustment() = default;

void NSDayAdjustment::initMembers() {
    _drag = false;
    _daGraph =
        std::make_unique<DayAdjustmentGraph>(Color{0.0, 0.0, 0.0, 1.0}, Color{1.0, 1.0, 1.0, 1.0});
    _daGraph->channelAdd(std::make_shared<DayAdjustmentChannel>(Color{0.0, 0.0, 0.0, 1.0}));
    setMoonMode(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
}

void NSDayAdjustment::setChannel(std::uint8_t n) {
    _daGraph->setChannel(n);
    update();
}

void NSDayAdjustment::setMoonMode(bool on) {
    _moonMode = on;
    // The graph refuses edits by its own flag; set it now rather than at the
    // next paint, so a double click before that paint cannot edit.
    _daGraph->setMoonMode(on);
    update();
}

void NSDayAdjustment::mouseDown(const QPointF& position) {
    _mouseDown = true;
    if (!_moonMode) {
        _daGraph->dragPointOn(toView(position));
        update();
    }
}

void NSDayAdjustment::mouseDragged(const QPointF& position) {
    if (_moonMode) return;
    if (_daGraph->movePointTo(toView(position))) {
        update();
        return;
    }
    if (!_drag) {
        // The first event of a whole-curve drag only records where it starts.
        _drag = true;
    } else if (const auto channel = _daGraph->selectedChannel()) {
        const double dx = position.x() - _lastDrag.x();
        channel->move(static_cast<float>(dx / width()));
        // Moving the mouse up raises the curve.
        const double dy = _lastDrag.y() - position.y();
        channel->moveV(static_cast<float>(dy / height()));
        update();
    }
    _lastDrag = position;
    update();
}

void NSDayAdjustment::mouseUp(const QPointF& position, int clickCount) {
    _mouseDown = false;
    _drag = false;
    if (clickCount == 2) {
        // The graph itself refuses both in moon mode.
        if (!_daGraph->removePointOn(toView(position))) _daGraph->addPointOn(toView(position));
        update();
    } else if (!_moonMode) {
        _daGraph->dropPoint();
        update();
    }
}

void NSDayAdjustment::rightMouseDown(const QPointF& position) {
    if (_moonMode) return;
    const std::int32_t i = _daGraph->getPointOn(toView(position));
    logLine(format("pn in %i", i));
    if (i < 0 || !_wnd) return;
    const CurvePoint p = _daGraph->getPoint(static_cast<std::uint8_t>(i));
    if (!_adjustSheet) {
        _adjustSheet = std::make_unique<AQAdjustController>();
        _adjustSheet->setTitle(QStringLiteral("Set point"));
        logLine(format("pn mid %i", i));
    }
    QPointer<NSDayAdjustment> view(this);
    _adjustSheet->setOnDone([view, i](float w, float h) {
        logLine(format("pn out %i", i));
        if (!view) return;
        view->_daGraph->changePoint(static_cast<std::uint8_t>(i), w, h);
        view->update();
    });
    _adjustSheet->openSheet(_wnd, static_cast<float>(p.x), static_cast<float>(p.y));
}

QString NSDayAdjustment::statusText() const {
    if (!_mouseDown) return QString();
    return QString::fromStdString(_daGraph->text());
}

QRectF NSDayAdjustment::statusTextRect(const QPointF& point, double markerRadius,
                                       const QSizeF& size, const QRectF& bounds) {
    const double gap = 2.0 * markerRadius + 6.0;
    double left = point.x() + gap;
    if (left + size.width() > bounds.right()) left = point.x() - gap - size.width();
    double top = point.y() - gap - size.height();
    if (top < bounds.top()) top = point.y() + gap;
    // A box larger than the bounds still starts inside them.
    left = std::max(bounds.left(), std::min(left, bounds.right() - size.width()));
    top = std::max(bounds.top(), std::min(top, bounds.bottom() - size.height()));
    return QRectF(QPointF(left, top), size);
}

void NSDayAdjustment::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPainterDrawing drawing(painter);
    _daGraph->setMoonMode(_moonMode);
    // The chart lays itself out on the whole view, so every redraw paints all of it.
    _daGraph->drawRect(ViewRect{0.0, 0.0, double(width()), double(height())}, drawing);
    drawStatusText(painter);
}

void NSDayAdjustment::drawStatusText(QPainter& painter) {
    const QString text = statusText();
    const auto channel = _daGraph->selectedChannel();
    if (text.isEmpty() || !channel) return;
    const std::int32_t held = channel->SelectedPoint();
    if (held < 0 || held >= channel->PointCount()) return;
    const ViewPoint at = _daGraph->curveToView(channel->Points()[held]);

    const QFont font = statusFont(painter.font());
    const QFontMetricsF metrics(font);
    const QSizeF size(metrics.horizontalAdvance(text) + 16.0, metrics.height() + 8.0);
    const QRectF area = QRectF(rect()).adjusted(2, 2, -2, -2);
    const QRectF box = statusTextRect(QPointF(at.x, at.y), _daGraph->markerRadius(), size, area);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 160), 1.0));
    painter.setBrush(QColor(24, 24, 28, 225));
    painter.drawRoundedRect(box, 5.0, 5.0);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, text);
    painter.restore();
}

void NSDayAdjustment::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        _clickCount = 1;
        mouseDown(event->position());
    } else if (event->button() == Qt::RightButton) {
        rightMouseDown(event->position());
    }
}

void NSDayAdjustment::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        // Some platforms send the second press as this event alone, others
        // send a press first; either way the next release ends a double click.
        if (!_mouseDown) mouseDown(event->position());
        _clickCount = 2;
    } else if (event->button() == Qt::RightButton) {
        rightMouseDown(event->position());
    }
}

void NSDayAdjustment::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) mouseDragged(event->position());
}

void NSDayAdjustment::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    mouseUp(event->position(), _clickCount);
    _clickCount = 1;
}

}  // namespace aq
