#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace aq {

class DayAdjustmentGraph;

// A preset file holds the chart's curves as text: the channels in chart
// order joined with "?", in each its points joined with ";", each point two
// whole thousandths "x,y". Files come from anywhere, so the text is checked
// before any curve takes it.

// Whether one channel's text is a list of points; an empty text is a
// channel without points.
bool isChannelText(std::string_view text);

// The file's text split into its channels, blanks and line breaks around
// each ignored; a channel whose text is not a list of points is none. An
// empty file has no channels.
std::vector<std::optional<std::string_view>> presetChannels(std::string_view text);

// Far beyond the largest chart (255 channels of 144 points): anything bigger
// is not a preset file and is not read into memory.
inline constexpr std::size_t kMaxPresetFileSize = 4 * 1024 * 1024;

// What loading a preset file into the chart did.
struct PresetLoad {
    enum class Outcome {
        Loaded,    // the readable channels are in the chart
        NotText,   // the bytes are no UTF-8 text: the chart is unchanged
        NoCurves,  // no channel holds a readable curve: the chart is unchanged
    };
    Outcome outcome = Outcome::NoCurves;
    // File channels (counted from 0) that could not be read; the chart's
    // channels of the same place kept their curves.
    std::vector<std::size_t> skipped;
};

// The whole file, as read from disk, into the chart: file channel i into
// chart channel i for as many as both have, further ones on either side left
// alone. Every loaded point is clamped to the chart (0 to 1 on both axes), as
// the chart's own editing keeps them; the points keep the file's order, as
// the text form is read. A leading byte order mark is skipped.
PresetLoad loadPresetText(std::string_view bytes, DayAdjustmentGraph& graph);

}  // namespace aq
