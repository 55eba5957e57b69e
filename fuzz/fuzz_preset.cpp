// Preset file text into a chart of six channels, written back out, read
// again, and drawn: nothing may be written past a channel's points, and once
// a text has been through the chart, saving and loading it changes nothing.
// (The first pass may: an empty channel is written as nothing and read back
// as one point at midnight, 0 %.)
#include <string>
#include <string_view>

#include "curve/DayAdjustmentChannel.h"
#include "curve/DayAdjustmentGraph.h"
#include "curve/RecordingDrawing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const aq::Color black{0, 0, 0, 1};
    const aq::Color white{1, 1, 1, 1};
    aq::DayAdjustmentGraph graph(black, white);
    for (int i = 0; i < 6; ++i) graph.channelAdd(std::make_shared<aq::DayAdjustmentChannel>(white));
    graph.channelsFromString(text);
    const std::string once = graph.channelsAsString();

    auto reread = [&](const std::string& saved) {
        aq::DayAdjustmentGraph chart(black, white);
        for (int i = 0; i < 6; ++i) chart.channelAdd(std::make_shared<aq::DayAdjustmentChannel>(white));
        chart.channelsFromString(saved);
        return chart.channelsAsString();
    };
    const std::string twice = reread(once);
    if (reread(twice) != twice) __builtin_trap();

    aq::RecordingDrawing drawing;
    graph.drawRect({0, 0, 850, 600}, drawing);
    return 0;
}
