#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "curve/DayAdjustmentChannel.h"
#include "curve/PresetFile.h"
#include "session/LampProgrammeState.h"

namespace aq {

// The preset file's text of curves read from a lamp, exactly as the day page
// saves its chart.
std::string presetText(const std::vector<std::shared_ptr<DayAdjustmentChannel>>& channels);

// A preset file read as the day page loads it, for a lamp of `channelCount`
// channels, in the units an upload sends. `channels` holds one entry per lamp
// channel; only when the file gave every one of them a readable curve
// (`complete`) is it a whole programme.
struct PresetProgramme {
    PresetLoad load;
    std::size_t fileChannels = 0;
    std::vector<LampChannel> channels;
    bool complete = false;
};
PresetProgramme presetProgramme(std::string_view bytes, std::size_t channelCount);

}  // namespace aq
