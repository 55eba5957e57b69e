#pragma once

#include <memory>

#include "link/BleCentral.h"
#include "link/Dispatch.h"
#include "sim/SimFaultOptions.h"

namespace aq {

// Seconds each operation of a simulated lamp takes: about a real link's pace.
inline constexpr double kSimulatedDelay = 0.02;

// What the lamps of a program are: real ones through Qt Bluetooth, or
// simulated ones (`lamps` demo masters, each with two slaves, the faults
// applied to every one).
struct LampChoiceOptions {
    bool simulate = false;
    SimFaultSetup faults;
    int lamps = 1;
    double delay = kSimulatedDelay;
};

// The central every program (the app, aqlampctl, aqlamp-mqtt) talks to its
// lamps through. The dispatch outlives it.
std::unique_ptr<BleCentral> makeProgramCentral(const LampChoiceOptions& options,
                                               Dispatch& dispatch);

}  // namespace aq
