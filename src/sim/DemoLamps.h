#pragma once

#include <cstddef>
#include <memory>

#include "sim/SimCentral.h"
#include "sim/SimModelLamp.h"

namespace aq {

// Puts a lamp in use on the central: a master with `slaves` slaves behind
// it, a day programme on every lamp, named presettings, moon and weather set,
// its clock at the local time and running on the central's dispatch. Lamp
// `number` 0 is "AQ Lamp"; further ones have their own name and identifier.
std::shared_ptr<SimModelLamp> makeDemoLamps(SimCentral& central, std::size_t slaves = 2,
                                           std::size_t number = 0);

}  // namespace aq
