#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "link/BTLEController.h"
#include "sim/SimCentral.h"
#include "sim/SimLamp.h"
#include "sim/VirtualDispatch.h"
#include "support/LogCapture.h"

namespace aq::test {

// A link to simulated lamps on virtual time. Each operation of the simulated
// radio takes `kDelay` seconds.
class LinkFixture : public ::testing::Test {
protected:
    static constexpr double kDelay = 0.01;

    std::shared_ptr<SimLamp> addLamp(const std::string& name, const std::string& identifier) {
        auto lamp = std::make_shared<SimLamp>(name, identifier);
        central.addLamp(lamp);
        return lamp;
    }

    // Scans until `count` lamps are listed.
    void scanFor(std::size_t count) {
        controller.start_scanning([] {});
        ASSERT_TRUE(
            dispatch.runUntilTrue([&] { return controller.peripherals().size() >= count; }));
    }

    // Connects to the first lamp found and clears what the lamp and the log
    // saw on the way.
    void connectFirst() {
        scanFor(1);
        bool ready = false;
        controller.connect_periperal_at(
            0, [&] { ready = true; }, [] {});
        ASSERT_TRUE(ready);
        ASSERT_TRUE(controller.is_connected());
        for (const auto& p : central.lamps()) p->lamp()->clearReceived();
        log.clear();
    }

    // What the lamp received, as the first byte of each write.
    static std::vector<int> opcodes(const SimLamp& lamp) {
        std::vector<int> out;
        for (const auto& r : lamp.received()) out.push_back(r.data.empty() ? -1 : r.data[0]);
        return out;
    }

    VirtualDispatch dispatch;
    SimCentral central{dispatch, kDelay};
    std::shared_ptr<SimLamp> lamp = addLamp("AquaLamp", "00000000-0000-0000-0000-0000000000A1");
    LogCapture log;
    BTLEController controller{central, dispatch};
};

}  // namespace aq::test
