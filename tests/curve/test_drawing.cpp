#include "curve/DayAdjustmentGraph.h"
#include "curve/RecordingDrawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace aq {
namespace {

using Op = RecordingDrawing::Op;
using Segment = RecordingDrawing::Segment;

const Color kBlack{0, 0, 0, 1};
const Color kWhite{1, 1, 1, 1};
const Color kRed{1, 0, 0, 1};
const Color kGreen{0, 1, 0, 1};
const Color kBlue{0, 0, 1, 1};
const ViewRect kBounds{0, 0, 710, 410};  // plot (55, 55, 600, 300)

std::shared_ptr<DayAdjustmentChannel> makeChannel(const Color& color,
                                                  const std::vector<CurvePoint>& points) {
    auto channel = std::make_shared<DayAdjustmentChannel>(color);
    channel->adjust(points.data(), static_cast<std::uint8_t>(points.size()));
    return channel;
}

std::vector<Segment> segmentsIn(const RecordingDrawing& drawing, const Color& color) {
    std::vector<Segment> out;
    for (const Segment& s : drawing.strokedSegments()) {
        if (s.color == color) out.push_back(s);
    }
    return out;
}

std::vector<RecordingDrawing::Call> callsOf(const RecordingDrawing& drawing, Op op) {
    std::vector<RecordingDrawing::Call> out;
    for (const auto& call : drawing.calls()) {
        if (call.op == op) out.push_back(call);
    }
    return out;
}

struct ExpectedSegment {
    ViewPoint from, to;
};

TEST(GraphDrawing, CurveSegmentsCloseAcrossMidnight) {
    struct Case {
        const char* name;
        std::vector<CurvePoint> points;
        std::vector<ExpectedSegment> expected;  // in view units, in drawing order
    };
    const std::vector<Case> cases = {
        {"a single point: two segments meeting at it, across the whole plot",
         {{0.25, 0.5}},
         {{{205, 205}, {655, 205}}, {{205, 205}, {55, 205}}}},
        {"closing segments reach both edges at half intensity",
         {{0.25, 0.0}, {0.75, 1.0}},
         {{{505, 55}, {655, 205}}, {{205, 355}, {55, 205}}, {{205, 355}, {505, 55}}}},
        {"points at exactly 0.0 and 1.0 need no closing",
         {{0.0, 0.2}, {1.0, 0.4}},
         {{{55, 295}, {655, 235}}}},
        {"first point at 0.0 closes only at the end",
         {{0.0, 0.5}, {0.5, 1.0}},
         {{{355, 55}, {655, 205}}, {{55, 205}, {355, 55}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DayAdjustmentGraph graph(kBlack, kWhite);
        graph.channelAdd(makeChannel(kRed, c.points));
        RecordingDrawing drawing;
        graph.drawRect(kBounds, drawing);
        const auto segments = segmentsIn(drawing, kRed);
        ASSERT_EQ(segments.size(), c.expected.size());
        for (std::size_t i = 0; i < segments.size(); ++i) {
            EXPECT_NEAR(segments[i].from.x, c.expected[i].from.x, 1e-9) << i;
            EXPECT_NEAR(segments[i].from.y, c.expected[i].from.y, 1e-9) << i;
            EXPECT_NEAR(segments[i].to.x, c.expected[i].to.x, 1e-9) << i;
            EXPECT_NEAR(segments[i].to.y, c.expected[i].to.y, 1e-9) << i;
            EXPECT_EQ(segments[i].width, 4.0);  // the selected channel
        }
    }
}

TEST(GraphDrawing, MarkerRadius) {
    struct Case {
        double plotWidth, plotHeight;
        double radius;
    };
    const std::vector<Case> cases = {
        {600, 300, 10},          // cell 60, capped
        {300, 200, 5},           // cell 30
        {200, 600, 50.0 / 6.0},  // tall: height over 12 columns
        {100, 240, 10.0 / 3.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.plotWidth << "x" << c.plotHeight);
        DayAdjustmentGraph graph(kBlack, kWhite);
        graph.channelAdd(makeChannel(kRed, {{0.2, 0.5}, {0.5, 0.5}, {0.8, 0.5}}));
        graph.selectedChannel()->setSelectedPoint(1);
        RecordingDrawing drawing;
        graph.drawRect(ViewRect{0, 0, c.plotWidth + 110, c.plotHeight + 110}, drawing);
        EXPECT_DOUBLE_EQ(graph.markerRadius(), c.radius);

        const auto fills = callsOf(drawing, Op::FillEllipse);
        const auto strokes = callsOf(drawing, Op::StrokeEllipse);
        ASSERT_EQ(fills.size(), 3u);
        ASSERT_EQ(strokes.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            const double half = i == 1 ? 1.5 * c.radius : c.radius;  // the held point is larger
            const ViewPoint centre =
                graph.curveToView(graph.getPoint(static_cast<std::uint8_t>(i)));
            const ViewRect expected{centre.x - half, centre.y - half, 2 * half, 2 * half};
            EXPECT_EQ(fills[i].rect, expected) << i;
            EXPECT_EQ(strokes[i].rect, expected) << i;
        }
    }
}

TEST(GraphDrawing, OrderAndColours) {
    DayAdjustmentGraph graph(kBlack, kWhite);
    graph.channelAdd(makeChannel(kRed, {{0.5, 0.1}}));
    graph.channelAdd(makeChannel(kGreen, {{0.5, 0.2}}));
    graph.channelAdd(makeChannel(kBlue, {{0.5, 0.3}}));
    graph.setChannel(1);
    RecordingDrawing drawing;
    graph.drawRect(ViewRect{20, 30, 710, 410}, drawing);
    const auto& calls = drawing.calls();

    // Background first, filled from the origin whatever the rectangle's position.
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0].op, Op::SetFillColor);
    EXPECT_EQ(calls[0].color, kBlack);
    EXPECT_EQ(calls[1].op, Op::FillRect);
    EXPECT_EQ(calls[1].rect, (ViewRect{0, 0, 710, 410}));

    // Curves: the others in list order, the selected one last and wider;
    // the dark blue one lies on a faint white outline.
    std::vector<Color> curveOrder;
    for (const Segment& s : drawing.strokedSegments()) {
        if (s.color == kWhite || s.color == kBlack || s.color.alpha < 1.0) continue;
        if (curveOrder.empty() || !(curveOrder.back() == s.color)) curveOrder.push_back(s.color);
        EXPECT_EQ(s.width, s.color == kGreen ? 4.0 : 1.0);
    }
    EXPECT_EQ(curveOrder, (std::vector<Color>{kRed, kBlue, kGreen}));

    // Markers only for the selected channel: white inside, black outline.
    const auto fills = callsOf(drawing, Op::FillEllipse);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_DOUBLE_EQ(fills[0].rect.y + fills[0].rect.height / 2, 30 + 55 + 0.8 * 300);

    // Grid: 11 columns, 9 rows and the plot outline, white, width 1.
    std::size_t grid = 0;
    for (const Segment& s : drawing.strokedSegments()) {
        if (s.color == kWhite) {
            ++grid;
            EXPECT_EQ(s.width, 1.0);
        }
    }
    EXPECT_EQ(grid, 11u + 9u + 4u);

    // The border last, around the whole rectangle, in the colour left current.
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2].op, Op::AddRect);
    EXPECT_EQ(calls[calls.size() - 2].rect, (ViewRect{20, 30, 710, 410}));
    EXPECT_EQ(calls.back().op, Op::StrokePath);
}

TEST(GraphDrawing, VeryDarkCurvesGetAFaintOutlineUnderneath) {
    struct Case {
        Color color;
        bool outlined;
    };
    const Case cases[] = {
        {{0.0, 0.0, 0.5, 1.0}, true},   // navy
        {{0.5, 0.0, 0.5, 1.0}, true},   // purple
        {{0.0, 0.0, 1.0, 1.0}, true},   // blue
        {{1.0, 0.0, 0.0, 1.0}, false},  // red
        {{1.0, 1.0, 1.0, 1.0}, false},
    };
    for (const Case& c : cases) {
        for (const bool selected : {false, true}) {
            DayAdjustmentGraph graph(kBlack, kWhite);
            graph.channelAdd(makeChannel(kGreen, {{0.5, 0.5}}));
            graph.channelAdd(makeChannel(c.color, {{0.2, 0.2}, {0.6, 0.4}}));
            graph.setChannel(selected ? 1 : 0);
            RecordingDrawing drawing;
            graph.drawRect(kBounds, drawing);
            const auto outline = segmentsIn(drawing, Color{1, 1, 1, 0.45});
            const auto curve = segmentsIn(drawing, c.color);
            ASSERT_FALSE(curve.empty());
            EXPECT_EQ(outline.size(), c.outlined ? curve.size() : 0u)
                << c.color.red << c.color.blue;
            if (!c.outlined) continue;
            // Wider than the curve, the same path, and stroked just before it.
            EXPECT_EQ(outline[0].width, curve[0].width + 2.0);
            EXPECT_EQ(outline[0].from, curve[0].from);
            const auto all = drawing.strokedSegments();
            const auto at = std::find_if(all.begin(), all.end(),
                                         [&](const Segment& s) { return s.color == c.color; });
            ASSERT_GE(at - all.begin(), static_cast<long>(outline.size()));
            EXPECT_EQ((at - outline.size())->color, (Color{1, 1, 1, 0.45}));
        }
    }
}

TEST(GraphDrawing, NoBorderWhenSwitchedOff) {
    DayAdjustmentGraph graph(kBlack, kWhite);
    graph.setDrawBorder(false);
    RecordingDrawing drawing;
    graph.drawRect(kBounds, drawing);
    for (const auto& call : callsOf(drawing, Op::AddRect)) {
        EXPECT_EQ(call.rect, graph.plotRect());  // only the grid outline
    }
}

TEST(GraphDrawing, EmptyChannelDrawsNothing) {
    auto drawn = [](bool withEmpty, bool emptySelected) {
        DayAdjustmentGraph graph(kBlack, kWhite);
        graph.channelAdd(makeChannel(kRed, {{0.5, 0.5}}));
        if (withEmpty) graph.channelAdd(makeChannel(kGreen, {}));
        if (emptySelected) graph.setChannel(1);
        RecordingDrawing drawing;
        graph.drawRect(kBounds, drawing);
        return drawing.strokedSegments().size() + 1000 * callsOf(drawing, Op::FillEllipse).size();
    };
    EXPECT_EQ(drawn(true, false), drawn(false, false));
    // With the empty channel selected nothing of it shows, and no markers at all.
    DayAdjustmentGraph graph(kBlack, kWhite);
    graph.channelAdd(makeChannel(kRed, {{0.5, 0.5}}));
    graph.channelAdd(makeChannel(kGreen, {}));
    graph.setChannel(1);
    graph.setDrawBorder(false);  // the border would take the red left current
    RecordingDrawing drawing;
    graph.drawRect(kBounds, drawing);
    EXPECT_TRUE(segmentsIn(drawing, kGreen).empty());
    EXPECT_TRUE(callsOf(drawing, Op::FillEllipse).empty());
    EXPECT_EQ(segmentsIn(drawing, kRed).size(), 2u);
}

TEST(GraphDrawing, MoonModeDrawsNoMarkers) {
    DayAdjustmentGraph graph(kBlack, kWhite);
    graph.channelAdd(makeChannel(kRed, {{0.2, 0.5}, {0.6, 0.5}}));
    graph.setMoonMode(true);
    graph.setDrawBorder(false);
    RecordingDrawing drawing;
    graph.drawRect(kBounds, drawing);
    EXPECT_TRUE(callsOf(drawing, Op::FillEllipse).empty());
    EXPECT_TRUE(callsOf(drawing, Op::StrokeEllipse).empty());
    EXPECT_EQ(segmentsIn(drawing, kRed).size(), 3u);
}

TEST(GraphDrawing, VLineShownOnlyWithinThePlot) {
    struct Case {
        float position;
        bool shown;
        double x;
    };
    const std::vector<Case> cases = {
        {-1.0f, false, 0}, {1.5f, false, 0}, {0.0f, true, 55}, {1.0f, true, 655}, {0.5f, true, 355},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        DayAdjustmentGraph graph(kBlack, kWhite);
        graph.setVLine(c.position);
        graph.setVLineColor(kBlue);
        graph.setDrawBorder(false);
        RecordingDrawing drawing;
        graph.drawRect(kBounds, drawing);
        const auto lines = segmentsIn(drawing, kBlue);
        ASSERT_EQ(lines.size(), c.shown ? 1u : 0u);
        if (!c.shown) continue;
        EXPECT_EQ(lines[0].from, (ViewPoint{c.x, 55}));
        EXPECT_EQ(lines[0].to, (ViewPoint{c.x, 355}));
        EXPECT_EQ(lines[0].width, 4.0);
    }
}

TEST(GraphDrawing, DayPageLabelsAllDrawn) {
    // The day page's layout: 8 columns with 9 time labels, 10 rows with 11 level labels.
    DayAdjustmentGraph graph(kBlack, kWhite);
    graph.setPaddingTop(12);
    graph.setPaddingRight(20);
    graph.setXParts(8);
    graph.setYParts(10);
    const std::vector<std::string> times = {"0:00",  "3:00",  "6:00",  "9:00", "12:00",
                                            "15:00", "18:00", "21:00", "24:00"};
    const std::vector<std::string> levels = {"",    "10%", "20%", "30%", "40%", "50%",
                                             "60%", "70%", "80%", "90%", "100%"};
    graph.setXLabel(times);
    graph.setYLabel(levels);
    RecordingDrawing drawing(0.5, 1.25);
    graph.drawRect(ViewRect{0, 0, 850, 600}, drawing);
    const ViewRect plot = graph.plotRect();
    EXPECT_EQ(plot, (ViewRect{55, 12, 775, 533}));

    const auto texts = callsOf(drawing, Op::DrawText);
    ASSERT_EQ(texts.size(), times.size() + levels.size());
    const TextStyle style{kWhite, 14.0, true};
    for (std::size_t i = 0; i < times.size(); ++i) {
        SCOPED_TRACE(times[i]);
        const double width = times[i].size() * 0.5 * 14;
        EXPECT_EQ(texts[i].text, times[i]);
        EXPECT_EQ(texts[i].style, style);
        EXPECT_DOUBLE_EQ(texts[i].point.x, 55 + i * (775.0 / 8) - width / 2);
        // A marker's radius (10 here) below the plot, clear of the points on its edge.
        EXPECT_DOUBLE_EQ(texts[i].point.y, 12 + 533 + 10);
    }
    EXPECT_DOUBLE_EQ(texts[8].point.x, 55 + 775 - 5 * 0.5 * 14 / 2);  // at the right edge
    for (std::size_t j = 0; j < levels.size(); ++j) {
        SCOPED_TRACE(levels[j]);
        const auto& call = texts[times.size() + j];
        const double width = levels[j].size() * 0.5 * 14;
        EXPECT_EQ(call.text, levels[j]);
        EXPECT_DOUBLE_EQ(call.point.x, 55 - width - 5 - 10);
        EXPECT_DOUBLE_EQ(call.point.y, 12 + 533 - j * (533.0 / 10) - 1.25 * 14 / 2);
    }

    // Labels past the last grid edge are left out.
    graph.setXParts(4);
    drawing.clear();
    graph.drawRect(ViewRect{0, 0, 850, 600}, drawing);
    EXPECT_EQ(callsOf(drawing, Op::DrawText).size(), 5u + levels.size());
}

}  // namespace
}  // namespace aq
