#pragma once

#include <QString>
#include <QStringList>

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

// Takes --simulate and --simulate=KEYS out of the arguments (a command-line
// parser has no optional values). KEYS is a comma list of lamps=N (1 to 16),
// delay=S (seconds per operation, 0 to 10) and the simulated faults
// (addSimFaults). False, with the reason, for a key it cannot use.
bool takeSimulateOption(QStringList& arguments, LampChoiceOptions& lamps, QString& error);

}  // namespace aq
