// The day programme of every lamp and the presettings stored in the lamp.
// Every operation here blocks its worker until the lamp has answered, so a
// transfer of many points reaches the lamp in the order of the calls.
#include "link/BTLEController.h"
#include "link/LampAnswer.h"

namespace aq {

using namespace lampanswer;

namespace {
constexpr std::size_t kPresettingNameLength = 11;

// A set point answer: offset in bytes 1-2, least significant first, level in 3.
bool readPoint(const std::optional<Bytes>& r, std::uint16_t& offset, std::uint8_t& intense) {
    if (!r) return false;
    offset = le16(*r, 1);
    intense = (*r)[3];
    return true;
}
}  // namespace

std::optional<std::uint8_t> BTLEController::getSetPointCountForDevice(std::uint8_t device,
                                                                      std::uint8_t channel) {
    const auto r =
        syncRead(*this, "getSetPointCountForDevice", commandBytes({0x8E, device, channel}), 2);
    if (!r) return std::nullopt;
    return (*r)[1];
}

bool BTLEController::getSetPointValueForDevice(std::uint8_t device, std::uint8_t channel,
                                               std::uint8_t point, std::uint16_t& refOffest,
                                               std::uint8_t& refIntense) {
    return readPoint(syncRead(*this, "getSetPointValueForDevice",
                              commandBytes({0x8F, device, channel, point}), 4),
                     refOffest, refIntense);
}

std::optional<std::string> BTLEController::getPresettingName(std::uint8_t presetting) {
    const auto r = syncRead(*this, "getPresettingName", commandBytes({0x9F, 0x00, presetting}), 1);
    if (!r) return std::nullopt;
    return terminatedText(*r, kPresettingNameLength, "getPresettingName");
}

std::optional<std::uint8_t> BTLEController::getSetPointCountForPresetting(std::uint8_t presetting,
                                                                          std::uint8_t channel) {
    const auto r = syncRead(*this, "getSetPointCountForPresetting",
                            commandBytes({0xA0, 0x00, presetting, channel}), 2);
    if (!r) return std::nullopt;
    return (*r)[1];
}

bool BTLEController::getSetPointValueForPresetting(std::uint8_t presetting, std::uint8_t channel,
                                                   std::uint8_t point, std::uint16_t& refOffest,
                                                   std::uint8_t& refIntense) {
    return readPoint(syncRead(*this, "getSetPointValueForPresetting",
                              commandBytes({0xA1, 0x00, presetting, channel, point}), 4),
                     refOffest, refIntense);
}

bool BTLEController::setSetPointCountForDevice(std::uint8_t device, std::uint8_t channel,
                                               std::uint8_t numPoints) {
    return syncWrite(*this, "setSetPointCountForDevice",
                     commandBytes({0x0E, device, channel, numPoints}));
}

bool BTLEController::setSetPointValueForDevice(std::uint8_t device, std::uint8_t channel,
                                               std::uint8_t point, std::uint16_t offset,
                                               std::uint8_t intense) {
    return syncWrite(*this, "setSetPointValueForDevice",
                     commandBytes({0x0F, device, channel, point, offset, offset / 256u, intense}));
}

}  // namespace aq
