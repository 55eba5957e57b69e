#include "session/LiveMode.h"

#include <algorithm>

#include "link/BTLEController.h"

namespace aq {

namespace {
void darkenAll(BTLEController& link, std::uint8_t channels, std::uint8_t device) {
    for (std::uint8_t i = 0; i < channels; ++i) link.liveValueOverload(0, i, device);
}
}  // namespace

void enterLiveMode(BTLEController& link, std::uint8_t channels, std::uint8_t device) {
    link.setMode(kLampModeLive);
    darkenAll(link, channels, device);
}

void leaveLiveMode(BTLEController& link, std::uint8_t channels, std::uint8_t device) {
    link.setMode(kLampModeNormal);
    darkenAll(link, channels, device);
}

void setLiveChannel(BTLEController& link, std::uint8_t channel, unsigned value,
                    std::uint8_t device) {
    link.liveValueOverload(std::min(value, 255u), channel, device);
}

}  // namespace aq
