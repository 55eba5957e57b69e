#pragma once

#include <cstdint>

namespace aq {

class BTLEController;

// The lamp's operating modes a program switches between.
inline constexpr unsigned kLampModeNormal = 0;
inline constexpr unsigned kLampModeLive = 2;

// Live control as the live page does it: entering puts the lamp into live
// mode with every channel of `device` dark; leaving returns it to normal
// operation and every channel to 0. The zeros are keyed like channel values,
// so a value of a channel still waiting cannot reach the lamp after them.
void enterLiveMode(BTLEController& link, std::uint8_t channels, std::uint8_t device = 0);
void leaveLiveMode(BTLEController& link, std::uint8_t channels, std::uint8_t device = 0);
// A channel's output while live, 0 ... 255 (larger values are kept to 255);
// replaces the channel's value still waiting to be sent.
void setLiveChannel(BTLEController& link, std::uint8_t channel, unsigned value,
                    std::uint8_t device = 0);
// The live value of a percentage: liveLevel() (session/LampSession.h).

}  // namespace aq
