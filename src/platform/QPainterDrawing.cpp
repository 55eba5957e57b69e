#include "platform/QPainterDrawing.h"

#include <QGuiApplication>
#include <QPen>
#include <QString>

#include <algorithm>
#include <cmath>

namespace aq {

namespace {

float unit(double v) {
    if (!(v > 0.0)) return 0.0f;
    return v >= 1.0 ? 1.0f : static_cast<float>(v);
}

QRectF toQRect(const ViewRect& r) { return QRectF(r.x, r.y, r.width, r.height); }

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QColor toQColor(const Color& color) {
    return QColor::fromRgbF(unit(color.red), unit(color.green), unit(color.blue),
                            unit(color.alpha));
}

QPainterDrawing::QPainterDrawing(QPainter& painter) : _painter(painter) {
    _painter.setRenderHint(QPainter::Antialiasing, true);
    _painter.setRenderHint(QPainter::TextAntialiasing, true);
}

void QPainterDrawing::setFillColor(const Color& color) { _fill = toQColor(color); }

void QPainterDrawing::setStrokeColor(const Color& color) { _stroke = toQColor(color); }

void QPainterDrawing::setLineWidth(double width) { _lineWidth = width; }

QPen QPainterDrawing::strokePen() const {
    QPen pen(_stroke, _lineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10.0);
    return pen;
}

void QPainterDrawing::fillRect(const ViewRect& rect) { _painter.fillRect(toQRect(rect), _fill); }

void QPainterDrawing::addRect(const ViewRect& rect) { _path.addRect(toQRect(rect)); }

void QPainterDrawing::moveTo(const ViewPoint& point) { _path.moveTo(point.x, point.y); }

void QPainterDrawing::addLineTo(const ViewPoint& point) { _path.lineTo(point.x, point.y); }

void QPainterDrawing::strokePath() {
    if (!_path.isEmpty()) _painter.strokePath(_path, strokePen());
    _path.clear();
}

void QPainterDrawing::fillEllipseInRect(const ViewRect& rect) {
    _painter.setPen(Qt::NoPen);
    _painter.setBrush(_fill);
    _painter.drawEllipse(toQRect(rect));
}

void QPainterDrawing::strokeEllipseInRect(const ViewRect& rect) {
    _painter.setPen(strokePen());
    _painter.setBrush(Qt::NoBrush);
    _painter.drawEllipse(toQRect(rect));
}

const QFontMetricsF& QPainterDrawing::metricsFor(const TextStyle& style) {
    if (!_fontStyle || _fontStyle->size != style.size || _fontStyle->bold != style.bold) {
        _font = QGuiApplication::font();
        // Sizes are in view units, which are device-independent pixels here.
        _font.setPixelSize(std::max(1, static_cast<int>(std::lround(style.size))));
        _font.setBold(style.bold);
        _metrics.emplace(_font);
        _fontStyle = style;
    }
    return *_metrics;
}

ViewSize QPainterDrawing::measureText(std::string_view text, const TextStyle& style) {
    const QFontMetricsF& metrics = metricsFor(style);
    return ViewSize{metrics.horizontalAdvance(toQString(text)), metrics.height()};
}

void QPainterDrawing::drawText(std::string_view text, const ViewPoint& topLeft,
                               const TextStyle& style) {
    const QFontMetricsF& metrics = metricsFor(style);
    _painter.setFont(_font);
    _painter.setPen(toQColor(style.color));
    _painter.drawText(QPointF(topLeft.x, topLeft.y + metrics.ascent()), toQString(text));
}

}  // namespace aq
