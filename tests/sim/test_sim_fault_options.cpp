// The simulated faults a program's command line can ask for.
#include <gtest/gtest.h>

#include "sim/SimCentral.h"
#include "sim/SimFaultOptions.h"
#include "sim/VirtualDispatch.h"

namespace aq::test {
namespace {

TEST(SimFaultOptions, ReadsEachFaultAndCommaLists) {
    struct Case {
        std::vector<const char*> values;  // one per --sim-fault
        std::function<bool(const SimFaultSetup&)> holds;
    };
    const Case cases[] = {
        {{"drop-at=200"}, [](auto& s) { return s.lamp.dropLinkOnceAt == 200u; }},
        {{"no-answer-at=7"}, [](auto& s) { return s.lamp.noAnswerAt == 7u && !s.lamp.noAnswerFrom; }},
        {{"no-answer-from=3"}, [](auto& s) { return s.lamp.noAnswerFrom == 3u; }},
        {{"no-adapter"}, [](auto& s) { return s.state == CentralState::Unsupported; }},
        {{"adapter-off"}, [](auto& s) { return s.state == CentralState::PoweredOff; }},
        {{"no-service"},
         [](auto& s) {
             return s.state == CentralState::Unsupported &&
                    s.fault == CentralFault::ServiceNotRunning;
         }},
        {{"no-permission"}, [](auto& s) { return s.state == CentralState::Unauthorized; }},
        {{"scan-fails"}, [](auto& s) { return s.fault == CentralFault::DiscoveryFailed; }},
        {{"refuse-connect"}, [](auto& s) { return s.lamp.refuseConnection; }},
        {{"no-test-characteristic"}, [](auto& s) { return s.lamp.commandCharacteristicOnly; }},
        {{"refuse-connect,drop-at=5", "adapter-off"},
         [](auto& s) {
             return s.lamp.refuseConnection && s.lamp.dropLinkOnceAt == 5u &&
                    s.state == CentralState::PoweredOff;
         }},
    };
    for (const Case& c : cases) {
        SimFaultSetup setup;
        std::string error;
        for (const char* value : c.values) {
            ASSERT_TRUE(addSimFaults(value, setup, error)) << value << ": " << error;
        }
        EXPECT_TRUE(c.holds(setup)) << c.values[0];
    }
}

TEST(SimFaultOptions, RefusesWhatItDoesNotKnowAndChangesNothing) {
    struct Case {
        const char* value;
        const char* says;
    };
    const Case cases[] = {
        {"drop", "unknown simulated fault \"drop\""},
        {"drop-at", "needs a command number"},
        {"drop-at=0", "needs a command number"},
        {"drop-at=12x", "needs a command number"},
        {"drop-at=-3", "needs a command number"},
        {"no-adapter=1", "takes no value"},
        {"refuse-connect,,adapter-off", "an empty simulated fault"},
        {"refuse-connect,bogus", "unknown simulated fault \"bogus\""},
    };
    for (const Case& c : cases) {
        SimFaultSetup setup;
        std::string error;
        EXPECT_FALSE(addSimFaults(c.value, setup, error)) << c.value;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.value << ": " << error;
        EXPECT_FALSE(setup.lamp.refuseConnection) << c.value;
        EXPECT_EQ(setup.state, CentralState::PoweredOn) << c.value;
    }
}

// A switched-off adapter finds nothing until it is turned on, where that is allowed.
TEST(SimFaultOptions, AnAdapterSwitchedOffFindsNothingUntilTurnedOn) {
    for (const bool allowed : {true, false}) {
        VirtualDispatch dispatch;
        SimCentral central(dispatch, 0.01);
        auto lamp = std::make_shared<SimLamp>("AquaLamp", "00000000-0000-0000-0000-0000000000A1");
        central.addLamp(lamp);
        SimFaultSetup setup;
        std::string error;
        ASSERT_TRUE(addSimFaults("adapter-off", setup, error));
        applySimFaults(setup, central, *lamp);
        central.setCanPowerOn(allowed);

        struct Found : BleCentralDelegate {
            int peripherals = 0;
            std::vector<CentralState> states;
            void centralManagerDidUpdateState(CentralState s) override { states.push_back(s); }
            void didDiscoverPeripheral(const PeripheralPtr&) override { ++peripherals; }
            void didConnectPeripheral(const PeripheralPtr&) override {}
            void didFailToConnectPeripheral(const PeripheralPtr&, const std::string&) override {}
        } found;
        central.setDelegate(&found);
        central.scanForPeripheralsWithServices({});
        dispatch.runUntilIdle(1.0);
        EXPECT_EQ(found.peripherals, 0);

        central.powerOn();
        dispatch.runUntilIdle(1.0);
        EXPECT_EQ(central.state(), allowed ? CentralState::PoweredOn : CentralState::PoweredOff);
        EXPECT_EQ(found.states.back(), central.state());
        central.scanForPeripheralsWithServices({});
        dispatch.runUntilIdle(1.0);
        EXPECT_EQ(found.peripherals, allowed ? 1 : 0);
        central.setDelegate(nullptr);
    }
}

}  // namespace
}  // namespace aq::test
