#include "platform/ProgramCentral.h"

#include "platform/QtBleCentral.h"
#include "sim/DemoLamps.h"
#include "sim/SimCentral.h"

namespace aq {

std::unique_ptr<BleCentral> makeProgramCentral(const LampChoiceOptions& options,
                                               Dispatch& dispatch) {
    if (!options.simulate) return std::make_unique<QtBleCentral>();
    auto central = std::make_unique<SimCentral>(dispatch, options.delay);
    for (int i = 0; i < options.lamps; ++i) {
        auto lamp = makeDemoLamps(*central, 2, static_cast<std::size_t>(i));
        applySimFaults(options.faults, *central, *lamp);
    }
    return central;
}

}  // namespace aq
