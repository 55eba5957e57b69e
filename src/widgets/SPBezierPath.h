#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QVector>

namespace aq {

// A path of moves, lines, cubic curves and closes, kept element by element
// so that an explicit close is told apart from a line back to the start.
// quartzPath() turns it into the QPainterPath the painter strokes.
class SPBezierPath {
public:
    enum class ElementType { MoveTo, LineTo, CurveTo, Close };
    struct Element {
        ElementType type;
        QPointF point;     // end point (unused by Close)
        QPointF control1;  // curves only
        QPointF control2;  // curves only
    };

    void moveTo(const QPointF& p);
    void lineTo(const QPointF& p);
    void curveTo(const QPointF& end, const QPointF& control1, const QPointF& control2);
    void closePath();

    bool isEmpty() const { return _elements.isEmpty(); }
    int elementCount() const { return int(_elements.size()); }
    const Element& elementAt(int i) const { return _elements.at(i); }

    // The same path for QPainter. An empty path gives an empty one; a path
    // whose last line or curve is not followed by a close is closed at the end.
    QPainterPath quartzPath() const;

private:
    QVector<Element> _elements;
};

}  // namespace aq
