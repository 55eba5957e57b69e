// The day programme's units at the lamp and the text of preset files,
// checked without a lamp or a window.
#include "curve/DayAdjustmentGraph.h"
#include "curve/PresetFile.h"
#include "link/LampDateTime.h"
#include "session/DayTransfer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace aq {
namespace {

TEST(DayUnits, CurveToLampTruncatesAndStaysInRange) {
    struct Case {
        double x, y;
        std::uint16_t offset;
        std::uint8_t level;
    };
    const Case cases[] = {
        {0.25, 0.5, 359, 127},
        {0.75, 1.0, 1079, 255},
        {0.0, 0.0, 0, 0},
        {1.0, 1.0, 1439, 255},
        {0.9999, 0.9999, 1438, 254},
        // Beyond the day or the full level (a file or the adjust sheet may
        // hold such points): kept to the lamp's range, never wrapped.
        {1.5, 2.0, 1439, 255},
        {-0.1, -0.5, 0, 0},
        {50.0, 3.0, 1439, 255},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lampOffset(c.x), c.offset) << c.x;
        EXPECT_EQ(lampLevel(c.y), c.level) << c.y;
    }
    EXPECT_EQ(lampOffset(std::nan("")), 0);
    EXPECT_EQ(lampLevel(std::nan("")), 0);
}

TEST(DayUnits, EveryLampValueSurvivesADownloadAndUpload) {
    for (int offset = 0; offset <= 1439; ++offset) {
        const CurvePoint p = curvePoint(static_cast<std::uint16_t>(offset), 0);
        ASSERT_EQ(lampOffset(p.x), offset) << "minute " << offset << " moves on a round trip";
    }
    for (int level = 0; level <= 255; ++level) {
        const CurvePoint p = curvePoint(0, static_cast<std::uint8_t>(level));
        ASSERT_EQ(lampLevel(p.y), level);
    }
}

TEST(PresetText, ChannelTextsAreListsOfNumberPairs) {
    struct Case {
        const char* text;
        bool channel;
    };
    const Case cases[] = {
        {"", true},           {"0000,0100", true},       {"0000,0100;1000,0100", true},
        {"-005,1200", true},  {" 12 , 34 ", true},       {"0000", false},
        {"0000,", false},     {",0100", false},          {"0000,0100;", false},
        {"00a0,0100", false}, {"0000,0100,0200", false}, {"--1,2", false},
    };
    for (const Case& c : cases) EXPECT_EQ(isChannelText(c.text), c.channel) << c.text;

    const auto channels = presetChannels(" 0000,0100?\n?x?1,2\n");
    ASSERT_EQ(channels.size(), 4u);
    EXPECT_EQ(channels[0], std::optional<std::string_view>("0000,0100"));
    EXPECT_EQ(channels[1], std::optional<std::string_view>("")) << "a channel of blanks is empty";
    EXPECT_EQ(channels[2], std::nullopt);
    EXPECT_EQ(channels[3], std::optional<std::string_view>("1,2"));
    EXPECT_TRUE(presetChannels("\r\n").empty());
}

TEST(PresetText, LoadingTellsTextFromNoiseAndKeepsWhatItCannotRead) {
    using O = PresetLoad::Outcome;
    const struct {
        const char* what;
        std::string bytes;
        O outcome;
        std::vector<std::size_t> skipped;
        double firstY;  // of channel 0 afterwards; the old curve's 0.5 when kept
    } cases[] = {
        {"plain", "0000,0250?0000,0300", O::Loaded, {}, 0.25},
        {"blanks of every kind", "\f 0000,\t0250\v?\r\n0000,0300\n", O::Loaded, {}, 0.25},
        {"byte order mark skipped",
         "\xEF\xBB\xBF"
         "0000,0250",
         O::Loaded,
         {},
         0.25},
        {"lowest two-byte lead in noise", "0000,0250?\xC2\xA0", O::Loaded, {1}, 0.25},
        {"three-byte UTF-8 in noise", "0000,0250?\xE2\x82\xAC", O::Loaded, {1}, 0.25},
        {"highest three-byte lead", "0000,0250?\xEF\xBF\xBD", O::Loaded, {1}, 0.25},
        {"cut-off sequence", "0000,0250?\xE2\x82", O::NotText, {}, 0.5},
        {"bad continuation", "0000,0250?\xC3\x28", O::NotText, {}, 0.5},
        {"only empty channels", "??", O::NoCurves, {}, 0.5},
        {"only noise", "x?y", O::NoCurves, {}, 0.5},
    };
    for (const auto& c : cases) {
        DayAdjustmentGraph graph(Color{0, 0, 0, 1}, Color{1, 1, 1, 1});
        for (int i = 0; i < 2; ++i) {
            auto channel = std::make_shared<DayAdjustmentChannel>(Color{1, 0, 0, 1});
            channel->addPoint(CurvePoint{0.0, 0.5});
            graph.channelAdd(channel);
        }
        const PresetLoad load = loadPresetText(c.bytes, graph);
        EXPECT_EQ(load.outcome, c.outcome) << c.what;
        EXPECT_EQ(load.skipped, c.skipped) << c.what;
        EXPECT_NEAR(graph.channelAtIndex(0)->Points()[0].y, c.firstY, 1e-9) << c.what;
    }
}

TEST(LampClock, ValidOnlyForARealDateAndTime) {
    const struct {
        unsigned day, hour, minute, second;
        bool valid;
    } cases[] = {
        {28, 23, 59, 59, true}, {29, 12, 0, 0, false},  // 2026 is no leap year
        {1, 24, 0, 0, false},   {1, 0, 60, 0, false},  {1, 0, 0, 60, false},
    };
    for (const auto& c : cases) {
        LampDateTime t;
        t.year = 2026;
        t.month = 2;
        t.day = c.day;
        t.hour = c.hour;
        t.minute = c.minute;
        t.second = c.second;
        EXPECT_EQ(t.valid(), c.valid)
            << c.day << " " << c.hour << ":" << c.minute << ":" << c.second;
    }
}

}  // namespace
}  // namespace aq
