// Set, then get, through the simulated lamp: what one command writes the
// matching read brings back, for the master and for slaves behind it.
#include <gtest/gtest.h>

#include "support/LampFixture.h"

namespace aq::test {
namespace {

class RoundTrip : public LampFixture {
protected:
    // Runs a queued read and hands back what its handler got.
    template <typename T, typename Read>
    std::optional<T> read(Read issue) {
        std::optional<T> got;
        issue([&got](T v) { got = v; });
        EXPECT_TRUE(dispatch.runUntilIdle());
        return got;
    }
};

struct NameCase {
    std::string written;
    std::string readBack;
};

class NameRoundTrip : public RoundTrip, public ::testing::WithParamInterface<NameCase> {};

TEST_P(NameRoundTrip, ReadsBackWhatTheLampKept) {
    controller.setName(GetParam().written);
    const auto name = read<std::string>([&](auto h) { controller.getName(h); });
    EXPECT_EQ(name, GetParam().readBack);
    EXPECT_EQ(lamp->model().nameText(), GetParam().readBack);
}

INSTANTIATE_TEST_SUITE_P(Names, NameRoundTrip,
                         ::testing::Values(NameCase{"Reef Tank", "Reef Tank"}, NameCase{"", ""},
                                           NameCase{"ABCDEFGHIJKL", "ABCDEFGHIJKL"},
                                           NameCase{"ABCDEFGHIJKLM", "ABCDEFGHIJKLM"},
                                           NameCase{"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123",
                                                    "ABCDEFGHIJKLMNOPQRSTUVWX"},
                                           NameCase{"Caf\xC3\xA9", ""}));

TEST_F(RoundTrip, TheClockRunsOnFromTheTimeItWasSet) {
    // The write and the later read each reach the lamp one radio delay
    // after they are sent, so 45 s pass on the lamp between them.
    const double sentAt = dispatch.now();
    controller.setRTC({2026, 12, 31, 23, 59, 30});
    ASSERT_TRUE(dispatch.runUntilIdle());
    dispatch.runUntil(sentAt + 45.0);
    const auto t = read<LampDateTime>([&](auto h) { controller.getRTC(h); });
    ASSERT_TRUE(t);
    EXPECT_EQ(t->year, 2027);
    EXPECT_EQ(t->month, 1u);
    EXPECT_EQ(t->day, 1u);
    EXPECT_EQ(t->hour, 0u);
    EXPECT_EQ(t->minute, 0u);
    EXPECT_EQ(t->second, 15u);
}

TEST_F(RoundTrip, AProgrammeUploadedToASlaveDownloadsUnchanged) {
    const std::vector<SimSetPoint> points{{0, 0}, {810, 127}, {1439, 255}};
    const bool uploaded = onWorker([&] {
        bool ok = controller.setSetPointCountForDevice(2, 3, 3);
        for (std::uint8_t p = 0; p < 3; ++p) {
            ok = controller.setSetPointValueForDevice(2, 3, p, points[p].offset,
                                                      points[p].intensity) &&
                 ok;
        }
        return ok;
    });
    ASSERT_TRUE(uploaded);
    const auto back = onWorker([&] {
        std::vector<SimSetPoint> out;
        const auto count = controller.getSetPointCountForDevice(2, 3);
        for (std::uint8_t p = 0; count && p < *count; ++p) {
            SimSetPoint sp;
            EXPECT_TRUE(controller.getSetPointValueForDevice(2, 3, p, sp.offset, sp.intensity));
            out.push_back(sp);
        }
        return out;
    });
    EXPECT_EQ(back, points);
    // Only that slave's channel changed.
    EXPECT_TRUE(lamp->model().devices[0].programme[3].empty());
    EXPECT_TRUE(lamp->model().devices[1].programme[3].empty());
}

TEST_F(RoundTrip, APresettingIsReadPointByPoint) {
    lamp->updateModel([](SimLampModel& m) {
        m.presettings[4].programme[1] = {{60, 10}, {600, 200}};
    });
    const auto back = onWorker([&] {
        std::vector<SimSetPoint> out;
        const auto count = controller.getSetPointCountForPresetting(4, 1);
        for (std::uint8_t p = 0; count && p < *count; ++p) {
            SimSetPoint sp;
            EXPECT_TRUE(controller.getSetPointValueForPresetting(4, 1, p, sp.offset, sp.intensity));
            out.push_back(sp);
        }
        return out;
    });
    EXPECT_EQ(back, (std::vector<SimSetPoint>{{60, 10}, {600, 200}}));
}

TEST_F(RoundTrip, LiveControlReachesTheLampInOrder) {
    controller.liveValue(255, 3, 1);
    controller.liveNavLongPush();
    controller.liveCloud();
    controller.liveBolt();
    ASSERT_TRUE(dispatch.runUntilIdle());
    const SimLampModel m = lamp->model();
    EXPECT_EQ(m.liveLog, (std::vector<SimLiveValue>{{1, 3, 255}}));
    EXPECT_EQ(m.devices[1].liveValues[3], 255);
    EXPECT_EQ(m.navKeys, (std::vector<std::uint8_t>{9}));
    EXPECT_EQ(m.testClouds, 1u);
    EXPECT_EQ(m.testBolts, 1u);
    // Live commands share numbers with the name and moon window commands of
    // the command characteristic; they must not touch those.
    EXPECT_EQ(m.nameText(), "");
}

}  // namespace
}  // namespace aq::test
