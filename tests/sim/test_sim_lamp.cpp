// The simulated lamp's side of the protocol, spoken to directly: what it
// keeps, what it answers for indices it does not have, and the demo lamp.
#include <gtest/gtest.h>

#include <set>

#include "link/LampUuids.h"
#include "sim/DemoLamps.h"
#include "sim/SimModelLamp.h"
#include "sim/VirtualDispatch.h"

namespace aq {
namespace {

const std::string rw = kCommandCharacteristicUUID;

struct Exchange {
    Bytes request;
    Bytes answer;
};

struct ProtocolCase {
    const char* name;
    std::vector<Exchange> exchanges;
};

void PrintTo(const ProtocolCase& c, std::ostream* os) {
    *os << c.name;
}

class Protocol : public ::testing::TestWithParam<ProtocolCase> {};

TEST_P(Protocol, AnswersAsTheLinkReadsThem) {
    double clock = 100.0;
    SimModelLamp lamp("L", "I", SimLampModel::standard(1), [&clock] { return clock; });
    for (const Exchange& e : GetParam().exchanges) {
        EXPECT_EQ(lamp.receive(rw, e.request), e.answer) << hexDescription(e.request);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Protocol,
    ::testing::Values(
        ProtocolCase{"writesAnswerWithTheOpcodeAlone", {{{0x12, 0x00, 0x02}, {0x12}}}},
        ProtocolCase{"unknownOpcodeIsEchoed", {{{0x77, 0x00}, {0x77}}}},
        ProtocolCase{"pointBeyondTheCountIsNotKept",
                     {{{0x0E, 0x00, 0x01, 0x01}, {0x0E}},
                      {{0x0F, 0x00, 0x01, 0x01, 0x10, 0x00, 0x20}, {0x0F}},
                      {{0x0F, 0x00, 0x01, 0x00, 0x2A, 0x03, 0x7F}, {0x0F}},
                      {{0x8E, 0x00, 0x01}, {0x8E, 0x01}},
                      {{0x8F, 0x00, 0x01, 0x00}, {0x8F, 0x2A, 0x03, 0x7F}},
                      {{0x8F, 0x00, 0x01, 0x01}, {0x8F, 0x00, 0x00, 0x00}}}},
        ProtocolCase{"slavesKeepTheirOwnProgramme",
                     {{{0x0E, 0x01, 0x00, 0x02}, {0x0E}},
                      {{0x8E, 0x01, 0x00}, {0x8E, 0x02}},
                      {{0x8E, 0x00, 0x00}, {0x8E, 0x00}}}},
        ProtocolCase{"aMissingDeviceReadsAsZerosAndIgnoresWrites",
                     {{{0x0E, 0x05, 0x00, 0x02}, {0x0E}},
                      {{0x8E, 0x05, 0x00}, {0x8E, 0x00}},
                      {{0x87, 0x05}, {0x87, 0x00}},
                      {{0x8F, 0x05, 0x00, 0x00}, {0x8F, 0x00, 0x00, 0x00}}}},
        ProtocolCase{"aShortRequestCountsMissingArgumentsAsZero",
                     {{{0x96}, {0x96, 'R', 'o', 'y', 'a', 'l', ' ', 'B', 'l', 'u', 'e', 0x00}}}},
        ProtocolCase{"missingChannelHasAnEmptyName",
                     {{{0x96, 0x00, 0x09}, {0x96, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
                      {{0x99, 0x00, 0x09}, {0x99, 0, 0, 0}}}},
        ProtocolCase{
            "nameHalvesArePaddedWithFF",
            {{{0x0B, 0x00, 'A', 'B', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
              {0x0B}},
             {{0x8B, 0x00},
              {0x8B, 'A', 'B', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
             {{0x8C, 0x00},
              Bytes{0x8C, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                    0xFF}}}},
        ProtocolCase{"windowsAndDurationLowByteFirst",
                     {{{0x0A, 0x00, 0x68, 0x01, 0x1C, 0x02}, {0x0A}},
                      {{0x8A, 0x00}, {0x8A, 0x68, 0x01, 0x1C, 0x02}},
                      {{0x04, 0x00, 0xE7, 0x03}, {0x04}},
                      {{0x84, 0x00}, {0x84, 0xE7, 0x03}}}},
        ProtocolCase{"slaveCount", {{{0x90, 0x00}, {0x90, 0x01}}}},
        ProtocolCase{"clockWithWeekday",
                     {{{0x11, 0x00, 9, 5, 14, 0xFF, 7, 3, 26}, {0x11}},
                      // 2026-03-07 is a Saturday: the lamp's weekday 7.
                      {{0x91, 0x00}, {0x91, 9, 5, 14, 7, 7, 3, 26}}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimModelLampTest, LongChannelNamesFillElevenBytesWithoutEnd) {
    SimModelLamp lamp("L", "I", SimLampModel::standard(0));
    lamp.updateModel([](SimLampModel& m) { m.channels[1].name = "Ultra Violet Deep"; });
    EXPECT_EQ(lamp.receive(rw, {0x96, 0x00, 0x01}),
              (Bytes{0x96, 'U', 'l', 't', 'r', 'a', ' ', 'V', 'i', 'o', 'l', 'e'}));
}

TEST(SimModelLampTest, TheClockRunsOnTheLampsTimeSource) {
    double clock = 10.0;
    SimModelLamp lamp("L", "I", SimLampModel::standard(0), [&clock] { return clock; });
    lamp.setClock({2024, 2, 28, 23, 59, 59});
    clock += 86400.0 + 1.0;
    EXPECT_EQ(lamp.clock(), (LampDateTime{2024, 3, 1, 0, 0, 0}));  // through the leap day
}

TEST(SimModelLampTest, AClockSetToNoDateStandsStillInsteadOfFailing) {
    double clock = 0.0;
    SimModelLamp lamp("L", "I", SimLampModel::standard(0), [&clock] { return clock; });
    lamp.receive(rw, {0x11, 0x00, 0, 0, 25, 1, 31, 2, 26});  // 31 Feb, hour 25
    clock += 60.0;
    EXPECT_EQ(lamp.receive(rw, {0x91, 0x00}), (Bytes{0x91, 0, 0, 25, 0, 31, 2, 26}));
}

TEST(SimModelLampTest, ChannelCountChangesEveryLampAndPresetting) {
    SimLampModel m = SimLampModel::standard(2);
    m.setChannelCount(8);
    EXPECT_EQ(m.channels.size(), 8u);
    for (const SimDevice& d : m.devices) {
        EXPECT_EQ(d.programme.size(), 8u);
        EXPECT_EQ(d.liveValues.size(), 8u);
    }
    for (const SimPresetting& p : m.presettings) EXPECT_EQ(p.programme.size(), 8u);
}

TEST(SimModelLampTest, KeepsOnlyTheMostRecentWritesButCountsThemAll) {
    SimModelLamp lamp("L", "I", SimLampModel::standard(0), [] { return 0.0; });
    const std::size_t total = SimLamp::kReceivedKept + 10;
    for (std::size_t i = 0; i < total; ++i) {
        lamp.receive(rw, Bytes{0x12, 0, static_cast<std::uint8_t>(i % 256)});
    }
    const auto kept = lamp.received();
    ASSERT_EQ(kept.size(), SimLamp::kReceivedKept);
    EXPECT_EQ(kept.front().data[2], 10);
    EXPECT_EQ(kept.back().data[2], (total - 1) % 256);
    EXPECT_EQ(lamp.receivedCount(), total);
}

TEST(SimModelLampTest, ASpoiltSetPointIsAnsweredButDroppedOrAltered) {
    struct Case {
        bool drop;
        SimSetPoint held;
    };
    for (const Case c : {Case{true, {0, 0}}, Case{false, {600, 201}}}) {
        SimModelLamp lamp("L", "I", SimLampModel::standard(0), [] { return 0.0; });
        SimFaults f;
        f.spoilPointAt = 2;
        f.spoilPointByDropping = c.drop;
        lamp.setFaults(f);
        lamp.receive(rw, Bytes{0x0E, 0, 0, 1});
        EXPECT_EQ(lamp.receive(rw, Bytes{0x0F, 0, 0, 0, 600 & 0xFF, 600 >> 8, 200}), Bytes{0x0F});
        EXPECT_EQ(lamp.model().devices[0].programme[0], std::vector<SimSetPoint>{c.held});
    }
}

TEST(DemoLamps, AreAMasterWithSlavesAndADayInUse) {
    VirtualDispatch dispatch;
    SimCentral central(dispatch, 0.01);
    const auto lamp = makeDemoLamps(central, 2);
    ASSERT_EQ(central.lamps().size(), 1u);
    EXPECT_EQ(central.lamps()[0]->lamp(), lamp);

    const SimLampModel m = lamp->model();
    EXPECT_EQ(m.devices.size(), 3u);
    EXPECT_EQ(m.channels.size(), 6u);
    ASSERT_EQ(m.presettings.size(), 6u);
    std::set<std::string> names;
    for (const SimPresetting& p : m.presettings) {
        EXPECT_FALSE(p.name.empty());
        EXPECT_LE(p.name.size(), 11u);
        names.insert(p.name);
    }
    EXPECT_EQ(names.size(), 6u);
    for (const SimDevice& d : m.devices) {
        for (const auto& points : d.programme) {
            ASSERT_GE(points.size(), 2u);
            for (std::size_t i = 0; i < points.size(); ++i) {
                EXPECT_LE(points[i].offset, 1439);
                if (i > 0) {
                    EXPECT_LT(points[i - 1].offset, points[i].offset);
                }
            }
        }
    }
    EXPECT_NE(m.devices[0].programme, m.devices[1].programme);
    EXPECT_FALSE(m.nameText().empty());
    // Its clock starts at the local time (give or take the seconds this
    // test takes on a slow machine).
    const auto lampNow = lamp->clock().toLocalSeconds();
    const auto now = localTimeNow().toLocalSeconds();
    ASSERT_TRUE(lampNow && now);
    EXPECT_LE(std::chrono::abs(*now - *lampNow), std::chrono::seconds{60});
}

}  // namespace
}  // namespace aq
