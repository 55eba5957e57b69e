#include "link/Log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace aq {

namespace {
std::mutex& sinkMutex() {
    static std::mutex m;
    return m;
}
LogSink& currentSink() {
    static LogSink sink;
    return sink;
}
CategoryLogSink& currentCategorySink() {
    static CategoryLogSink sink;
    return sink;
}
void write(const char* category, std::string_view entry) {
    std::lock_guard lock(sinkMutex());
    if (currentSink()) {
        currentSink()(entry);
    } else if (currentCategorySink()) {
        currentCategorySink()(category, entry);
    } else {
        std::fwrite(entry.data(), 1, entry.size(), stderr);
    }
}
}  // namespace

LogSink setLogSink(LogSink sink) {
    std::lock_guard lock(sinkMutex());
    LogSink old = std::move(currentSink());
    currentSink() = std::move(sink);
    return old;
}

CategoryLogSink setCategoryLogSink(CategoryLogSink sink) {
    std::lock_guard lock(sinkMutex());
    CategoryLogSink old = std::move(currentCategorySink());
    currentCategorySink() = std::move(sink);
    return old;
}

void logLineIn(const char* category, std::string_view text) {
    std::string entry(text);
    entry.push_back('\n');
    write(category, entry);
}

void logRawIn(const char* category, std::string_view text) {
    write(category, text);
}

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n));
        std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    }
    va_end(args);
    return out;
}

}  // namespace aq
