#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/BTLEController.h"
#include "link/LampUuids.h"
#include "sim/SimCentral.h"
#include "sim/SimModelLamp.h"
#include "sim/VirtualDispatch.h"
#include "support/LogCapture.h"

namespace aq::test {

// A simulated lamp whose answer to one command can be replaced by crafted
// bytes, so decoders meet exactly the answers a test wants.
class CraftedLamp : public SimModelLamp {
public:
    using SimModelLamp::SimModelLamp;

    // From now on, every command with this opcode on the characteristic
    // gets these bytes back.
    void craft(const std::string& characteristicUuid, std::uint8_t opcode, Bytes answer) {
        std::lock_guard lock(_craftMutex);
        _crafted[{characteristicUuid, opcode}] = std::move(answer);
    }

protected:
    Bytes answer(const std::string& characteristicUuid, const Bytes& data) override {
        if (!data.empty()) {
            std::lock_guard lock(_craftMutex);
            auto it = _crafted.find({characteristicUuid, data[0]});
            if (it != _crafted.end()) return it->second;
        }
        return SimModelLamp::answer(characteristicUuid, data);
    }

private:
    std::mutex _craftMutex;
    std::map<std::pair<std::string, std::uint8_t>, Bytes> _crafted;
};

// A link connected to one simulated lamp (a master with two slaves, six
// standard channels) on virtual time.
class LampFixture : public ::testing::Test {
protected:
    static constexpr double kDelay = 0.01;
    static constexpr const char* kRw = kCommandCharacteristicUUID;
    static constexpr const char* kTest = kTestCharacteristicUUID;

    void SetUp() override { connect(); }

    void connect() {
        controller.start_scanning([] {});
        ASSERT_TRUE(dispatch.runUntilTrue([&] { return !controller.peripherals().empty(); }));
        bool ready = false;
        controller.connect_periperal_at(
            0, [&] { ready = true; }, [] {});
        ASSERT_TRUE(ready);
        lamp->clearReceived();
        log.clear();
    }

    // Runs `work` on a worker, lets virtual time run until everything is
    // done, and hands back what it returned.
    template <typename Work>
    auto onWorker(Work work) -> decltype(work()) {
        std::optional<decltype(work())> result;
        dispatch.runOnWorker([&] { result = work(); });
        EXPECT_TRUE(dispatch.runUntilIdle());
        EXPECT_TRUE(result.has_value());
        return std::move(*result);
    }

    // The writes the lamp received on one characteristic, in order.
    std::vector<Bytes> sent(const std::string& characteristicUuid) const {
        std::vector<Bytes> out;
        for (const auto& r : lamp->received()) {
            if (r.characteristic == characteristicUuid) out.push_back(r.data);
        }
        return out;
    }

    void setFault(std::uint8_t opcode, SimFault fault, const std::string& characteristic = kRw) {
        SimFaults f = lamp->faults();
        f.forCommands.push_back({opcode, fault, characteristic});
        lamp->setFaults(f);
    }

    VirtualDispatch dispatch;
    SimCentral central{dispatch, kDelay};
    std::shared_ptr<CraftedLamp> lamp = [this] {
        auto l = std::make_shared<CraftedLamp>("AquaLamp", "00000000-0000-0000-0000-0000000000B1",
                                               SimLampModel::standard(2),
                                               [this] { return dispatch.now(); });
        central.addLamp(l);
        return l;
    }();
    LogCapture log;
    BTLEController controller{central, dispatch};
};

}  // namespace aq::test
