// Preset files through the day page's own load path into a chart of six
// channels, written back out, loaded again, and drawn. Nothing may be written
// past a channel's points, every loaded point lies on the chart, and once a
// file has been through the chart, saving and loading it changes nothing.
#include <memory>
#include <string>
#include <string_view>

#include "curve/DayAdjustmentChannel.h"
#include "curve/DayAdjustmentGraph.h"
#include "curve/PresetFile.h"
#include "curve/RecordingDrawing.h"

namespace {

const aq::Color kBlack{0, 0, 0, 1};
const aq::Color kWhite{1, 1, 1, 1};

std::unique_ptr<aq::DayAdjustmentGraph> sixChannels() {
    auto graph = std::make_unique<aq::DayAdjustmentGraph>(kBlack, kWhite);
    for (int i = 0; i < 6; ++i)
        graph->channelAdd(std::make_shared<aq::DayAdjustmentChannel>(kWhite));
    return graph;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto graph = sixChannels();
    const aq::PresetLoad loaded = aq::loadPresetText(bytes, *graph);
    if (loaded.outcome != aq::PresetLoad::Outcome::Loaded && !loaded.skipped.empty()) {
        __builtin_trap();  // a refused file reports no channels of its own
    }
    for (std::uint8_t c = 0; c < graph->channelCount(); ++c) {
        const auto channel = graph->channelAtIndex(c);
        for (std::uint8_t p = 0; p < channel->PointCount(); ++p) {
            const aq::CurvePoint& point = channel->Points()[p];
            if (!(point.x >= 0.0 && point.x <= 1.0 && point.y >= 0.0 && point.y <= 1.0)) {
                __builtin_trap();
            }
        }
    }
    const std::string saved = graph->channelsAsString();
    const auto again = sixChannels();
    (void)aq::loadPresetText(saved, *again);
    if (again->channelsAsString() != saved) __builtin_trap();

    aq::RecordingDrawing drawing;
    graph->drawRect({0, 0, 850, 600}, drawing);
    return 0;
}
