#pragma once

#include <functional>
#include <string>
#include <string_view>

// Each library logs under a category of its own (aqlamp.link, aqlamp.ble,
// aqlamp.ui, ...), set by the build; code outside the libraries logs as the
// link does.
#ifndef AQ_LOG_CATEGORY
#define AQ_LOG_CATEGORY "aqlamp.link"
#endif

namespace aq {

// Receives one entry of the diagnostic log, exactly as it is to be written.
using LogSink = std::function<void(std::string_view entry)>;
// Receives one entry with the category it was written under.
using CategoryLogSink = std::function<void(const char* category, std::string_view entry)>;

// Replaces the process-wide sink; an empty sink restores the default, which
// writes to standard error. Returns the sink that was in place. While set, it
// takes every entry (tests capture the log through it).
LogSink setLogSink(LogSink sink);
// The programs' sink: entries with their category, while no plain sink is set.
CategoryLogSink setCategoryLogSink(CategoryLogSink sink);

// One log entry under a category: the text followed by a line feed.
void logLineIn(const char* category, std::string_view text);
// One entry written as it stands, without an added line feed.
void logRawIn(const char* category, std::string_view text);

namespace {
// One log entry: the text followed by a line feed.
inline void logLine(std::string_view text) { logLineIn(AQ_LOG_CATEGORY, text); }
// One log entry written as it stands, without an added line feed (the few
// lines the link writes straight to the system log).
inline void logRaw(std::string_view text) { logRawIn(AQ_LOG_CATEGORY, text); }
}  // namespace

// printf-style formatting into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace aq
