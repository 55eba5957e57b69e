#include "curve/DayAdjustmentGraph.h"
#include "curve/RecordingDrawing.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace aq {
namespace {

using ChannelPtr = DayAdjustmentGraph::ChannelPtr;

const Color kBlack{0, 0, 0, 1};
const Color kWhite{1, 1, 1, 1};

ChannelPtr makeChannel(const std::vector<CurvePoint>& points) {
    auto channel = std::make_shared<DayAdjustmentChannel>(Color{1, 0, 0, 1});
    channel->adjust(points.data(), static_cast<std::uint8_t>(points.size()));
    return channel;
}

// A graph laid out by one drawing: plot (55, 55, 600, 300) with the default paddings.
struct Chart {
    DayAdjustmentGraph graph{kBlack, kWhite};
    RecordingDrawing drawing;

    explicit Chart(std::vector<ChannelPtr> channels) {
        for (auto& c : channels) graph.channelAdd(c);
        graph.drawRect(ViewRect{0, 0, 710, 410}, drawing);
    }
    ViewPoint at(double cx, double cy) const { return graph.curveToView(CurvePoint{cx, cy}); }
};

// What the other channels' pass paints: the unselected curves in list order; nothing to
// share when the selected channel is listed twice.
TEST(DayAdjustmentGraph, OtherCurvesAreTheUnselectedChannelsInOrder) {
    const ChannelPtr selected = makeChannel({{0.2, 0.2}});
    DayAdjustmentGraph graph(kBlack, kWhite);
    for (const auto& c : {makeChannel({{0.1, 0.1}}), selected, makeChannel({{0.3, 0.3}})}) {
        graph.channelAdd(c);
    }
    graph.setChannel(1);
    const auto looks = graph.otherCurvesLook();
    ASSERT_TRUE(looks && looks->size() == 2u);
    EXPECT_EQ((*looks)[0].points, (std::vector<CurvePoint>{{0.1, 0.1}}));
    EXPECT_EQ((*looks)[1].points, (std::vector<CurvePoint>{{0.3, 0.3}}));
    graph.channelAdd(selected);
    EXPECT_FALSE(graph.otherCurvesLook());
}

TEST(DayAdjustmentGraph, LayoutOfTheLastDrawingMapsBothWays) {
    Chart chart({makeChannel({{0.5, 0.5}})});
    EXPECT_EQ(chart.graph.plotRect(), (ViewRect{55, 55, 600, 300}));
    EXPECT_EQ(chart.at(0.0, 1.0), (ViewPoint{55, 55}));
    EXPECT_EQ(chart.at(1.0, 0.0), (ViewPoint{655, 355}));
    EXPECT_EQ(chart.graph.viewToCurve(ViewPoint{355, 130}), (CurvePoint{0.5, 0.75}));
}

TEST(DayAdjustmentGraph, ChannelSelectionRules) {
    struct Case {
        const char* name;
        int channels;
        std::uint8_t selectedBefore;  // set through setChannel while 3 channels exist
        void (*action)(DayAdjustmentGraph&);
        std::uint8_t expected;
    };
    const std::vector<Case> cases = {
        {"next wraps to the first", 3, 2, [](DayAdjustmentGraph& g) { g.nextChannel(); }, 0},
        {"next steps on", 3, 0, [](DayAdjustmentGraph& g) { g.nextChannel(); }, 1},
        {"set takes the index modulo the count", 3, 0,
         [](DayAdjustmentGraph& g) { g.setChannel(5); }, 2},
        {"set 255 modulo 3", 3, 1, [](DayAdjustmentGraph& g) { g.setChannel(255); }, 0},
        {"removing all keeps the index", 3, 2, [](DayAdjustmentGraph& g) { g.channelRemoveAll(); },
         2},
        {"next without channels changes nothing", 0, 2,
         [](DayAdjustmentGraph& g) { g.nextChannel(); }, 2},
        {"set without channels changes nothing", 0, 2,
         [](DayAdjustmentGraph& g) { g.setChannel(0); }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DayAdjustmentGraph graph(kBlack, kWhite);
        for (int i = 0; i < 3; ++i) graph.channelAdd(makeChannel({}));
        graph.setChannel(c.selectedBefore);
        if (c.channels == 0) graph.channelRemoveAll();
        c.action(graph);
        EXPECT_EQ(graph.selectedChannelIndex(), c.expected);
    }
}

TEST(DayAdjustmentGraph, ChannelListLimits) {
    DayAdjustmentGraph graph(kBlack, kWhite);
    for (int i = 0; i < 300; ++i) graph.channelAdd(makeChannel({}));
    EXPECT_EQ(graph.channelCount(), 255);
    graph.channelAdd(nullptr);
    EXPECT_EQ(graph.channelCount(), 255);
    EXPECT_EQ(graph.channelAtIndex(255), nullptr);

    graph.channelRemoveAll();
    auto only = makeChannel({});
    graph.channelAdd(only);
    graph.channelRemove(only);  // the last channel stays
    EXPECT_EQ(graph.channelCount(), 1);
    auto second = makeChannel({});
    graph.channelAdd(second);
    graph.channelRemove(only);
    ASSERT_EQ(graph.channelCount(), 1);
    EXPECT_EQ(graph.channelAtIndex(0), second);
    graph.channelRemoveAt(7);  // no such channel
    EXPECT_EQ(graph.channelCount(), 1);
}

TEST(DayAdjustmentGraph, SelectedIndexNamingNoChannelMisses) {
    Chart chart({makeChannel({{0.5, 0.5}}), makeChannel({{0.5, 0.5}})});
    chart.graph.setChannel(1);
    chart.graph.channelRemoveAt(1);
    DayAdjustmentGraph& g = chart.graph;
    EXPECT_EQ(g.selectedChannel(), nullptr);
    EXPECT_EQ(g.getPointOn(chart.at(0.5, 0.5)), -1);
    g.dragPointOn(chart.at(0.5, 0.5));
    EXPECT_FALSE(g.movePointTo(chart.at(0.6, 0.6)));
    EXPECT_FALSE(g.removePointOn(chart.at(0.5, 0.5)));
    g.addPointOn(chart.at(0.2, 0.2));
    g.changePoint(0, 0.9f, 0.9f);
    EXPECT_EQ(g.channelAtIndex(0)->PointCount(), 1);
    EXPECT_EQ(g.channelAtIndex(0)->Points()[0], (CurvePoint{0.5, 0.5}));
}

TEST(DayAdjustmentGraph, DoubleClicks) {
    struct Case {
        const char* name;
        std::vector<CurvePoint> held;
        ViewPoint click;
        bool removed;
        std::vector<CurvePoint> after;
    };
    const std::vector<Case> cases = {
        {"on the only point: a hit that removes and adds nothing",
         {{0.5, 0.5}},
         {355, 205},
         true,
         {{0.5, 0.5}}},
        {"on one of two points removes it",
         {{0.25, 0.5}, {0.75, 0.5}},
         {505, 205},
         true,
         {{0.25, 0.5}}},
        {"below the plot adds at intensity 0",
         {{0.5, 0.5}},
         {205, 400},
         false,
         {{0.25, 0.0}, {0.5, 0.5}}},
        {"right of the plot adds at time 1",
         {{0.5, 0.5}},
         {700, 130},
         false,
         {{0.5, 0.5}, {1.0, 0.75}}},
        {"near a point after clamping adds nothing",
         {{1.0, 0.75}},
         {700, 131},
         false,
         {{1.0, 0.75}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Chart chart({makeChannel(c.held)});
        // What the view does on a double click.
        const bool removed = chart.graph.removePointOn(c.click);
        if (!removed) chart.graph.addPointOn(c.click);
        EXPECT_EQ(removed, c.removed);
        const auto& channel = *chart.graph.selectedChannel();
        ASSERT_EQ(channel.PointCount(), c.after.size());
        for (std::size_t i = 0; i < c.after.size(); ++i) {
            EXPECT_NEAR(channel.Points()[i].x, c.after[i].x, 1e-12);
            EXPECT_NEAR(channel.Points()[i].y, c.after[i].y, 1e-12);
        }
    }
}

TEST(DayAdjustmentGraph, HitToleranceIsStrict) {
    const double t = DayAdjustmentGraph::kHitTolerance;
    EXPECT_EQ(t, 0.02500000037252903);
    // Points placed exactly the tolerance away from the probe in curve units.
    Chart chart({makeChannel({{0.5 - t, 0.5}, {0.5 + t, 0.5}, {0.5, 0.5 + t}})});
    EXPECT_EQ(chart.graph.getPointOn(chart.at(0.5, 0.5)), -1);
    EXPECT_EQ(chart.graph.getPointOn(chart.at(0.5 - 0.9 * t, 0.5)), 0);
}

TEST(DayAdjustmentGraph, DragMoveDrop) {
    Chart chart({makeChannel({{0.2, 0.2}, {0.6, 0.6}})});
    DayAdjustmentGraph& g = chart.graph;
    const auto channel = g.selectedChannel();

    EXPECT_FALSE(g.movePointTo(chart.at(0.3, 0.3)));  // nothing held yet
    EXPECT_EQ(channel->Points()[0], (CurvePoint{0.2, 0.2}));
    EXPECT_EQ(g.text(), "");

    g.dragPointOn(chart.at(0.9, 0.9));  // a miss holds nothing
    EXPECT_EQ(channel->SelectedPoint(), -1);
    g.dragPointOn(chart.at(0.21, 0.19));
    EXPECT_EQ(channel->SelectedPoint(), 0);

    EXPECT_TRUE(g.movePointTo(chart.at(0.5, 0.5)));
    EXPECT_EQ(g.text(), "50%@11:59");                // 0.5 × 1439 = 719 minutes
    EXPECT_TRUE(g.movePointTo(chart.at(0.8, 1.5)));  // past its neighbour, above the plot
    EXPECT_EQ(channel->SelectedPoint(), 1);
    EXPECT_EQ(g.getPoint(1), (CurvePoint{0.8, 1.0}));
    EXPECT_EQ(g.text(), "100%@19:11");
    EXPECT_TRUE(g.movePointTo(chart.at(1.2, -0.3)));
    EXPECT_EQ(g.text(), "0%@23:59");

    g.dropPoint();
    EXPECT_EQ(channel->SelectedPoint(), -1);
    EXPECT_EQ(g.text(), "");
    EXPECT_FALSE(g.movePointTo(chart.at(0.5, 0.5)));
}

TEST(DayAdjustmentGraph, MoonModeRefusesEdits) {
    Chart chart({makeChannel({{0.25, 0.5}, {0.75, 0.5}})});
    DayAdjustmentGraph& g = chart.graph;
    const auto channel = g.selectedChannel();
    channel->setSelectedPoint(0);
    g.setMoonMode(true);

    g.dragPointOn(chart.at(0.75, 0.5));
    EXPECT_EQ(channel->SelectedPoint(), 0);
    EXPECT_FALSE(g.movePointTo(chart.at(0.3, 0.3)));
    EXPECT_FALSE(g.removePointOn(chart.at(0.75, 0.5)));
    g.addPointOn(chart.at(0.5, 0.9));
    g.dropPoint();
    EXPECT_EQ(channel->SelectedPoint(), 0);
    EXPECT_EQ(channel->PointCount(), 2);
    EXPECT_EQ(channel->Points()[0], (CurvePoint{0.25, 0.5}));

    // Looking up and setting points directly still work.
    EXPECT_EQ(g.getPointOn(chart.at(0.75, 0.5)), 1);
    g.changePoint(1, 0.5f, 0.25f);
    EXPECT_EQ(g.getPoint(1), (CurvePoint{0.5, 0.25}));
}

TEST(DayAdjustmentGraph, NoEditingBeforeTheFirstDrawing) {
    DayAdjustmentGraph graph(kBlack, kWhite);
    auto channel = makeChannel({{0.5, 0.5}});
    graph.channelAdd(channel);
    EXPECT_EQ(graph.getPointOn(ViewPoint{0, 0}), -1);
    EXPECT_FALSE(graph.removePointOn(ViewPoint{0, 0}));
    graph.addPointOn(ViewPoint{10, 10});  // would map to a point of NaN
    EXPECT_EQ(channel->PointCount(), 1);
}

TEST(DayAdjustmentGraph, ChannelsTextForm) {
    DayAdjustmentGraph graph(kBlack, kWhite);
    for (int i = 0; i < 4; ++i) graph.channelAdd(makeChannel({{0.1 * (i + 1), 0.5}}));
    EXPECT_EQ(graph.channelsAsString(), "0100,0500?0200,0500?0300,0500?0400,0500");

    struct Case {
        const char* name;
        std::string text;
        std::string after;
    };
    const std::vector<Case> cases = {
        {"two pieces change two channels", "0000,0000?0900,0900",
         "0000,0000?0900,0900?0300,0500?0400,0500"},
        {"surplus pieces are ignored", "1?2?3?4?5?6", "0001,0000?0002,0000?0003,0000?0004,0000"},
        {"multi-point pieces", "0000,0100;1000,0100",
         "0000,0100;1000,0100?0200,0500?0300,0500?0400,0500"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DayAdjustmentGraph g(kBlack, kWhite);
        for (int i = 0; i < 4; ++i) g.channelAdd(makeChannel({{0.1 * (i + 1), 0.5}}));
        g.channelsFromString(c.text);
        EXPECT_EQ(g.channelsAsString(), c.after);
    }
}

TEST(DayAdjustmentGraph, OnLine) {
    struct Case {
        CurvePoint a, b;
        double x;
        CurvePoint expected;
    };
    const std::vector<Case> cases = {
        {{0.75, 1.0}, {1.25, 0.0}, 1.0, {1.0, 0.5}},
        {{-0.25, 1.0}, {0.25, 0.0}, 0.0, {0.0, 0.5}},
        {{0.5, 0.2}, {0.5, 0.8}, 1.0, {1.0, 0.2}},  // vertical: no division by zero
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DayAdjustmentGraph::onLine(c.a, c.b, c.x), c.expected);
    }
}

}  // namespace
}  // namespace aq
