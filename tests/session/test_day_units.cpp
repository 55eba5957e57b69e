// The day programme's units at the lamp and the text of preset files,
// checked without a lamp or a window.
#include "curve/PresetFile.h"
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

}  // namespace
}  // namespace aq
