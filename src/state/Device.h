#pragma once

namespace aq {

// One lamp behind the connection (the master or a slave). It holds nothing:
// the number of entries in the store is the number of lamps, and an entry's
// index is the device number lamp commands take.
class Device {};

}  // namespace aq
