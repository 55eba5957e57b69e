#include "platform/AppLog.h"

#include <syslog.h>

#include <cstdio>
#include <string>

#include "link/Log.h"

namespace aq {

void installApplicationLog(const char* ident) {
    openlog(ident, LOG_PID, LOG_USER);
    setLogSink([](std::string_view entry) {
        std::string line(entry);
        // The few lines written straight to the log come without a line
        // feed; a terminal still wants each on its own line.
        if (line.empty() || line.back() != '\n') line.push_back('\n');
        std::fwrite(line.data(), 1, line.size(), stderr);
        line.pop_back();
        syslog(LOG_INFO, "%s", line.c_str());
    });
}

}  // namespace aq
