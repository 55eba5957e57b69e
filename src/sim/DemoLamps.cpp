#include "sim/DemoLamps.h"

namespace aq {

std::shared_ptr<SimModelLamp> makeDemoLamps(SimCentral& central, std::size_t slaves) {
    Dispatch& dispatch = central.dispatch();
    auto lamp = std::make_shared<SimModelLamp>("AQ Lamp", "00000000-0000-0000-0000-0A1C0000D001",
                                               SimLampModel::demo(slaves),
                                               [&dispatch] { return dispatch.now(); });
    lamp->setClock(localTimeNow());
    central.addLamp(lamp);
    return lamp;
}

}  // namespace aq
