#pragma once

#include <string_view>

#include "curve/Color.h"

namespace aq {

struct ViewPoint {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const ViewPoint&, const ViewPoint&) = default;
};

struct ViewSize {
    double width = 0.0;
    double height = 0.0;
    friend bool operator==(const ViewSize&, const ViewSize&) = default;
};

struct ViewRect {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
    friend bool operator==(const ViewRect&, const ViewRect&) = default;
};

// Colour and font of a text; the chart only ever asks for a bold system font.
struct TextStyle {
    aq::Color color;
    double size = 12.0;
    bool bold = false;
    friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

// The few 2-D drawing operations the chart needs, y axis growing downward.
// Path rules: moveTo starts a new sub-path, strokePath draws the current path
// with the stroke colour and line width and then clears it; the line width
// stays until changed. fillRect and the ellipse operations paint at once and
// leave the current path alone. Text is placed by its top-left corner.
class Drawing {
public:
    virtual ~Drawing() = default;

    virtual void setFillColor(const Color& color) = 0;
    virtual void setStrokeColor(const Color& color) = 0;
    virtual void setLineWidth(double width) = 0;

    virtual void fillRect(const ViewRect& rect) = 0;
    virtual void addRect(const ViewRect& rect) = 0;
    virtual void moveTo(const ViewPoint& point) = 0;
    virtual void addLineTo(const ViewPoint& point) = 0;
    virtual void strokePath() = 0;
    virtual void fillEllipseInRect(const ViewRect& rect) = 0;
    virtual void strokeEllipseInRect(const ViewRect& rect) = 0;

    virtual ViewSize measureText(std::string_view text, const TextStyle& style) = 0;
    virtual void drawText(std::string_view text, const ViewPoint& topLeft,
                          const TextStyle& style) = 0;
};

}  // namespace aq
