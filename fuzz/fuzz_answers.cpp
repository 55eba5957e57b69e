// Every answer decoder of the lamp command set against whatever a lamp may
// send back: the first input byte picks the command, the rest is the answer
// (to every read the command makes). Reads must never go past the answer's
// end, whatever its length.
#include <functional>
#include <mutex>
#include <vector>

#include "link/BTLEController.h"
#include "link/Log.h"
#include "sim/SimCentral.h"
#include "sim/SimLamp.h"
#include "sim/VirtualDispatch.h"

namespace {

using namespace aq;

// A lamp that answers every command with the same given bytes.
class ParrotLamp : public SimLamp {
public:
    ParrotLamp() : SimLamp("Fuzz", "00000000-0000-0000-0000-00000000F022") {}
    void setAnswer(Bytes answer) {
        std::lock_guard lock(_mutex);
        _answer = std::move(answer);
    }

protected:
    Bytes answer(const std::string&, const Bytes&) override {
        std::lock_guard lock(_mutex);
        return _answer;
    }

private:
    std::mutex _mutex;
    Bytes _answer;
};

struct Rig {
    Rig() {
        setLogSink([](std::string_view) {});
        central.addLamp(lamp);
        controller.start_scanning({});
        dispatch.runUntilTrue([&] { return !controller.peripherals().empty(); });
        controller.connect_periperal_at(0, [] {}, {});
        if (!controller.is_connected()) __builtin_trap();
    }
    VirtualDispatch dispatch;
    SimCentral central{dispatch, 0.0};
    std::shared_ptr<ParrotLamp> lamp = std::make_shared<ParrotLamp>();
    BTLEController controller{central, dispatch};
};

template <typename... Args>
auto sink() {
    return [](const Args&...) {};
}

using Queued = std::function<void(BTLEController&)>;
using Sync = std::function<void(BTLEController&)>;

const std::vector<Queued>& queuedReads() {
    static const std::vector<Queued> reads = {
        [](auto& c) { c.getSlaves(sink<std::uint8_t>()); },
        [](auto& c) { c.getName(sink<std::string>()); },
        [](auto& c) { c.getRTC(sink<LampDateTime>()); },
        [](auto& c) { c.getDemoLoop(sink<bool>()); },
        [](auto& c) { c.getMode(sink<std::uint64_t>()); },
        [](auto& c) { c.getFirmware(sink<std::string>()); },
        [](auto& c) { c.getSerialNo(sink<std::uint64_t>()); },
        [](auto& c) { c.getActualPowerConsumption(sink<std::uint16_t>()); },
        [](auto& c) { c.getPowerConsumption(sink<std::uint32_t>()); },
        [](auto& c) { c.getChannelColor(1, sink<LampColor>()); },
        [](auto& c) { c.getBoltsPerHour(sink<unsigned>()); },
        [](auto& c) { c.getBoltsWnd(sink<unsigned, unsigned>()); },
        [](auto& c) { c.getCloudDimming(sink<unsigned>()); },
        [](auto& c) { c.getCloudDuration(sink<unsigned>()); },
        [](auto& c) { c.getCloudsPerDay(sink<unsigned>()); },
        [](auto& c) { c.getMoonActive(1, sink<bool>()); },
        [](auto& c) { c.getMoonDay(sink<std::uint8_t>()); },
        [](auto& c) { c.getMoonMax(sink<std::uint8_t>()); },
        [](auto& c) { c.getMoonWnd(sink<std::uint16_t, std::uint16_t>()); },
    };
    return reads;
}

const std::vector<Sync>& syncReads() {
    static const std::vector<Sync> reads = {
        [](auto& c) { (void)c.getChannels(); },
        [](auto& c) { (void)c.getChannelName(2); },
        [](auto& c) { (void)c.getChannelColor(2); },
        [](auto& c) { (void)c.getSetPointCountForDevice(1, 2); },
        [](auto& c) {
            std::uint16_t offset = 0;
            std::uint8_t intense = 0;
            (void)c.getSetPointValueForDevice(1, 2, 3, offset, intense);
        },
        [](auto& c) { (void)c.getPresettingName(4); },
        [](auto& c) { (void)c.getSetPointCountForPresetting(4, 2); },
        [](auto& c) {
            std::uint16_t offset = 0;
            std::uint8_t intense = 0;
            (void)c.getSetPointValueForPresetting(4, 2, 3, offset, intense);
        },
        [](auto& c) { (void)c.getMoonActiveSync(1); },
        [](auto& c) { (void)c.getMoonChannel(1); },
        [](auto& c) { (void)c.setSetPointValueForDevice(1, 2, 3, 720, 128); },
    };
    return reads;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig rig;
    if (size == 0) return 0;
    rig.lamp->setAnswer(Bytes(data + 1, data + size));
    const std::size_t pick = data[0] % (queuedReads().size() + syncReads().size());
    if (pick < queuedReads().size()) {
        queuedReads()[pick](rig.controller);
    } else {
        const Sync& read = syncReads()[pick - queuedReads().size()];
        rig.dispatch.runOnWorker([&] { read(rig.controller); });
    }
    if (!rig.dispatch.runUntilIdle(60.0)) __builtin_trap();
    // The lamp's record of what it received would otherwise grow with
    // every input.
    rig.lamp->clearReceived();
    return 0;
}
