#include "sim/DemoLamps.h"

#include <cstdio>
#include <string>

namespace aq {

std::shared_ptr<SimModelLamp> makeDemoLamps(SimCentral& central, std::size_t slaves,
                                           std::size_t number) {
    Dispatch& dispatch = central.dispatch();
    char identifier[40];
    std::snprintf(identifier, sizeof identifier, "00000000-0000-0000-0000-0A1C0000D%03zX",
                  (number + 1) % 0x1000);
    const std::string name = number == 0 ? "AQ Lamp" : "AQ Lamp " + std::to_string(number + 1);
    auto lamp = std::make_shared<SimModelLamp>(name, identifier,
                                               SimLampModel::demo(slaves),
                                               [&dispatch] { return dispatch.now(); });
    lamp->setClock(localTimeNow());
    central.addLamp(lamp);
    return lamp;
}

}  // namespace aq
