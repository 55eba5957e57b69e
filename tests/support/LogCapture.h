#pragma once

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "link/Log.h"

namespace aq::test {

// Captures the diagnostic log for the lifetime of the object.
class LogCapture {
public:
    LogCapture() {
        _previous = setLogSink([this](std::string_view entry) {
            std::lock_guard lock(_mutex);
            _entries.emplace_back(entry);
        });
    }
    ~LogCapture() { setLogSink(std::move(_previous)); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> entries() const {
        std::lock_guard lock(_mutex);
        return _entries;
    }
    void clear() {
        std::lock_guard lock(_mutex);
        _entries.clear();
    }
    // Entries that contain the fragment.
    std::vector<std::string> matching(const std::string& fragment) const {
        std::vector<std::string> out;
        for (const auto& e : entries()) {
            if (e.find(fragment) != std::string::npos) out.push_back(e);
        }
        return out;
    }
    bool contains(const std::string& entry) const {
        const auto all = entries();
        return std::find(all.begin(), all.end(), entry) != all.end();
    }

private:
    mutable std::mutex _mutex;
    std::vector<std::string> _entries;
    LogSink _previous;
};

}  // namespace aq::test
