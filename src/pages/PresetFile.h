#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace aq {

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

}  // namespace aq
