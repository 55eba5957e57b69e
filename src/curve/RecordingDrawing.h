#pragma once

#include <string>
#include <utility>
#include <vector>

#include "curve/Drawing.h"

namespace aq {

// A drawing that paints nothing and keeps every call in order, so tests and
// benchmarks can look at what the chart drew without a toolkit. Text is
// measured with fixed metrics: each character is charWidth × size wide and a
// line is lineHeight × size high.
class RecordingDrawing : public Drawing {
public:
    enum class Op {
        SetFillColor,
        SetStrokeColor,
        SetLineWidth,
        FillRect,
        AddRect,
        MoveTo,
        AddLineTo,
        StrokePath,
        FillEllipse,
        StrokeEllipse,
        MeasureText,
        DrawText,
    };

    // One call; only the fields its operation takes are filled.
    struct Call {
        Op op{};
        Color color;
        double width = 0.0;
        ViewRect rect;
        ViewPoint point;
        std::string text;
        TextStyle style;
    };

    // A straight piece of a stroked path, with the pen it was stroked with.
    struct Segment {
        ViewPoint from;
        ViewPoint to;
        Color color;
        double width = 0.0;
    };

    explicit RecordingDrawing(double charWidth = 0.5, double lineHeight = 1.25);

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

    const std::vector<Call>& calls() const { return _calls; }
    // Forgets the calls but keeps the storage, so a benchmark loop does not allocate.
    void clear() { _calls.clear(); }

    // Replays the path rules over the recorded calls and returns every line
    // segment that reached a stroke, in order; rectangles added to a path
    // give their four sides. Segments left in an unstroked path are not listed.
    std::vector<Segment> strokedSegments() const;

private:
    Call& record(Op op);

    double _charWidth;
    double _lineHeight;
    std::vector<Call> _calls;
};

}  // namespace aq
