#pragma once

#include <string>
#include <utility>
#include <vector>

#include "link/BleCentral.h"
#include "sim/SimLamp.h"

namespace aq {

class SimCentral;

// What the `--sim-fault` options of the programs ask of the simulated adapter
// and lamp, so that every failure path can be watched without hardware.
struct SimFaultSetup {
    SimFaults lamp;
    CentralState state = CentralState::PoweredOn;
    CentralFault fault = CentralFault::None;
};

// Each fault's spelling and what it does, for --help.
std::vector<std::pair<std::string, std::string>> simFaultHelp();

// Adds the faults of one option value: one fault or a comma list of them
// ("drop-at=200,refuse-connect"). False, with a message naming the culprit,
// for a fault or count it does not know; the setup is then left as it was.
bool addSimFaults(const std::string& value, SimFaultSetup& setup, std::string& error);

// Switches the faults on: the lamp's on the lamp, the adapter's on the central.
void applySimFaults(const SimFaultSetup& setup, SimCentral& central, SimLamp& lamp);

}  // namespace aq
