// Finding and connecting a lamp without nesting the event loop, several
// sessions on centrals of their own serving the same simulated lamps, and
// live mode entered and left through the session layer.
#include <gtest/gtest.h>

#include "session/LampConnector.h"
#include "session/LampSession.h"
#include "session/LiveMode.h"
#include "sim/DemoLamps.h"
#include "sim/SimCentral.h"
#include "sim/VirtualDispatch.h"
#include "support/LogCapture.h"

namespace aq::test {
namespace {

using Outcome = LampConnector::Outcome;

class LampConnectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        SimCentral seed(dispatch, 0.01);
        tank = makeDemoLamps(seed, 1, 0);
        nano = makeDemoLamps(seed, 0, 1);
        for (SimCentral* c : {&first, &second}) {
            c->addLamp(tank);
            c->addLamp(nano);
        }
    }

    // Starts a connector and returns where its outcome will be kept.
    std::shared_ptr<std::optional<Outcome>> connect(LampConnector& connector,
                                                    const std::string& query) {
        auto outcome = std::make_shared<std::optional<Outcome>>();
        connector.start(query, 5.0, 10.0, [outcome](Outcome o) { *outcome = o; });
        return outcome;
    }

    VirtualDispatch dispatch;
    std::shared_ptr<SimModelLamp> tank;
    std::shared_ptr<SimModelLamp> nano;
    SimCentral first{dispatch, 0.01};
    SimCentral second{dispatch, 0.01};
    LampSession firstSession{first, dispatch, nullptr};
    LampSession secondSession{second, dispatch, nullptr};
    LogCapture log;
};

TEST_F(LampConnectorTest, TwoSessionsConnectTheirOwnLampsAtOnce) {
    LampConnector a(firstSession);
    LampConnector b(secondSession);
    auto toTank = connect(a, tank->identifier());
    auto toNano = connect(b, nano->name());
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return *toTank && *toNano; }));
    EXPECT_EQ(*toTank, Outcome::Ready);
    EXPECT_EQ(*toNano, Outcome::Ready);
    EXPECT_EQ(firstSession.link().peripheral()->identifier(), tank->identifier());
    EXPECT_EQ(secondSession.link().peripheral()->identifier(), nano->identifier());
    EXPECT_FALSE(a.running());
}

TEST_F(LampConnectorTest, EndsWithoutALampAndStopsWhenCancelled) {
    LampConnector connector(firstSession);
    auto missing = connect(connector, "no such lamp");
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return missing->has_value(); }));
    EXPECT_EQ(*missing, Outcome::NotFound);
    EXPECT_FALSE(firstSession.link().is_scanning());

    auto cancelled = connect(connector, tank->identifier());
    connector.cancel();
    dispatch.runLoopFor(20.0);
    EXPECT_FALSE(cancelled->has_value());
    EXPECT_FALSE(firstSession.connected());
}

TEST_F(LampConnectorTest, ARefusedConnectFails) {
    SimFaults faults;
    faults.refuseConnection = true;
    tank->setFaults(faults);
    LampConnector connector(firstSession);
    auto outcome = connect(connector, tank->identifier());
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return outcome->has_value(); }));
    EXPECT_EQ(*outcome, Outcome::Failed);
    EXPECT_FALSE(firstSession.connected());
}

TEST_F(LampConnectorTest, LiveModeDrivesChannelsAndLeavesThemDark) {
    LampConnector connector(firstSession);
    auto outcome = connect(connector, tank->identifier());
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return outcome->has_value(); }));
    BTLEController& link = firstSession.link();
    enterLiveMode(link, 6);
    setLiveChannel(link, 2, 400);  // kept to 255
    setLiveChannel(link, 4, liveLevel(50));
    ASSERT_TRUE(link.waitUntilSent(10.0));
    SimLampModel m = tank->model();
    EXPECT_EQ(m.mode, kLampModeLive);
    EXPECT_EQ(m.devices[0].liveValues[2], 255);
    EXPECT_EQ(m.devices[0].liveValues[4], 127);
    leaveLiveMode(link, 6);
    ASSERT_TRUE(link.waitUntilSent(10.0));
    m = tank->model();
    EXPECT_EQ(m.mode, kLampModeNormal);
    for (std::uint8_t v : m.devices[0].liveValues) EXPECT_EQ(v, 0);
    // Only the lamp's own channels are written.
    for (const auto& r : tank->received()) {
        if (r.data.size() == 4 && r.data[0] == 0x0A) {
            EXPECT_LT(r.data[2], 6) << hexDescription(r.data);
        }
    }
}

}  // namespace
}  // namespace aq::test
