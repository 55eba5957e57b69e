// Randomised sessions of the real window and pages against a simulated lamp
// on virtual time, with the lamp's faults switched on and off between the
// user's actions. Each session is seeded with its number, so a failing one
// runs again exactly from its seed. AQ_SOAK_SESSIONS sets how many run;
// tools/soak.sh runs a long soak.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "SoakSession.h"

// A report of undefined behaviour ends the soak there, as an address error
// does, rather than scrolling past in a passing run.
extern "C" const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }

namespace aq::test {
namespace {

void runSession(unsigned seed) {
    std::vector<std::string> problems;
    std::string trail;
    {
        SoakSession session(seed);
        problems = session.run();
        trail = session.trail();
    }
    if (std::getenv("AQ_SOAK_TRAIL")) std::cout << "session " << seed << ":\n" << trail;
    if (!problems.empty()) {
        std::string all;
        for (const auto& p : problems) all += p + "\n";
        ADD_FAILURE() << "session " << seed << ":\n" << all << "steps:\n" << trail;
    }
}

int sessionCount() {
    if (const char* env = std::getenv("AQ_SOAK_SESSIONS")) {
        const int n = std::atoi(env);
        if (n > 0) return n;
    }
    // About half a minute under the sanitizers on two cores.
    return 200;
}

// Sessions that once failed, kept so they always run.
//
// A lamp whose answers turned to noise reported some hundred channels; the
// live page's leave then queued a zero for each, and the link went down
// (the user disconnected in 97, the lamp dropped it in 52). Every one of
// those commands waited the full abandon time on a link that could not
// carry it, so the queue took hours to drain and a reconnection waited
// behind it.
TEST(Soak, Session52LinkDroppedBehindManyLiveZeros) { runSession(52); }
TEST(Soak, Session97DisconnectBehindManyLiveZeros) { runSession(97); }

TEST(Soak, RandomSessionsLeaveTheLinkUsable) {
    const int first = [] {
        const char* env = std::getenv("AQ_SOAK_FIRST");
        return env ? std::atoi(env) : 0;
    }();
    const int n = sessionCount();
    for (int s = first; s < first + n; ++s) runSession(static_cast<unsigned>(s));
}

}  // namespace
}  // namespace aq::test
