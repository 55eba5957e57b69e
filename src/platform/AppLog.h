#pragma once

namespace aq {

// Sends the diagnostic log to standard error and to the system log, one
// entry per line.
void installApplicationLog(const char* ident);

}  // namespace aq
