// Every lamp command's bytes on the air, read from the simulated lamp's
// receive log: opcode, device byte, arguments (low byte first), and the
// characteristic each goes to.
#include <gtest/gtest.h>

#include <functional>

#include "support/LampFixture.h"

namespace aq::test {
namespace {

using Call = std::function<void(BTLEController&)>;

struct RequestCase {
    const char* name;
    Call call;
    bool onWorker;  // synchronous commands block a worker
    const char* characteristic;
    std::vector<Bytes> expected;
};

void PrintTo(const RequestCase& c, std::ostream* os) {
    *os << c.name;
}

// A name half as the lamp receives it: opcode, 0, 12 bytes 0xFF padded.
Bytes half(std::uint8_t opcode, const std::string& text) {
    Bytes out{opcode, 0x00};
    for (std::size_t i = 0; i < 12; ++i) {
        out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0xFF);
    }
    return out;
}

const char* const rw = kCommandCharacteristicUUID;
const char* const test = kTestCharacteristicUUID;

RequestCase queued(const char* name, Call call, std::vector<Bytes> expected,
                   const char* characteristic = rw) {
    return {name, std::move(call), false, characteristic, std::move(expected)};
}
RequestCase sync(const char* name, Call call, std::vector<Bytes> expected) {
    return {name, std::move(call), true, rw, std::move(expected)};
}

std::vector<RequestCase> requestCases() {
    using C = BTLEController;
    return {
        // Device information and settings.
        queued("getSlaves", [](C& c) { c.getSlaves({}); }, {{0x90, 0x00}}),
        queued("getName", [](C& c) { c.getName({}); }, {{0x8B, 0x00}, {0x8C, 0x00}}),
        queued("setNameShort", [](C& c) { c.setName("Reef"); },
               {half(0x0B, "Reef"), half(0x0C, "")}),
        queued("setName12", [](C& c) { c.setName("ABCDEFGHIJKL"); },
               {half(0x0B, "ABCDEFGHIJKL"), half(0x0C, "")}),
        queued("setName30CutAt24", [](C& c) { c.setName("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"); },
               {half(0x0B, "ABCDEFGHIJKL"), half(0x0C, "MNOPQRSTUVWX")}),
        queued("setNameEmpty", [](C& c) { c.setName(""); }, {half(0x0B, ""), half(0x0C, "")}),
        queued("setNameNotAscii", [](C& c) { c.setName("Rif\xC3\xA9"); },
               {half(0x0B, ""), half(0x0C, "")}),
        queued("getRTC", [](C& c) { c.getRTC({}); }, {{0x91, 0x00}}),
        // 2026-03-07 is a Saturday: weekday 7, not the 0xFF of an unset field.
        queued("setRTC",
               [](C& c) {
                   c.setRTC({2026, 3, 7, 14, 5, 9});
               },
               {{0x11, 0x00, 9, 5, 14, 7, 7, 3, 26}}),
        queued("setRTCSunday",
               [](C& c) {
                   c.setRTC({2024, 12, 29, 0, 0, 0});
               },
               {{0x11, 0x00, 0, 0, 0, 1, 29, 12, 24}}),
        queued("setRTCNoDate",
               [](C& c) {
                   c.setRTC({2026, 2, 30, 14, 5, 9});
               },
               {}),
        queued("getDemoLoop", [](C& c) { c.getDemoLoop({}); }, {{0x86, 0x00}}),
        queued("setDemoLoopOn", [](C& c) { c.setDemoLoop(true); }, {{0x06, 0x00, 0x01}}),
        queued("setDemoLoopOff", [](C& c) { c.setDemoLoop(false); }, {{0x06, 0x00, 0x00}}),
        queued("getMode", [](C& c) { c.getMode({}); }, {{0x92, 0x00}}),
        queued("setModeLowByte", [](C& c) { c.setMode(0x103); }, {{0x12, 0x00, 0x03}}),
        queued("getFirmware", [](C& c) { c.getFirmware({}); }, {{0x95, 0x00}}),
        queued("getSerialNo", [](C& c) { c.getSerialNo({}); }, {{0x9C, 0x00}}),
        queued("getActualPower", [](C& c) { c.getActualPowerConsumption({}); }, {{0x9B, 0x00}}),
        queued("getPower", [](C& c) { c.getPowerConsumption({}); }, {{0x98, 0x00}}),
        queued("getChannelColorQueued", [](C& c) { c.getChannelColor(3, {}); },
               {{0x99, 0x00, 0x03}}),
        sync("getChannels", [](C& c) { (void)c.getChannels(); }, {{0x97, 0x00}}),
        sync("getChannelName", [](C& c) { (void)c.getChannelName(4); }, {{0x96, 0x00, 0x04}}),
        sync("getChannelColor", [](C& c) { (void)c.getChannelColor(5); }, {{0x99, 0x00, 0x05}}),

        // Programme and presettings.
        sync("getSetPointCountForDevice", [](C& c) { (void)c.getSetPointCountForDevice(1, 3); },
             {{0x8E, 0x01, 0x03}}),
        sync("getSetPointValueForDevice",
             [](C& c) {
                 std::uint16_t o = 0;
                 std::uint8_t i = 0;
                 (void)c.getSetPointValueForDevice(2, 1, 7, o, i);
             },
             {{0x8F, 0x02, 0x01, 0x07}}),
        sync("getPresettingName", [](C& c) { (void)c.getPresettingName(5); }, {{0x9F, 0x00, 0x05}}),
        sync("getSetPointCountForPresetting",
             [](C& c) { (void)c.getSetPointCountForPresetting(4, 2); }, {{0xA0, 0x00, 0x04, 0x02}}),
        sync("getSetPointValueForPresetting",
             [](C& c) {
                 std::uint16_t o = 0;
                 std::uint8_t i = 0;
                 (void)c.getSetPointValueForPresetting(3, 2, 9, o, i);
             },
             {{0xA1, 0x00, 0x03, 0x02, 0x09}}),
        sync("setSetPointCountForDeviceZero",
             [](C& c) { (void)c.setSetPointCountForDevice(1, 2, 0); }, {{0x0E, 0x01, 0x02, 0x00}}),
        // 13:30 = 810 minutes = 0x032A, low byte first.
        sync("setSetPointValueForDevice",
             [](C& c) { (void)c.setSetPointValueForDevice(0, 2, 4, 810, 127); },
             {{0x0F, 0x00, 0x02, 0x04, 0x2A, 0x03, 0x7F}}),

        // Weather.
        queued("getBoltsPerHour", [](C& c) { c.getBoltsPerHour({}); }, {{0x81, 0x00}}),
        queued("setBoltsPerHour", [](C& c) { c.setBoltsPerHour(180); }, {{0x01, 0x00, 0xB4}}),
        queued("getBoltsWnd", [](C& c) { c.getBoltsWnd({}); }, {{0x82, 0x00}}),
        queued("setBoltsWnd", [](C& c) { c.setBoltsWnd(1200, 1380); },
               {{0x02, 0x00, 0xB0, 0x04, 0x64, 0x05}}),
        queued("getCloudDimming", [](C& c) { c.getCloudDimming({}); }, {{0x83, 0x00}}),
        queued("setCloudDimming", [](C& c) { c.setCloudDimming(100); }, {{0x03, 0x00, 0x64}}),
        queued("getCloudDuration", [](C& c) { c.getCloudDuration({}); }, {{0x84, 0x00}}),
        queued("setCloudDuration", [](C& c) { c.setCloudDuration(999); },
               {{0x04, 0x00, 0xE7, 0x03}}),
        queued("getCloudsPerDay", [](C& c) { c.getCloudsPerDay({}); }, {{0x85, 0x00}}),
        queued("setCloudsPerDay", [](C& c) { c.setCloudsPerDay(255); }, {{0x05, 0x00, 0xFF}}),

        // Moon.
        queued("getMoonActive", [](C& c) { c.getMoonActive(2, {}); }, {{0x87, 0x02}}),
        sync("getMoonActiveSync", [](C& c) { (void)c.getMoonActiveSync(1); }, {{0x87, 0x01}}),
        queued("setMoonActiveOn", [](C& c) { c.setMoonActive(1, true); }, {{0x07, 0x01, 0x01}}),
        queued("setMoonActiveOff", [](C& c) { c.setMoonActive(2, false); }, {{0x07, 0x02, 0x00}}),
        queued("getMoonDay", [](C& c) { c.getMoonDay({}); }, {{0x88, 0x00}}),
        queued("setMoonDay", [](C& c) { c.setMoonDay(28); }, {{0x08, 0x00, 0x1C}}),
        queued("getMoonMax", [](C& c) { c.getMoonMax({}); }, {{0x89, 0x00}}),
        queued("setMoonMax", [](C& c) { c.setMoonMax(100); }, {{0x09, 0x00, 0x64}}),
        queued("getMoonWnd", [](C& c) { c.getMoonWnd({}); }, {{0x8A, 0x00}}),
        queued("setMoonWnd", [](C& c) { c.setMoonWnd(360, 540); },
               {{0x0A, 0x00, 0x68, 0x01, 0x1C, 0x02}}),
        sync("getMoonChannel", [](C& c) { (void)c.getMoonChannel(1); }, {{0x93, 0x01}}),
        queued("setMoonChannel", [](C& c) { c.setMoonChannel(2, 5); }, {{0x13, 0x02, 0x05}}),

        // Live control, on the test characteristic.
        queued(
            "liveValue", [](C& c) { c.liveValue(255, 3, 0); }, {{0x0A, 0x00, 0x03, 0xFF}}, test),
        queued(
            "liveValueLowBytes", [](C& c) { c.liveValue(0x107, 0x102, 1); },
            {{0x0A, 0x01, 0x02, 0x07}}, test),
        queued(
            "liveValueOverload", [](C& c) { c.liveValueOverload(10, 1, 2); },
            {{0x0A, 0x02, 0x01, 0x0A}}, test),
        queued(
            "liveNav", [](C& c) { c.liveNav(6); }, {{0x01, 0x06}}, test),
        queued(
            "liveNavLeft", [](C& c) { c.liveNavLeft(); }, {{0x01, 0x05}}, test),
        queued(
            "liveNavRight", [](C& c) { c.liveNavRight(); }, {{0x01, 0x06}}, test),
        queued(
            "liveNavPush", [](C& c) { c.liveNavPush(); }, {{0x01, 0x08}}, test),
        queued(
            "liveNavLongPush", [](C& c) { c.liveNavLongPush(); }, {{0x01, 0x09}}, test),
        queued(
            "liveCloud", [](C& c) { c.liveCloud(); }, {{0x0C, 0x00}}, test),
        queued(
            "liveBolt", [](C& c) { c.liveBolt(); }, {{0x0B, 0x00}}, test),
    };
}

class Requests : public LampFixture, public ::testing::WithParamInterface<RequestCase> {};

TEST_P(Requests, GoOutAsTheLampExpectsThem) {
    const RequestCase& c = GetParam();
    if (c.onWorker) {
        dispatch.runOnWorker([&] { c.call(controller); });
    } else {
        c.call(controller);
    }
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(sent(c.characteristic), c.expected);
    // Nothing strays onto another characteristic.
    EXPECT_EQ(lamp->received().size(), c.expected.size());
}

INSTANTIATE_TEST_SUITE_P(Commands, Requests, ::testing::ValuesIn(requestCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// --- order on the air ----------------------------------------------------------

TEST_F(LampFixture, NameWriteThenReadGoOutHalfByHalf) {
    controller.setName("Reef Tank");
    controller.getName({});
    ASSERT_TRUE(dispatch.runUntilIdle());
    std::vector<int> ops;
    for (const Bytes& b : sent(kRw)) ops.push_back(b[0]);
    // Each second half is chained from its first half's answer, so it goes
    // out before anything that was waiting.
    EXPECT_EQ(ops, (std::vector<int>{0x0B, 0x0C, 0x8B, 0x8C}));
}

TEST_F(LampFixture, TenLiveValuesBehindOneInFlightGiveTwoWrites) {
    // The first value's answer takes 0.9 s; meanwhile the slider offers ten
    // more, all within 1.0 s of its write.
    SimFaults slow;
    slow.lateBy = 0.9;
    lamp->setFaults(slow);
    controller.liveValueOverload(1, 0, 0);
    dispatch.runUntil(dispatch.now() + 1.5 * kDelay);  // written; its read is on the way
    lamp->setFaults({});
    for (unsigned v = 10; v < 20; ++v) {
        controller.liveValueOverload(v, 0, 0);
        dispatch.runUntil(dispatch.now() + 0.08);
    }
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(sent(kTest), (std::vector<Bytes>{{0x0A, 0x00, 0x00, 1}, {0x0A, 0x00, 0x00, 19}}));
    EXPECT_TRUE(log.matching("!!!").empty());
}

TEST_F(LampFixture, SetPointTransferReachesTheLampInCallOrder) {
    const bool ok = onWorker([&] {
        bool all = controller.setSetPointCountForDevice(1, 2, 3);
        for (std::uint8_t p = 0; p < 3; ++p) {
            all = controller.setSetPointValueForDevice(1, 2, p, 100 * (p + 1), 50 * p) && all;
        }
        return all;
    });
    EXPECT_TRUE(ok);
    std::vector<int> order;
    for (const Bytes& b : sent(kRw)) order.push_back(b[0] == 0x0E ? -1 : b[3]);
    EXPECT_EQ(order, (std::vector<int>{-1, 0, 1, 2}));
}

}  // namespace
}  // namespace aq::test
