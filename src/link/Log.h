#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace aq {

// Receives one entry of the diagnostic log, exactly as it is to be written.
using LogSink = std::function<void(std::string_view entry)>;

// Replaces the process-wide sink; an empty sink restores the default, which
// writes to standard error. Returns the sink that was in place.
LogSink setLogSink(LogSink sink);

// One log entry: the text followed by a line feed.
void logLine(std::string_view text);

// One log entry written as it stands, without an added line feed (the few
// lines the link writes straight to the system log).
void logRaw(std::string_view text);

// printf-style formatting into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace aq
