#include "pages/NSDayAdjustment.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "link/Log.h"
#include "pages/AQAdjustController.h"
#include "pages/DayChartAccessibility.h"

#include <algorithm>
#include <cmath>

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
    installDayChartAccessibility();
    initMembers();
    setToolTip(
        tr("Drag a point to move it, or drag beside the points to shift the whole curve. "
           "Double-click to add or remove a point; right-click a point to type its time "
           "and intensity.\nKeys: Tab picks the next point, the arrow keys move it (with "
           "Shift in larger steps), Delete removes it, Insert adds one, 1 to 9 pick the "
           "channel."));
}

QString NSDayAdjustment::spokenValue() const {
    const auto channel = _daGraph->selectedChannel();
    if (!channel) return QString();
    const QString name = QString::fromStdString(channel->name());
    if (const std::int32_t held = keyPoint(); held >= 0) {
        return tr("%1, point %2 of %3: %4")
            .arg(name)
            .arg(held + 1)
            .arg(channel->PointCount())
            .arg(QString::fromStdString(
                DayAdjustmentGraph::statusTextFor(channel->Points()[held])));
    }
    return tr("%1, %2 points").arg(name).arg(channel->PointCount());
}

void NSDayAdjustment::announceValue() {
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent event(this, spokenValue());
    QAccessible::updateAccessibility(&event);
}

NSDayAdjustment::~NSDayAdjustment() = default;

void NSDayAdjustment::initMembers() {
    _drag = false;
    _daGraph =
        std::make_unique<DayAdjustmentGraph>(Color{0.0, 0.0, 0.0, 1.0}, Color{1.0, 1.0, 1.0, 1.0});
    _daGraph->channelAdd(std::make_shared<DayAdjustmentChannel>(Color{0.0, 0.0, 0.0, 1.0}));
    setMoonMode(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void NSDayAdjustment::setChannel(std::uint8_t n) {
    dropKeyPoint();
    _daGraph->setChannel(n);
    update();
    announceValue();
}

void NSDayAdjustment::reportEdit(std::uint8_t channel, std::vector<CurvePoint> before,
                                 const QString& what) {
    std::vector<CurvePoint> after = channelPoints(*_daGraph, channel);
    if (after == before) return;
    announceValue();
    if (!_onEdit) return;
    _onEdit(ChannelChange{channel, std::move(before), std::move(after)}, what);
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
        // A point the keyboard held must not follow the mouse.
        dropKeyPoint();
        _pressChannel = _daGraph->selectedChannelIndex();
        _pressBefore = channelPoints(*_daGraph, _pressChannel);
        _daGraph->dragPointOn(toView(position));
        const auto channel = _daGraph->selectedChannel();
        _pressHeldPoint = channel && channel->SelectedPoint() >= 0;
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
        const std::uint8_t ch = _daGraph->selectedChannelIndex();
        std::vector<CurvePoint> before = channelPoints(*_daGraph, ch);
        if (_daGraph->removePointOn(toView(position))) {
            reportEdit(ch, std::move(before), tr("remove point"));
        } else {
            _daGraph->addPointOn(toView(position));
            reportEdit(ch, std::move(before), tr("add point"));
        }
        update();
    } else if (!_moonMode) {
        _daGraph->dropPoint();
        reportEdit(_pressChannel, std::move(_pressBefore),
                   _pressHeldPoint ? tr("move point") : tr("move curve"));
        _pressBefore.clear();
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
        _adjustSheet->setTitle(tr("Set point"));
        logLine(format("pn mid %i", i));
    }
    QPointer<NSDayAdjustment> view(this);
    const std::uint8_t ch = _daGraph->selectedChannelIndex();
    _adjustSheet->setOnDone([view, i, ch](float w, float h) {
        logLine(format("pn out %i", i));
        if (!view) return;
        // The curve the sheet was opened on, even if another one is selected now.
        if (view->_daGraph->selectedChannelIndex() != ch) return;
        std::vector<CurvePoint> before = channelPoints(*view->_daGraph, ch);
        view->_daGraph->changePoint(static_cast<std::uint8_t>(i), w, h);
        view->reportEdit(ch, std::move(before), tr("adjust point"));
        view->update();
    });
    _adjustSheet->openSheet(_wnd, static_cast<float>(p.x), static_cast<float>(p.y));
}

QString NSDayAdjustment::statusText() const {
    if (const std::int32_t held = keyPoint(); held >= 0) {
        return QString::fromStdString(
            DayAdjustmentGraph::statusTextFor(_daGraph->selectedChannel()->Points()[held]));
    }
    if (!_mouseDown) return QString();
    return QString::fromStdString(_daGraph->text());
}

std::int32_t NSDayAdjustment::keyPoint() const {
    const auto channel = _daGraph->selectedChannel();
    if (!_keyHeld || !channel || _moonMode) return -1;
    const std::int32_t held = channel->SelectedPoint();
    return held >= 0 && held < channel->PointCount() ? held : -1;
}

void NSDayAdjustment::dropKeyPoint() {
    if (!_keyHeld) return;
    _keyHeld = false;
    if (const auto channel = _daGraph->selectedChannel()) channel->setSelectedPoint(-1);
    update();
}

bool NSDayAdjustment::stepKeyPoint(int step) {
    const auto channel = _daGraph->selectedChannel();
    if (_moonMode || !channel || channel->PointCount() == 0) return false;
    const int n = channel->PointCount();
    const std::int32_t held = keyPoint();
    const int next = held < 0 ? (step > 0 ? 0 : n - 1) : held + step;
    if (next < 0 || next >= n) {
        dropKeyPoint();
        return false;
    }
    // Putting the points in order first keeps the indices meaning time order.
    channel->setSelectedPoint(-1);
    channel->setSelectedPoint(next);
    _keyHeld = true;
    update();
    announceValue();
    return true;
}

void NSDayAdjustment::moveKeyPoint(int minutes, int percent) {
    const std::int32_t held = keyPoint();
    if (held < 0) return;
    const auto channel = _daGraph->selectedChannel();
    const std::uint8_t ch = _daGraph->selectedChannelIndex();
    std::vector<CurvePoint> before = channelPoints(*_daGraph, ch);
    // Steps on the lamp's whole minutes and percent, as the status text shows.
    const CurvePoint p = channel->Points()[held];
    const double m = std::clamp(std::round(p.x * 1439.0) + minutes, 0.0, 1439.0);
    const double pc = std::clamp(std::round(p.y * 100.0) + percent, 0.0, 100.0);
    channel->moveSelectedTo(CurvePoint{m / 1439.0, pc / 100.0});
    reportEdit(ch, std::move(before), tr("move point"));
    update();
}

void NSDayAdjustment::removeKeyPoint() {
    const std::int32_t held = keyPoint();
    if (held < 0) return;
    const auto channel = _daGraph->selectedChannel();
    const std::uint8_t ch = _daGraph->selectedChannelIndex();
    std::vector<CurvePoint> before = channelPoints(*_daGraph, ch);
    channel->removePointAt(static_cast<std::uint8_t>(held));
    // The next point is held, or the one before when the last one went.
    channel->setSelectedPoint(std::min<std::int32_t>(held, channel->PointCount() - 1));
    reportEdit(ch, std::move(before), tr("remove point"));
    update();
}

void NSDayAdjustment::insertAfterKeyPoint() {
    const std::int32_t held = keyPoint();
    if (held < 0) return;
    const auto channel = _daGraph->selectedChannel();
    const int n = channel->PointCount();
    if (n >= DayAdjustmentChannel::kMaxPoints) return;
    const std::uint8_t ch = _daGraph->selectedChannelIndex();
    std::vector<CurvePoint> before = channelPoints(*_daGraph, ch);
    const CurvePoint a = channel->Points()[held];
    // After the last point the segment runs on to the next day's first one.
    const CurvePoint b = held + 1 < n
                             ? channel->Points()[held + 1]
                             : CurvePoint{channel->Points()[0].x + 1.0, channel->Points()[0].y};
    CurvePoint mid = DayAdjustmentGraph::onLine(a, b, (a.x + b.x) / 2.0);
    if (mid.x > 1.0) mid.x -= 1.0;
    channel->setSelectedPoint(-1);
    channel->addPoint(mid);
    const CurvePoint* points = channel->Points();
    const auto at = std::find_if(points, points + channel->PointCount(),
                                 [&](const CurvePoint& p) { return p.x == mid.x && p.y == mid.y; });
    channel->setSelectedPoint(static_cast<std::int32_t>(at - points));
    reportEdit(ch, std::move(before), tr("add point"));
    update();
}

bool NSDayAdjustment::event(QEvent* event) {
    // Tab walks the points before it walks the focus chain.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plain && key->key() == Qt::Key_Tab && stepKeyPoint(1)) return true;
        if (plain && key->key() == Qt::Key_Backtab && stepKeyPoint(-1)) return true;
    }
    return QWidget::event(event);
}

void NSDayAdjustment::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const int minutes = shift ? 15 : 1;
    const int percent = shift ? 10 : 1;
    const int key = event->key();
    if (key >= Qt::Key_1 && key <= Qt::Key_9 && !(event->modifiers() & Qt::ControlModifier)) {
        const int n = key - Qt::Key_1;
        if (n < _daGraph->channelCount()) {
            setChannel(static_cast<std::uint8_t>(n));
            if (_onChannelPicked) _onChannelPicked(static_cast<std::uint8_t>(n));
        }
        return;
    }
    if (_moonMode || _mouseDown || keyPoint() < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (key) {
        case Qt::Key_Left:
            moveKeyPoint(-minutes, 0);
            break;
        case Qt::Key_Right:
            moveKeyPoint(minutes, 0);
            break;
        case Qt::Key_Up:
            moveKeyPoint(0, percent);
            break;
        case Qt::Key_Down:
            moveKeyPoint(0, -percent);
            break;
        case Qt::Key_Delete:
            removeKeyPoint();
            break;
        case Qt::Key_Insert:
            insertAfterKeyPoint();
            break;
        case Qt::Key_Escape:
            dropKeyPoint();
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
}

void NSDayAdjustment::focusOutEvent(QFocusEvent* event) {
    // A popup (a menu, a sheet) takes the focus for a moment; the point stays held.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
        dropKeyPoint();
    }
    QWidget::focusOutEvent(event);
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
    _daGraph->setMoonMode(_moonMode);
    // The chart lays itself out on the whole view, so every redraw paints all of it.
    _chartPainter.paint(painter, *_daGraph, ViewRect{0.0, 0.0, double(width()), double(height())});
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
