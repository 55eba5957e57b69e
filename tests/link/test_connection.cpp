// Scanning, connecting, discovery and disconnecting against simulated lamps
// on virtual time.
#include <gtest/gtest.h>

#include "link/LampUuids.h"
#include "support/LinkFixture.h"

namespace aq::test {
namespace {

// Counts what the link asks of the central, and forwards it.
class CountingCentral : public BleCentral {
public:
    explicit CountingCentral(BleCentral& inner) : _inner(inner) {}
    void setDelegate(BleCentralDelegate* d) override { _inner.setDelegate(d); }
    CentralState state() const override { return _inner.state(); }
    void scanForPeripheralsWithServices(const std::vector<std::string>& uuids) override {
        scans.push_back(uuids);
        _inner.scanForPeripheralsWithServices(uuids);
    }
    void stopScan() override {
        ++stops;
        _inner.stopScan();
    }
    void connectPeripheral(const PeripheralPtr& p) override {
        ++connects;
        _inner.connectPeripheral(p);
    }
    void cancelPeripheralConnection(const PeripheralPtr& p) override {
        ++cancels;
        _inner.cancelPeripheralConnection(p);
    }
    std::vector<std::vector<std::string>> scans;
    int stops = 0;
    int connects = 0;
    int cancels = 0;

private:
    BleCentral& _inner;
};

class Connection : public ::testing::Test {
protected:
    static constexpr double kDelay = 0.01;

    std::shared_ptr<SimLamp> addLamp(const std::string& name, char last) {
        auto l = std::make_shared<SimLamp>(
            name, std::string("00000000-0000-0000-0000-00000000000") + last);
        sim.addLamp(l);
        return l;
    }
    void scanFor(std::size_t count) {
        controller.start_scanning([this] { ++discoveries; });
        ASSERT_TRUE(
            dispatch.runUntilTrue([&] { return controller.peripherals().size() >= count; }));
    }

    VirtualDispatch dispatch;
    SimCentral sim{dispatch, kDelay};
    CountingCentral central{sim};
    std::shared_ptr<SimLamp> lamp = addLamp("AquaLamp", '1');
    LogCapture log;
    BTLEController controller{central, dispatch};
    int discoveries = 0;
    int readyCalls = 0;
    int errorCalls = 0;
};

TEST_F(Connection, ScansForTheLampServiceOnly) {
    scanFor(1);
    ASSERT_EQ(central.scans.size(), 1u);
    EXPECT_EQ(central.scans[0], std::vector<std::string>{kLampServiceUUID});
    EXPECT_TRUE(controller.is_scanning());
}

TEST_F(Connection, ARepeatedDiscoveryIsListedOnceButStillReported) {
    scanFor(1);
    EXPECT_EQ(discoveries, 1);
    sim.advertiseAgain();
    EXPECT_EQ(controller.peripherals().size(), 1u);
    EXPECT_EQ(discoveries, 2);
}

TEST_F(Connection, ANewScanStartsWithAnEmptyList) {
    scanFor(1);
    controller.start_scanning({});
    EXPECT_TRUE(controller.peripherals().empty());
}

TEST_F(Connection, StoppingWhenNotScanningLeavesTheCentralAlone) {
    controller.stop_scanning();
    EXPECT_EQ(central.stops, 0);
    scanFor(1);
    controller.stop_scanning();
    controller.stop_scanning();
    EXPECT_EQ(central.stops, 1);
    EXPECT_FALSE(controller.is_scanning());
}

TEST_F(Connection, AnIndexBeyondTheListDoesNothing) {
    scanFor(1);
    controller.connect_periperal_at(
        1, [&] { ++readyCalls; }, [&] { ++errorCalls; });
    dispatch.runUntil(dispatch.now() + 15.0);
    EXPECT_EQ(central.connects, 0);
    EXPECT_EQ(readyCalls + errorCalls, 0);
    EXPECT_TRUE(controller.is_scanning());
    EXPECT_EQ(controller.peripherals().size(), 1u);
}

TEST_F(Connection, ConnectingStopsTheScanAndBecomesReadyOnce) {
    scanFor(1);
    const double start = dispatch.now();
    controller.connect_periperal_at(
        0, [&] { ++readyCalls; }, [&] { ++errorCalls; });
    // The wait ends within the period in which the link became ready.
    EXPECT_LE(dispatch.now() - start, 1.0 + 1e-9);
    EXPECT_EQ(readyCalls, 1);
    EXPECT_EQ(errorCalls, 0);
    EXPECT_FALSE(controller.is_scanning());
    EXPECT_TRUE(controller.peripherals().empty());
    EXPECT_TRUE(controller.is_connected());
    ASSERT_TRUE(controller.rw_characteristic());
    ASSERT_TRUE(controller.test_characteristic());
    ASSERT_TRUE(controller.bl_characteristic());
    EXPECT_EQ(controller.rw_characteristic()->uuid(), kCommandCharacteristicUUID);
    EXPECT_EQ(controller.bl_characteristic()->uuid(), kBootLoaderCharacteristicUUID);
    // The log's own texts, spelling included: people compare logs across versions.
    const std::vector<std::string> expected = {
        "connected to AquaLamp\n",
        "serivce discoverd: 34759FEA-87D7-4147-93A5-BD01CDE7CFEB\n",
        "characteristic discoverd: DBDB7918-EE5B-4814-8824-D63EB1127942\n",
        "characteristic discoverd: 017CC1F3-63D4-49FC-9DA0-6AEBDCE6EA31\n",
        "characteristic discoverd: BDABCCB8-A27E-48A2-9278-0874523AF750\n",
        "connection is ready\n"};
    auto entries = log.entries();
    entries.erase(entries.begin(), std::find(entries.begin(), entries.end(), expected[0]));
    EXPECT_EQ(entries, expected);
}

TEST_F(Connection, ALaterDiscoveryLogsReadyAgainButCallsNoHandler) {
    scanFor(1);
    controller.connect_periperal_at(0, [&] { ++readyCalls; }, {});
    ASSERT_EQ(readyCalls, 1);
    log.clear();
    auto peripheral = controller.peripheral();
    peripheral->discoverCharacteristics({kCommandCharacteristicUUID, kTestCharacteristicUUID},
                                        controller.service());
    dispatch.runUntilIdle();
    EXPECT_TRUE(log.contains("connection is ready\n"));
    EXPECT_EQ(readyCalls, 1);
}

TEST_F(Connection, ALampWithoutTheTestCharacteristicNeverBecomesReady) {
    SimFaults f;
    f.commandCharacteristicOnly = true;
    lamp->setFaults(f);
    scanFor(1);
    const double start = dispatch.now();
    controller.connect_periperal_at(
        0, [&] { ++readyCalls; }, [&] { ++errorCalls; });
    EXPECT_NEAR(dispatch.now() - start, 10.0, 1e-9);
    EXPECT_EQ(readyCalls, 0);
    // Connected, so no error either: the page learns of it only by silence.
    EXPECT_EQ(errorCalls, 0);
    EXPECT_TRUE(controller.is_connected());
    EXPECT_TRUE(log.matching("connection is ready").empty());
}

TEST_F(Connection, AFailedConnectEndsTheWaitWithinOnePeriodAndReportsTheError) {
    SimFaults f;
    f.refuseConnection = true;
    lamp->setFaults(f);
    scanFor(1);
    const double start = dispatch.now();
    controller.connect_periperal_at(
        0, [&] { ++readyCalls; }, [&] { ++errorCalls; });
    EXPECT_LE(dispatch.now() - start, 1.0 + 1e-9);
    EXPECT_EQ(errorCalls, 1);
    EXPECT_EQ(readyCalls, 0);
    EXPECT_EQ(controller.peripheral(), nullptr);
    EXPECT_EQ(log.matching("failed to conntect to ").size(), 1u);
}

TEST_F(Connection, ALateFailureOfAnotherLampLeavesTheConnectedOneAlone) {
    addLamp("SecondLamp", '2');
    scanFor(2);
    const auto listed = controller.peripherals();
    controller.connect_periperal_at(
        0, [&] { ++readyCalls; }, [&] { ++errorCalls; });
    ASSERT_TRUE(controller.is_connected());
    const PeripheralPtr connected = controller.peripheral();
    const PeripheralPtr other = listed[0] == connected ? listed[1] : listed[0];
    // The stack reports, late, that an earlier attempt on the other lamp failed.
    controller.didFailToConnectPeripheral(other, "Connection timed out");
    EXPECT_TRUE(controller.is_connected());
    EXPECT_EQ(controller.peripheral(), connected);
    EXPECT_TRUE(controller.rw_characteristic());
    EXPECT_EQ(log.matching("failed to conntect to ").size(), 1u);
    // The lamp being connected failing still drops it.
    controller.didFailToConnectPeripheral(connected, "Connection timed out");
    EXPECT_EQ(controller.peripheral(), nullptr);
}

TEST_F(Connection, WithoutAReadyHandlerTheConnectDoesNotWait) {
    scanFor(1);
    const double start = dispatch.now();
    controller.connect_periperal_at(0, {}, [&] { ++errorCalls; });
    EXPECT_EQ(dispatch.now(), start);
    // Still connecting when checked, so it counts as a failure at once.
    EXPECT_EQ(errorCalls, 1);
    EXPECT_EQ(controller.peripheral(), nullptr);
    EXPECT_EQ(central.cancels, 0);
}

TEST_F(Connection, WithNeitherHandlerTheConnectGoesOnInTheBackground) {
    scanFor(1);
    controller.connect_periperal_at(0, {}, {});
    dispatch.runUntilIdle();
    EXPECT_TRUE(controller.is_connected());
    EXPECT_TRUE(log.contains("connection is ready\n"));
}

struct DisconnectCase {
    const char* name;
    bool waitUntilConnected;
    int expectedCancels;
};

class Disconnecting : public Connection, public ::testing::WithParamInterface<DisconnectCase> {};

TEST_P(Disconnecting, ForgetsTheLampAndCancelsOnlyAnEstablishedLink) {
    scanFor(1);
    if (GetParam().waitUntilConnected) {
        controller.connect_periperal_at(0, [&] { ++readyCalls; }, {});
        ASSERT_TRUE(controller.is_connected());
    } else {
        controller.connect_periperal_at(0, {}, {});
        ASSERT_EQ(controller.peripheral()->state(), PeripheralState::Connecting);
    }
    controller.disconnect();
    EXPECT_EQ(central.cancels, GetParam().expectedCancels);
    EXPECT_EQ(controller.peripheral(), nullptr);
    EXPECT_EQ(controller.rw_characteristic(), nullptr);
    EXPECT_EQ(controller.test_characteristic(), nullptr);
    EXPECT_FALSE(controller.is_connected());
    EXPECT_FALSE(controller.is_scanning());
}

INSTANTIATE_TEST_SUITE_P(States, Disconnecting,
                         ::testing::Values(DisconnectCase{"connected", true, 1},
                                           DisconnectCase{"connecting", false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Connection, DisconnectLeavesTheQueueAsItIs) {
    scanFor(1);
    controller.connect_periperal_at(0, [&] { ++readyCalls; }, {});
    controller.fireCommand({0x81, 0x00}, controller.rw_characteristic(), {});
    controller.fireCommand({0x82, 0x00}, controller.rw_characteristic(), {});
    controller.disconnect();
    EXPECT_NE(controller.firedCommand(), nullptr);
    EXPECT_EQ(controller.waitingCommandCount(), 1u);
}

TEST_F(Connection, ReconnectFromAWorkerMakesTheLinkReadyAgain) {
    scanFor(1);
    controller.connect_periperal_at(0, [&] { ++readyCalls; }, {});
    ASSERT_TRUE(controller.is_connected());
    log.clear();
    const double start = dispatch.now();
    dispatch.runOnWorker([&] { controller.reconnect(0.25f); });
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_TRUE(controller.is_connected());
    EXPECT_EQ(central.cancels, 1);
    const std::vector<std::string> expected = {
        "disconnect", "successful", "wait for 0.2 sec", "reconnect", "successful connecting",
        "connected"};
    std::vector<std::string> raw;
    for (const auto& e : log.entries()) {
        if (e.back() != '\n') raw.push_back(e);
    }
    EXPECT_EQ(raw, expected);
    // 0.25 s pause, then readiness noticed at the end of the first period.
    EXPECT_NEAR(dispatch.now() - start, 1.25, 1e-9);
    EXPECT_EQ(readyCalls, 1);
}

struct PowerCase {
    CentralState state;
    const char* line;  // nullptr: no line
    bool poweredOn;
};

class PowerState : public Connection, public ::testing::WithParamInterface<PowerCase> {};

TEST_P(PowerState, IsLoggedAndTracked) {
    controller.setBTLEisPoweredOn(true);
    log.clear();
    controller.centralManagerDidUpdateState(GetParam().state);
    EXPECT_EQ(controller.BTLEisPoweredOn(), GetParam().poweredOn);
    if (GetParam().line) {
        EXPECT_EQ(log.entries(), std::vector<std::string>{std::string(GetParam().line) + "\n"});
    } else {
        EXPECT_TRUE(log.entries().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    States, PowerState,
    ::testing::Values(PowerCase{CentralState::PoweredOff, "BLE is powered off", false},
                      PowerCase{CentralState::PoweredOn, "BLE is powered on", true},
                      PowerCase{CentralState::Unauthorized, "BLE state is unauthorized", false},
                      PowerCase{CentralState::Unknown, "BLE state is unknown", false},
                      PowerCase{CentralState::Unsupported, "BLE state is unknown", false},
                      PowerCase{CentralState::Resetting, nullptr, false}));

}  // namespace
}  // namespace aq::test
