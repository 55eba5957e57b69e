#include <gtest/gtest.h>

#include "link/Bytes.h"

namespace aq {
namespace {

struct HexCase {
    const char* text;
    Bytes expected;
};

class BytesFromHexString : public ::testing::TestWithParam<HexCase> {};

TEST_P(BytesFromHexString, DecodesPairsOfDigits) {
    EXPECT_EQ(bytesFromHexString(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, BytesFromHexString,
                         ::testing::Values(HexCase{"9B00", {0x9B, 0x00}},  // upper case
                                           HexCase{"9b00", {0x9B, 0x00}},  // lower case
                                           HexCase{"abc", {0xAB}},         // odd last digit ignored
                                           HexCase{"", {}}, HexCase{"a", {}},
                                           HexCase{"0aFf7E", {0x0A, 0xFF, 0x7E}},
                                           HexCase{"Aa", {0xAA}},
                                           // A character that is no hex digit counts as 255:
                                           // (255 * 16 + 1) % 256 = 0xF1 and (0 * 16 + 255) = 0xFF.
                                           HexCase{"g1", {0xF1}}, HexCase{"0z", {0xFF}},
                                           // Only A-Z fold to lower case; 'G' is still no digit.
                                           HexCase{"G0", {0xF0}}));

TEST(CommandBytes, KeepsTheLowByteOfEachValueInOrder) {
    EXPECT_EQ(commandBytes({0x1FF, 0}), (Bytes{0xFF, 0x00}));
    EXPECT_EQ(commandBytes({0x81, 0x00, 0x1234, 300}), (Bytes{0x81, 0x00, 0x34, 0x2C}));
    EXPECT_EQ(commandBytes({}), Bytes{});
}

TEST(HexDescription, RendersLowerCaseInAngleBrackets) {
    EXPECT_EQ(hexDescription({0x9B, 0x00}), "<9b00>");
    EXPECT_EQ(hexDescription({}), "<>");
    EXPECT_EQ(hexDescription({0xAB, 0xCD, 0xEF, 0x01}), "<abcdef01>");
}

}  // namespace
}  // namespace aq

#include "link/BTLECommand.h"
#include "support/LogCapture.h"

namespace aq {
namespace {

// This program makes no other command, so this one is the run's first.
TEST(CommandCounter, TheFirstCommandOfARunIsNumberOneAndLogsSixDigits) {
    test::LogCapture log;
    BTLECommand first({0x9B, 0x00}, nullptr, 10.0);
    EXPECT_EQ(first.num(), 1u);
    first.fire(10.0);
    first.setResponsedData({0x9B, 0x01}, 10.25);
    EXPECT_EQ(log.entries(), (std::vector<std::string>{"000001 --> <9b00>\n",
                                                       "000001 <-- <9b01> (0.2500 Sek)\n"}));
    EXPECT_EQ(first.fired(), 10.0);
    EXPECT_EQ(first.responsed(), 10.25);
}

}  // namespace
}  // namespace aq
