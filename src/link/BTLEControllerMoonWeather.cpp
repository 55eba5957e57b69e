// Moon and weather simulation of the lamp (command characteristic) and live
// control of its channels (test characteristic, whose opcodes overlap the
// command characteristic's numbers).
#include "link/BTLEController.h"

#include <string>

#include "link/LampAnswer.h"

namespace aq {

using namespace lampanswer;

namespace {
// A window answer: start in bytes 1-2, end in bytes 3-4.
using Window = std::pair<std::uint16_t, std::uint16_t>;

template <typename Handler>
std::function<void(const Window&)> windowHandler(Handler handler) {
    if (!handler) return {};
    return [handler = std::move(handler)](const Window& w) { handler(w.first, w.second); };
}

Window window(const Bytes& r) {
    return {le16(r, 1), le16(r, 3)};
}

unsigned byte1(const Bytes& r) {
    return r[1];
}

// Lamp flags are signed bytes; anything but 0 is on (0x80 included).
bool flag1(const Bytes& r) {
    return static_cast<std::int8_t>(r[1]) != 0;
}
}  // namespace

// --- weather ------------------------------------------------------------------

void BTLEController::getBoltsPerHour(UIntHandler handler) {
    queueRead(*this, rw_characteristic(), "getBoltsPerHour", commandBytes({0x81, 0x00}), 2,
              std::move(handler), byte1);
}

void BTLEController::setBoltsPerHour(unsigned value) {
    fireCommand(commandBytes({0x01, 0x00, value}), rw_characteristic(), {});
}

void BTLEController::getBoltsWnd(WindowHandler handler) {
    queueRead(*this, rw_characteristic(), "getBoltsWnd", commandBytes({0x82, 0x00}), 5,
              windowHandler(std::move(handler)), window);
}

void BTLEController::setBoltsWnd(unsigned start, unsigned to) {
    fireCommand(commandBytes({0x02, 0x00, start, start >> 8, to, to >> 8}), rw_characteristic(),
                {});
}

void BTLEController::getCloudDimming(UIntHandler handler) {
    queueRead(*this, rw_characteristic(), "getCloudDimming", commandBytes({0x83, 0x00}), 2,
              std::move(handler), byte1);
}

void BTLEController::setCloudDimming(unsigned value) {
    fireCommand(commandBytes({0x03, 0x00, value}), rw_characteristic(), {});
}

void BTLEController::getCloudDuration(UIntHandler handler) {
    queueRead(*this, rw_characteristic(), "getCloudDuration", commandBytes({0x84, 0x00}), 3,
              std::move(handler), [](const Bytes& r) { return unsigned{le16(r, 1)}; });
}

void BTLEController::setCloudDuration(unsigned value) {
    fireCommand(commandBytes({0x04, 0x00, value, value >> 8}), rw_characteristic(), {});
}

void BTLEController::getCloudsPerDay(UIntHandler handler) {
    queueRead(*this, rw_characteristic(), "getCloudsPerDay", commandBytes({0x85, 0x00}), 2,
              std::move(handler), byte1);
}

void BTLEController::setCloudsPerDay(unsigned value) {
    fireCommand(commandBytes({0x05, 0x00, value}), rw_characteristic(), {});
}

// --- moon -----------------------------------------------------------------------

void BTLEController::getMoonActive(std::uint8_t device, BoolHandler handler) {
    queueRead(*this, rw_characteristic(), "getMoonActive", commandBytes({0x87, device}), 2,
              std::move(handler), flag1);
}

std::optional<bool> BTLEController::getMoonActiveSync(std::uint8_t device) {
    const auto r = syncRead(*this, "getMoonActiveSync", commandBytes({0x87, device}), 2);
    if (!r) return std::nullopt;
    return flag1(*r);
}

void BTLEController::setMoonActive(std::uint8_t device, bool active) {
    fireCommand(commandBytes({0x07, device, active ? 1u : 0u}), rw_characteristic(), {});
}

void BTLEController::getMoonDay(UInt8Handler handler) {
    queueRead(*this, rw_characteristic(), "getMoonDay", commandBytes({0x88, 0x00}), 2,
              std::move(handler), [](const Bytes& r) { return r[1]; });
}

void BTLEController::setMoonDay(std::uint8_t day) {
    fireCommand(commandBytes({0x08, 0x00, day}), rw_characteristic(), {});
}

void BTLEController::getMoonMax(UInt8Handler handler) {
    queueRead(*this, rw_characteristic(), "getMoonMax", commandBytes({0x89, 0x00}), 2,
              std::move(handler), [](const Bytes& r) { return r[1]; });
}

void BTLEController::setMoonMax(std::uint8_t value) {
    fireCommand(commandBytes({0x09, 0x00, value}), rw_characteristic(), {});
}

void BTLEController::getMoonWnd(Window16Handler handler) {
    queueRead(*this, rw_characteristic(), "getMoonWnd", commandBytes({0x8A, 0x00}), 5,
              windowHandler(std::move(handler)), window);
}

void BTLEController::setMoonWnd(std::uint16_t start, std::uint16_t to) {
    fireCommand(commandBytes({0x0A, 0x00, start, start / 256u, to, to / 256u}), rw_characteristic(),
                {});
}

std::optional<std::uint8_t> BTLEController::getMoonChannel(std::uint8_t device) {
    const auto r = syncRead(*this, "getMoonChannel", commandBytes({0x93, device}), 2);
    if (!r) return std::nullopt;
    return (*r)[1];
}

void BTLEController::setMoonChannel(std::uint8_t device, std::uint8_t channel) {
    fireCommand(commandBytes({0x13, device, channel}), rw_characteristic(), {});
}

// --- live control ---------------------------------------------------------------

void BTLEController::liveValue(unsigned value, unsigned forChannel, std::uint8_t forDevice) {
    fireCommand(commandBytes({0x0A, forDevice, forChannel, value}), test_characteristic(), {});
}

void BTLEController::liveValueOverload(unsigned value, unsigned forChannel,
                                       std::uint8_t forDevice) {
    replaceCommand("live " + std::to_string(forDevice) + " " + std::to_string(forChannel),
                   commandBytes({0x0A, forDevice, forChannel, value}), test_characteristic(), {});
}

void BTLEController::liveNav(unsigned key) {
    fireCommand(commandBytes({0x01, key}), test_characteristic(), {});
}

void BTLEController::liveNavLeft() {
    liveNav(5);
}
void BTLEController::liveNavRight() {
    liveNav(6);
}
void BTLEController::liveNavPush() {
    liveNav(8);
}
void BTLEController::liveNavLongPush() {
    liveNav(9);
}

void BTLEController::liveCloud() {
    fireCommand(commandBytes({0x0C, 0x00}), test_characteristic(), {});
}

void BTLEController::liveBolt() {
    fireCommand(commandBytes({0x0B, 0x00}), test_characteristic(), {});
}

}  // namespace aq
