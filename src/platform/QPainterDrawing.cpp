#include "platform/QPainterDrawing.h"

#include <QGuiApplication>
#include <QImage>
#include <QPen>
#include <QString>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace aq {

namespace {

float unit(double v) {
    if (!(v > 0.0)) return 0.0f;
    return v >= 1.0 ? 1.0f : static_cast<float>(v);
}

QRectF toQRect(const ViewRect& r) {
    return QRectF(r.x, r.y, r.width, r.height);
}

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

void QPainterDrawing::setFillColor(const Color& color) {
    _fill = toQColor(color);
}

void QPainterDrawing::setStrokeColor(const Color& color) {
    _stroke = toQColor(color);
}

void QPainterDrawing::setLineWidth(double width) {
    _lineWidth = width;
}

QPen QPainterDrawing::strokePen() const {
    QPen pen(_stroke, _lineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10.0);
    return pen;
}

void QPainterDrawing::fillRect(const ViewRect& rect) {
    _painter.fillRect(toQRect(rect), _fill);
}

void QPainterDrawing::addRect(const ViewRect& rect) {
    _path.addRect(toQRect(rect));
}

void QPainterDrawing::moveTo(const ViewPoint& point) {
    _path.moveTo(point.x, point.y);
}

void QPainterDrawing::addLineTo(const ViewPoint& point) {
    _path.lineTo(point.x, point.y);
}

void QPainterDrawing::strokePath() {
    if (!_path.isEmpty()) _painter.strokePath(_path, strokePen());
    _path.clear();
}

void QPainterDrawing::fillEllipseInRect(const ViewRect& rect) {
    drawEllipse(rect, false);
}

void QPainterDrawing::strokeEllipseInRect(const ViewRect& rect) {
    drawEllipse(rect, true);
}

// Markers drawn once and copied after; a view makes a new adapter for each
// repaint, so the images live with the painting thread, not with the adapter.
struct SpriteCache {
    std::unordered_map<QPainterDrawing::SpriteKey, QImage, QPainterDrawing::SpriteKeyHash> images;
};

namespace {
SpriteCache& spriteCache() {
    thread_local SpriteCache cache;
    return cache;
}
}  // namespace

std::size_t QPainterDrawing::SpriteKeyHash::operator()(const SpriteKey& k) const {
    std::size_t h = k.stroke ? 1 : 0;
    for (std::int64_t v : {std::int64_t(k.color), std::int64_t(k.width), std::int64_t(k.height),
                           std::int64_t(k.lineWidth), std::int64_t(k.offsetX * 8 + k.offsetY)}) {
        h = h * 1000003u ^ std::hash<std::int64_t>()(v);
    }
    return h;
}

bool QPainterDrawing::spritesUsable(const ViewRect& rect) const {
    const QTransform t = _painter.deviceTransform();
    return t.type() <= QTransform::TxTranslate && t.dx() == std::floor(t.dx()) &&
           t.dy() == std::floor(t.dy()) && _painter.opacity() == 1.0 &&
           _painter.compositionMode() == QPainter::CompositionMode_SourceOver && rect.width > 0.0 &&
           rect.height > 0.0 && rect.width <= 64.0 && rect.height <= 64.0 && _lineWidth <= 16.0 &&
           std::abs(rect.x) < 1e6 && std::abs(rect.y) < 1e6;
}

// Qt 6.4 raster engine: an antialiased drawEllipse costs about 2.5 µs whatever
// its size (the path is built and flattened each time), so the chart's 144
// markers, each filled and outlined, took about 0.9 ms of a redraw. A marker
// is drawn once into a small image per colour, size and eighth of a pixel of
// position, and later ones are copied from it: the same pixels within 1/16 px.
// Scaled or rotated painters (high-DPI backing stores) are drawn directly.
void QPainterDrawing::drawEllipse(const ViewRect& rect, bool stroke) {
    const QColor color = stroke ? _stroke : _fill;
    if (!spritesUsable(rect)) {
        _painter.setPen(stroke ? strokePen() : QPen(Qt::NoPen));
        _painter.setBrush(stroke ? QBrush(Qt::NoBrush) : QBrush(color));
        _painter.drawEllipse(toQRect(rect));
        return;
    }
    const double left = std::floor(rect.x), top = std::floor(rect.y);
    const int offsetX = static_cast<int>(std::lround((rect.x - left) * 8.0));
    const int offsetY = static_cast<int>(std::lround((rect.y - top) * 8.0));
    const SpriteKey key{stroke,
                        color.rgba(),
                        static_cast<std::int32_t>(std::lround(rect.width * 16.0)),
                        static_cast<std::int32_t>(std::lround(rect.height * 16.0)),
                        static_cast<std::int32_t>(std::lround(stroke ? _lineWidth * 16.0 : 0.0)),
                        offsetX,
                        offsetY};
    const int pad = static_cast<int>(std::ceil(stroke ? _lineWidth / 2.0 : 0.0)) + 1;
    auto& sprites = spriteCache().images;
    auto it = sprites.find(key);
    if (it == sprites.end()) {
        if (sprites.size() > 512) sprites.clear();
        QImage sprite(static_cast<int>(std::ceil(rect.width)) + 2 * pad + 2,
                      static_cast<int>(std::ceil(rect.height)) + 2 * pad + 2,
                      QImage::Format_ARGB32_Premultiplied);
        sprite.fill(Qt::transparent);
        QPainter painter(&sprite);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(stroke ? strokePen() : QPen(Qt::NoPen));
        painter.setBrush(stroke ? QBrush(Qt::NoBrush) : QBrush(color));
        painter.drawEllipse(
            QRectF(pad + offsetX / 8.0, pad + offsetY / 8.0, rect.width, rect.height));
        painter.end();
        it = sprites.emplace(key, std::move(sprite)).first;
    }
    _painter.drawImage(QPointF(left - pad, top - pad), it->second);
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
