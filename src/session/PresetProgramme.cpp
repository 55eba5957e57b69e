#include "session/PresetProgramme.h"

#include <algorithm>

#include "curve/DayAdjustmentGraph.h"
#include "session/DayTransfer.h"

namespace aq {

namespace {
// Colours play no part in the text; any will do for a chart never drawn.
constexpr Color kAny{0, 0, 0, 1};

std::vector<CurvePoint> pointsOf(const DayAdjustmentChannel& channel) {
    return std::vector<CurvePoint>(channel.Points(), channel.Points() + channel.PointCount());
}
}  // namespace

std::string presetText(const std::vector<std::shared_ptr<DayAdjustmentChannel>>& channels) {
    DayAdjustmentGraph graph(kAny, kAny);
    for (const auto& channel : channels) graph.channelAdd(channel);
    return graph.channelsAsString();
}

PresetProgramme presetProgramme(std::string_view bytes, std::size_t channelCount) {
    PresetProgramme result;
    DayAdjustmentGraph graph(kAny, kAny);
    for (std::size_t i = 0; i < channelCount; ++i) {
        graph.channelAdd(std::make_shared<DayAdjustmentChannel>(kAny));
    }
    result.fileChannels = presetChannels(bytes).size();
    result.load = loadPresetText(bytes, graph);
    for (std::uint8_t i = 0; i < graph.channelCount(); ++i) {
        result.channels.push_back(lampChannel(pointsOf(*graph.channelAtIndex(i))));
    }
    result.complete = result.load.outcome == PresetLoad::Outcome::Loaded &&
                      result.load.skipped.empty() && result.fileChannels >= channelCount &&
                      graph.channelCount() == channelCount;
    return result;
}

}  // namespace aq
