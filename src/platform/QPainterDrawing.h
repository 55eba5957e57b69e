#pragma once

#include "curve/Drawing.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cstdint>
#include <optional>

namespace aq {

// The chart's drawing operations over a QPainter whose y axis grows downward,
// antialiased. Lines end flat and join mitred (limit 10): a curve segment stops
// exactly at its set point instead of overshooting it by half the line width.
// The painter must outlive this object.
class QPainterDrawing : public Drawing {
public:
    explicit QPainterDrawing(QPainter& painter);

    void setFillColor(const Color& color) override;
    void setStrokeColor(const Color& color) override;
    void setLineWidth(double width) override;
    void fillRect(const ViewRect& rect) override;
    void addRect(const ViewRect& rect) override;
    void moveTo(const ViewPoint& point) override;
    void addLineTo(const ViewPoint& point) override;
    void strokePath() override;
    void fillEllipseInRect(const ViewRect& rect) override;
    void strokeEllipseInRect(const ViewRect& rect) override;
    ViewSize measureText(std::string_view text, const TextStyle& style) override;
    void drawText(std::string_view text, const ViewPoint& topLeft, const TextStyle& style) override;

private:
    struct SpriteKey {
        bool stroke;
        QRgb color;
        std::int32_t width, height, lineWidth;  // 1/16 units
        std::int32_t offsetX, offsetY;          // sub-pixel position, 1/8 pixels
        friend bool operator==(const SpriteKey&, const SpriteKey&) = default;
    };
    struct SpriteKeyHash {
        std::size_t operator()(const SpriteKey& k) const;
    };
    friend struct SpriteCache;

    QPen strokePen() const;
    void drawEllipse(const ViewRect& rect, bool stroke);
    bool spritesUsable(const ViewRect& rect) const;
    // Font and metrics for a style; the chart uses one style, so one is kept.
    const QFontMetricsF& metricsFor(const TextStyle& style);

    QPainter& _painter;
    QColor _fill{Qt::black};
    QColor _stroke{Qt::black};
    double _lineWidth = 1.0;
    QPainterPath _path;
    std::optional<TextStyle> _fontStyle;
    QFont _font;
    std::optional<QFontMetricsF> _metrics;
};

// A colour of the chart as a QColor, components clamped to 0 .. 1.
QColor toQColor(const Color& color);

}  // namespace aq
