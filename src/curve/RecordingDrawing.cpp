#include "curve/RecordingDrawing.h"

namespace aq {

RecordingDrawing::RecordingDrawing(double charWidth, double lineHeight)
    : _charWidth(charWidth), _lineHeight(lineHeight) {
    _calls.reserve(4096);
}

RecordingDrawing::Call& RecordingDrawing::record(Op op) {
    Call& call = _calls.emplace_back();
    call.op = op;
    return call;
}

void RecordingDrawing::setFillColor(const Color& color) {
    record(Op::SetFillColor).color = color;
}

void RecordingDrawing::setStrokeColor(const Color& color) {
    record(Op::SetStrokeColor).color = color;
}

void RecordingDrawing::setLineWidth(double width) {
    record(Op::SetLineWidth).width = width;
}

void RecordingDrawing::fillRect(const ViewRect& rect) {
    record(Op::FillRect).rect = rect;
}

void RecordingDrawing::addRect(const ViewRect& rect) {
    record(Op::AddRect).rect = rect;
}

void RecordingDrawing::moveTo(const ViewPoint& point) {
    record(Op::MoveTo).point = point;
}

void RecordingDrawing::addLineTo(const ViewPoint& point) {
    record(Op::AddLineTo).point = point;
}

void RecordingDrawing::strokePath() {
    record(Op::StrokePath);
}

void RecordingDrawing::fillEllipseInRect(const ViewRect& rect) {
    record(Op::FillEllipse).rect = rect;
}

void RecordingDrawing::strokeEllipseInRect(const ViewRect& rect) {
    record(Op::StrokeEllipse).rect = rect;
}

ViewSize RecordingDrawing::measureText(std::string_view text, const TextStyle& style) {
    Call& call = record(Op::MeasureText);
    call.text.assign(text);
    call.style = style;
    return ViewSize{static_cast<double>(text.size()) * _charWidth * style.size,
                    _lineHeight * style.size};
}

void RecordingDrawing::drawText(std::string_view text, const ViewPoint& topLeft,
                                const TextStyle& style) {
    Call& call = record(Op::DrawText);
    call.text.assign(text);
    call.point = topLeft;
    call.style = style;
}

std::vector<RecordingDrawing::Segment> RecordingDrawing::strokedSegments() const {
    std::vector<Segment> out;
    std::vector<std::pair<ViewPoint, ViewPoint>> path;
    Color stroke{0.0, 0.0, 0.0, 1.0};
    double width = 1.0;
    ViewPoint current;
    bool hasCurrent = false;
    for (const Call& call : _calls) {
        switch (call.op) {
            case Op::SetStrokeColor:
                stroke = call.color;
                break;
            case Op::SetLineWidth:
                width = call.width;
                break;
            case Op::MoveTo:
                current = call.point;
                hasCurrent = true;
                break;
            case Op::AddLineTo:
                // A line without a starting point only sets the point, as a
                // path that begins with a line does.
                if (hasCurrent) path.emplace_back(current, call.point);
                current = call.point;
                hasCurrent = true;
                break;
            case Op::AddRect: {
                const ViewRect& r = call.rect;
                const ViewPoint a{r.x, r.y}, b{r.x + r.width, r.y};
                const ViewPoint c{r.x + r.width, r.y + r.height}, d{r.x, r.y + r.height};
                path.emplace_back(a, b);
                path.emplace_back(b, c);
                path.emplace_back(c, d);
                path.emplace_back(d, a);
                current = a;
                hasCurrent = true;
                break;
            }
            case Op::StrokePath:
                for (const auto& [from, to] : path) out.push_back(Segment{from, to, stroke, width});
                path.clear();
                hasCurrent = false;
                break;
            default:
                break;
        }
    }
    return out;
}

}  // namespace aq
