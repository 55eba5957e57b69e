#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

#include "link/Bytes.h"

namespace aq {

// The lamp's boot loader as a simulated lamp plays it. The opening command
// drops the link and opens the boot loader; after the start command it takes
// a page as 16 part packets in order and a page packet naming where the page
// goes; the end command keeps the image and returns to normal operation.
// Packets out of order or of the wrong shape are refused (never answered),
// so a transfer that sends them stalls visibly. Thread-safe.
class SimBootLoader {
public:
    static constexpr std::size_t kImageSize = 0x20000;
    static constexpr std::size_t kPageSize = 256;

    enum class Verdict {
        Answer,    // taken; the write completes and the read answers
        Refuse,    // not taken; the write is never completed
        DropLink,  // taken; the lamp drops the link to restart into the boot loader
    };
    enum class Mode { Normal, Opened, Receiving };

    Verdict take(const Bytes& packet);

    Mode mode() const;
    // The image kept by the last completed update (all 0xFF before any).
    std::vector<std::uint8_t> image() const;
    // Page packets taken by the last completed update, in order of arrival,
    // as the addresses they named.
    std::vector<std::uint32_t> pageAddresses() const;
    int completedUpdates() const;
    int refusedPackets() const;

private:
    mutable std::mutex _mutex;
    Mode _mode = Mode::Normal;
    std::uint8_t _nextPart = 0;
    std::array<std::uint8_t, kPageSize> _page{};
    std::vector<std::uint8_t> _receiving;
    std::vector<std::uint32_t> _receivingAddresses;
    std::vector<std::uint8_t> _image = std::vector<std::uint8_t>(kImageSize, 0xFF);
    std::vector<std::uint32_t> _addresses;
    int _completed = 0;
    int _refused = 0;
};

}  // namespace aq
