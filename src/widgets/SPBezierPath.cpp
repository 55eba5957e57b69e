#include "widgets/SPBezierPath.h"

namespace aq {

void SPBezierPath::moveTo(const QPointF& p) {
    _elements.append({ElementType::MoveTo, p, {}, {}});
}

void SPBezierPath::lineTo(const QPointF& p) {
    _elements.append({ElementType::LineTo, p, {}, {}});
}

void SPBezierPath::curveTo(const QPointF& end, const QPointF& control1, const QPointF& control2) {
    _elements.append({ElementType::CurveTo, end, control1, control2});
}

void SPBezierPath::closePath() {
    _elements.append({ElementType::Close, {}, {}, {}});
}

QPainterPath SPBezierPath::quartzPath() const {
    QPainterPath path;
    if (_elements.isEmpty()) return path;
    bool closed = true;
    for (const Element& e : _elements) {
        switch (e.type) {
            case ElementType::MoveTo:
                path.moveTo(e.point);
                break;
            case ElementType::LineTo:
                path.lineTo(e.point);
                closed = false;
                break;
            case ElementType::CurveTo:
                path.cubicTo(e.control1, e.control2, e.point);
                closed = false;
                break;
            case ElementType::Close:
                path.closeSubpath();
                closed = true;
                break;
        }
    }
    if (!closed) path.closeSubpath();
    return path;
}

}  // namespace aq
