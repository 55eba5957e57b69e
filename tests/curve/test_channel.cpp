#include "curve/DayAdjustmentChannel.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace aq {
namespace {

// Five minutes as the single-precision step the sort uses.
constexpr double kNudge = 0.0034722222480922937;

DayAdjustmentChannel channelWith(const std::vector<CurvePoint>& points) {
    DayAdjustmentChannel channel(Color{1, 0, 0, 1});
    channel.adjust(points.data(), static_cast<std::uint8_t>(points.size()));
    return channel;
}

std::vector<CurvePoint> pointsOf(const DayAdjustmentChannel& channel) {
    return {channel.Points(), channel.Points() + channel.PointCount()};
}

void expectPoints(const DayAdjustmentChannel& channel, const std::vector<CurvePoint>& expected) {
    ASSERT_EQ(channel.PointCount(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_DOUBLE_EQ(channel.Points()[i].x, expected[i].x) << "point " << i;
        EXPECT_DOUBLE_EQ(channel.Points()[i].y, expected[i].y) << "point " << i;
    }
}

TEST(DayAdjustmentChannel, SortingPushesEqualTimesApart) {
    struct Case {
        const char* name;
        std::vector<CurvePoint> held;
        CurvePoint added;
        std::vector<CurvePoint> expected;
    };
    const std::vector<Case> cases = {
        {"last comparison of the first pass moves the earlier point back",
         {{0.3, 0.2}},
         {0.3, 0.5},
         {{0.3 - kNudge, 0.2}, {0.3, 0.5}}},
        {"any other comparison moves the later point on",
         {{0.3, 0.2}, {0.8, 0.4}},
         {0.3, 0.5},
         {{0.3, 0.2}, {0.3 + kNudge, 0.5}, {0.8, 0.4}}},
        {"reverse order is sorted",
         {{0.9, 0.1}, {0.5, 0.2}},
         {0.1, 0.3},
         {{0.1, 0.3}, {0.5, 0.2}, {0.9, 0.1}}},
        {"a nudge past midnight is not clamped",
         {{1.0, 0.1}, {1.0, 0.2}},
         {1.0, 0.3},
         {{1.0, 0.1}, {1.0 + kNudge, 0.3}, {1.0 + kNudge, 0.2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DayAdjustmentChannel channel = channelWith(c.held);
        channel.addPoint(c.added);
        expectPoints(channel, c.expected);
    }
}

TEST(DayAdjustmentChannel, AddPointStopsAt144) {
    DayAdjustmentChannel channel(Color{});
    for (int i = 0; i < 150; ++i) channel.addPoint(CurvePoint{i / 150.0, 0.5});
    ASSERT_EQ(channel.PointCount(), 144);
    EXPECT_DOUBLE_EQ(channel.Points()[143].x, 143 / 150.0);
}

TEST(DayAdjustmentChannel, RemovePointAt) {
    struct Case {
        const char* name;
        std::vector<CurvePoint> held;
        std::uint8_t index;
        std::vector<CurvePoint> expected;
    };
    const std::vector<Case> cases = {
        {"middle point, later ones move down",
         {{0.1, 0.1}, {0.2, 0.2}, {0.3, 0.3}},
         1,
         {{0.1, 0.1}, {0.3, 0.3}}},
        {"the only point stays", {{0.4, 0.4}}, 0, {{0.4, 0.4}}},
        {"index past the list", {{0.1, 0.1}, {0.2, 0.2}}, 2, {{0.1, 0.1}, {0.2, 0.2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DayAdjustmentChannel channel = channelWith(c.held);
        channel.setSelectedPoint(0);
        channel.removePointAt(c.index);
        expectPoints(channel, c.expected);
        EXPECT_EQ(channel.SelectedPoint(), -1);
    }
}

TEST(DayAdjustmentChannel, MoveSelectedToClampsAndFollowsThePoint) {
    struct Case {
        const char* name;
        std::int32_t held;
        CurvePoint to;
        CurvePoint returned;
        std::int32_t selectionAfter;
    };
    const std::vector<Case> cases = {
        {"stays between its neighbours", 1, {0.6, 0.7}, {0.6, 0.7}, 1},
        {"clamped to the unit square", 1, {0.5, 1.7}, {0.5, 1.0}, 1},
        {"past the earlier neighbour", 1, {0.1, -0.5}, {0.1, 0.0}, 0},
        {"past the later neighbour, clamped at the right edge", 1, {3.0, 0.5}, {1.0, 0.5}, 2},
        {"first point clamped at midnight", 0, {-0.2, 0.5}, {0.0, 0.5}, 0},
        {"past both later neighbours in one step", 0, {0.9, 0.3}, {0.9, 0.3}, 2},
        {"past both earlier neighbours in one step", 2, {0.1, 0.4}, {0.1, 0.4}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DayAdjustmentChannel channel = channelWith({{0.2, 0.2}, {0.5, 0.5}, {0.8, 0.8}});
        channel.setSelectedPoint(c.held);
        const CurvePoint p = channel.moveSelectedTo(c.to);
        EXPECT_EQ(p, c.returned);
        EXPECT_EQ(channel.SelectedPoint(), c.selectionAfter);
        EXPECT_EQ(channel.Points()[c.selectionAfter], c.returned);
        for (int i = 1; i < channel.PointCount(); ++i) {
            EXPECT_LE(channel.Points()[i - 1].x, channel.Points()[i].x);
        }
    }
}

TEST(DayAdjustmentChannel, MoveSelectedToWithAStaleSelectionWritesNothing) {
    for (std::int32_t held : {2, 143, 200, 100000}) {
        SCOPED_TRACE(held);
        DayAdjustmentChannel channel = channelWith({{0.2, 0.2}, {0.5, 0.5}});
        channel.setSelectedPoint(held);  // left over from a list that was reloaded
        EXPECT_EQ(channel.moveSelectedTo(CurvePoint{0.9, 1.9}), (CurvePoint{0.9, 1.0}));
        expectPoints(channel, {{0.2, 0.2}, {0.5, 0.5}});
    }
}

TEST(DayAdjustmentChannel, MoveWrapsAroundMidnight) {
    struct Case {
        double x;
        float offset;
        double expected;
    };
    const std::vector<Case> cases = {
        {0.9, 0.25f, 0.15}, {0.1, -0.25f, 0.85}, {0.5, 0.5f, 1.0},
        {0.5, -0.5f, 0.0},  {0.2, 2.5f, 0.7},    {0.5, 1000.0f, 900.5},  // at most 100 turns
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << " by " << c.offset);
        DayAdjustmentChannel channel = channelWith({{c.x, 0.5}});
        channel.move(c.offset);
        EXPECT_NEAR(channel.Points()[0].x, c.expected, 1e-12);
    }
    DayAdjustmentChannel pair = channelWith({{0.1, 0.1}, {0.9, 0.9}});
    pair.move(0.25f);
    EXPECT_NEAR(pair.Points()[0].x, 0.15, 1e-12);  // the wrapped point now comes first
    EXPECT_DOUBLE_EQ(pair.Points()[0].y, 0.9);
}

TEST(DayAdjustmentChannel, MoveVClampsIntensity) {
    struct Case {
        double y;
        float offset;
        double expected;
    };
    const std::vector<Case> cases = {
        {0.8, 0.5f, 1.0}, {0.2, -0.5f, 0.0}, {0.25, 0.5f, 0.75},
        {1.4, 0.0f, 1.0}, {-0.1, 0.0f, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.y << " by " << c.offset);
        DayAdjustmentChannel channel = channelWith({{0.5, c.y}});
        channel.moveV(c.offset);
        EXPECT_DOUBLE_EQ(channel.Points()[0].y, c.expected);
    }
}

TEST(DayAdjustmentChannel, HitTestIsStrictAndPrefersEarlierPoints) {
    // A tolerance and positions that binary fractions hold exactly, so "exactly
    // the tolerance away" really is.
    const double t = 0.25;
    struct Case {
        const char* name;
        std::vector<CurvePoint> points;
        CurvePoint probe;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {"on the point", {{0.5, 0.5}}, {0.5, 0.5}, 0},
        {"exactly the tolerance right of it", {{0.5, 0.5}}, {0.75, 0.5}, -1},
        {"exactly the tolerance left of it", {{0.5, 0.5}}, {0.25, 0.5}, -1},
        {"exactly the tolerance above it", {{0.5, 0.5}}, {0.5, 0.75}, -1},
        {"exactly the tolerance below it", {{0.5, 0.5}}, {0.5, 0.25}, -1},
        {"just inside in both axes", {{0.5, 0.5}}, {0.74, 0.26}, 0},
        {"inside in time only", {{0.5, 0.5}}, {0.5, 0.875}, -1},
        {"two points in reach, the earlier wins", {{0.5, 0.5}, {0.625, 0.5}}, {0.6, 0.5}, 0},
        {"only the later point in reach", {{0.5, 0.5}, {0.625, 0.5}}, {0.8125, 0.5}, 1},
        {"empty channel", {}, {0.5, 0.5}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(channelWith(c.points).getPoint(c.probe, t), c.expected);
    }
}

TEST(DayAdjustmentChannel, TextForm) {
    struct Case {
        std::vector<CurvePoint> points;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{}, ""},
        {{{0.5, 1.0}}, "0500,1000"},
        {{{0.0015, 0.0}}, "0001,0000"},
        {{{0.0, 0.1}, {1.0, 0.1}}, "0000,0100;1000,0100"},
        {{{-0.005, 1.2}}, "-005,1200"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(channelWith(c.points).channelAsString(), c.text);
    }
}

TEST(DayAdjustmentChannel, TextRoundTripTruncatesWithinAThousandth) {
    std::vector<CurvePoint> points;
    for (int i = 0; i < 144; ++i) points.push_back(CurvePoint{i / 143.0, (i * 37 % 101) / 100.7});
    const DayAdjustmentChannel original = channelWith(points);
    DayAdjustmentChannel restored(Color{});
    restored.channelFromString(original.channelAsString());
    ASSERT_EQ(restored.PointCount(), 144);
    for (int i = 0; i < 144; ++i) {
        SCOPED_TRACE(i);
        EXPECT_LE(restored.Points()[i].x, points[i].x);
        EXPECT_GT(restored.Points()[i].x, points[i].x - 0.001);
        EXPECT_LE(restored.Points()[i].y, points[i].y);
        EXPECT_GT(restored.Points()[i].y, points[i].y - 0.001);
    }
    // Whole thousandths read from text survive a second round unchanged.
    DayAdjustmentChannel again(Color{});
    again.channelFromString(restored.channelAsString());
    EXPECT_EQ(pointsOf(again), pointsOf(restored));
}

TEST(DayAdjustmentChannel, ReadsUntrustedText) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<CurvePoint> expected;
    };
    const double big = INT_MAX / 1000.0;
    const double small = INT_MIN / 1000.0;
    const std::vector<Case> cases = {
        {"plain", "0250,0500", {{0.25, 0.5}}},
        {"blank and sign", " 250,+500", {{0.25, 0.5}}},
        {"every kind of blank", "\t\n\v\f\r 250,\v500", {{0.25, 0.5}}},
        {"two points", "0000,0100;1000,0100", {{0.0, 0.1}, {1.0, 0.1}}},
        {"out of range kept unclamped", "-050,1500", {{-0.05, 1.5}}},
        {"no comma gives intensity 0", "0300", {{0.3, 0.0}}},
        {"empty text is one empty piece", "", {{0.0, 0.0}}},
        {"letters read as 0", "abc,x5", {{0.0, 0.0}}},
        {"digits up to the first other character", "12x4,7.9", {{0.012, 0.007}}},
        {"empty piece between separators",
         "0100,0100;;0200,0200",
         {{0.1, 0.1}, {0.0, 0.0}, {0.2, 0.2}}},
        {"numbers too large saturate",
         "99999999999999999999,-99999999999999999999",
         {{big, small}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DayAdjustmentChannel channel(Color{});
        channel.channelFromString(c.text);
        expectPoints(channel, c.expected);
        // Writing it back must not overflow either.
        EXPECT_FALSE(channel.channelAsString().empty());
    }
}

TEST(DayAdjustmentChannel, TextBeyond144PiecesIsCut) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += (i ? ";" : "") + std::to_string(i) + ",0500";
    DayAdjustmentChannel channel(Color{});
    channel.setSelectedPoint(3);
    channel.channelFromString(text);
    ASSERT_EQ(channel.PointCount(), 144);
    EXPECT_DOUBLE_EQ(channel.Points()[143].x, 0.143);
    EXPECT_EQ(channel.SelectedPoint(), 3);  // text never touches the selection
}

}  // namespace
}  // namespace aq
