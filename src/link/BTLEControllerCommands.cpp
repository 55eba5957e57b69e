// The lamp's identity and general settings: slaves, name, clock, mode, demo
// loop, firmware, serial number, energy counters and the light channels.
#include <algorithm>

#include "link/BTLEController.h"
#include "link/LampAnswer.h"
#include "link/Log.h"

namespace aq {

using namespace lampanswer;

namespace {
constexpr std::size_t kNameHalf = 12;
constexpr std::size_t kChannelNameLength = 11;

// One half of the lamp's name as it goes out: 12 bytes, 0xFF after the text.
Bytes nameHalf(std::uint8_t opcode, const std::string& ascii, std::size_t from) {
    Bytes out{opcode, 0x00};
    out.resize(2 + kNameHalf, 0xFF);
    for (std::size_t i = 0; i < kNameHalf && from + i < ascii.size(); ++i) {
        out[2 + i] = static_cast<std::uint8_t>(ascii[from + i]);
    }
    return out;
}

bool isAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
}  // namespace

void BTLEController::getSlaves(SlavesHandler handler) {
    queueRead(*this, rw_characteristic(), "getSlaves", commandBytes({0x90, 0x00}), 2,
              std::move(handler), [](const Bytes& r) { return r[1]; });
}

void BTLEController::getName(TextHandler handler) {
    fireCommand(commandBytes({0x8B, 0x00}), rw_characteristic(),
                [this, handler = std::move(handler)](const Bytes& first) {
                    if (!covers(first, 1 + kNameHalf, "getName")) return;
                    std::string name = textWithoutPadding(first, 1, kNameHalf);
                    // Loaded from inside the answer's delivery, so the second
                    // half goes out right after the first, ahead of anything
                    // else waiting.
                    fireCommand(commandBytes({0x8C, 0x00}), rw_characteristic(),
                                [name, handler](const Bytes& second) {
                                    if (!covers(second, 1 + kNameHalf, "getName")) return;
                                    if (handler) {
                                        handler(name + textWithoutPadding(second, 1, kNameHalf));
                                    }
                                });
                });
}

void BTLEController::setName(const std::string& name) {
    const std::string ascii = isAscii(name) ? name : std::string();
    const Bytes second = nameHalf(0x0C, ascii, kNameHalf);
    fireCommand(nameHalf(0x0B, ascii, 0), rw_characteristic(),
                [this, second](const Bytes&) { fireCommand(second, rw_characteristic(), {}); });
}

void BTLEController::getRTC(DateHandler handler) {
    queueRead(*this, rw_characteristic(), "getRTC", commandBytes({0x91, 0x00}), 8,
              std::move(handler), [](const Bytes& r) {
                  // Byte 4 is the weekday, which the date implies.
                  LampDateTime t;
                  t.second = r[1];
                  t.minute = r[2];
                  t.hour = r[3];
                  t.day = r[5];
                  t.month = r[6];
                  t.year = 2000 + r[7];
                  return t;
              });
}

void BTLEController::setRTC(const LampDateTime& time, Handler answered) {
    const std::optional<unsigned> weekday = time.weekday();
    if (!time.valid() || !weekday) {
        logLine(format("setRTC: %04d-%02u-%02u %02u:%02u:%02u is no date, not sent", time.year,
                       time.month, time.day, time.hour, time.minute, time.second));
        return;
    }
    // The low byte of year + 48 is year - 2000 for the years 2000 ... 2255.
    fireCommand(commandBytes({0x11, 0x00, time.second, time.minute, time.hour, *weekday, time.day,
                              time.month, static_cast<unsigned>(time.year + 48)}),
                rw_characteristic(), [answered = std::move(answered)](const Bytes&) {
                    if (answered) answered();
                });
}

void BTLEController::getDemoLoop(BoolHandler handler) {
    queueRead(*this, rw_characteristic(), "getDemoLoop", commandBytes({0x86, 0x00}), 2,
              std::move(handler),
              [](const Bytes& r) { return static_cast<std::int8_t>(r[1]) != 0; });
}

void BTLEController::setDemoLoop(bool loop) {
    fireCommand(commandBytes({0x06, 0x00, loop ? 1u : 0u}), rw_characteristic(), {});
}

void BTLEController::getMode(UInt64Handler handler) {
    queueRead(*this, rw_characteristic(), "getMode", commandBytes({0x92, 0x00}), 2,
              std::move(handler), [](const Bytes& r) { return static_cast<std::uint64_t>(r[1]); });
}

void BTLEController::setMode(unsigned mode) {
    fireCommand(commandBytes({0x12, 0x00, mode}), rw_characteristic(), {});
}

void BTLEController::getFirmware(TextHandler handler) {
    queueRead(*this, rw_characteristic(), "getFirmware", commandBytes({0x95, 0x00}), 6,
              std::move(handler), [](const Bytes& r) { return textWithoutPadding(r, 1, 5); });
}

void BTLEController::getSerialNo(UInt64Handler handler) {
    queueRead(*this, rw_characteristic(), "getSerialNo", commandBytes({0x9C, 0x00}), 9,
              std::move(handler), [](const Bytes& r) {
                  std::uint64_t serial = 0;
                  for (std::size_t i = 8; i >= 1; --i) serial = (serial << 8) | r[i];
                  return serial;
              });
}

void BTLEController::getActualPowerConsumption(UInt16Handler handler) {
    queueRead(*this, rw_characteristic(), "getActualPowerConsumption", bytesFromHexString("9b00"),
              3, std::move(handler), [](const Bytes& r) { return le16(r, 1); });
}

void BTLEController::getPowerConsumption(UInt32Handler handler) {
    // The energy counter is the one number the lamp sends most significant
    // byte first.
    queueRead(*this, rw_characteristic(), "getPowerConsumption", bytesFromHexString("9800"), 5,
              std::move(handler), [](const Bytes& r) {
                  return (std::uint32_t{r[1]} << 24) | (std::uint32_t{r[2]} << 16) |
                         (std::uint32_t{r[3]} << 8) | std::uint32_t{r[4]};
              });
}

std::optional<std::uint8_t> BTLEController::getChannels() {
    const auto r = syncRead(*this, "getChannels", bytesFromHexString("9700"), 2);
    if (!r) return std::nullopt;
    return (*r)[1];
}

std::optional<std::string> BTLEController::getChannelName(std::uint8_t channel) {
    const auto r = syncRead(*this, "getChannelName", commandBytes({0x96, 0x00, channel}), 1);
    if (!r) return std::nullopt;
    return terminatedText(*r, kChannelNameLength, "getChannelName");
}

std::optional<LampColor> BTLEController::getChannelColor(std::uint8_t channel) {
    const auto r = syncRead(*this, "getChannelColor", commandBytes({0x99, 0x00, channel}), 4);
    if (!r) return std::nullopt;
    // Single-precision fractions, as the lamp's colour has always been read.
    const float red = static_cast<float>((*r)[1]) / 255.0f;
    const float green = static_cast<float>((*r)[2]) / 255.0f;
    const float blue = static_cast<float>((*r)[3]) / 255.0f;
    logRaw(format("r:%.1f g:%.1f b:%.1f", static_cast<double>(red), static_cast<double>(green),
                  static_cast<double>(blue)));
    return LampColor{red, green, blue, 1.0};
}

void BTLEController::getChannelColor(std::uint8_t channel, ColorHandler handler) {
    queueRead(*this, rw_characteristic(), "getChannelColor", commandBytes({0x99, 0x00, channel}), 4,
              std::move(handler), [](const Bytes& r) {
                  return LampColor{r[1] / 255.0, r[2] / 255.0, r[3] / 255.0, 1.0};
              });
}

}  // namespace aq
