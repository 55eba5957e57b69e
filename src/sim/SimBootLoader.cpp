#include "sim/SimBootLoader.h"

#include <algorithm>

namespace aq {

SimBootLoader::Verdict SimBootLoader::take(const Bytes& packet) {
    std::lock_guard lock(_mutex);
    auto refuse = [this] {
        ++_refused;
        return Verdict::Refuse;
    };
    if (packet.empty()) return refuse();
    const std::uint8_t op = packet[0];

    if (op == 0x1E && packet.size() == 1) {
        // Opening (again): whatever was under way is forgotten.
        _mode = Mode::Opened;
        return Verdict::DropLink;
    }
    switch (_mode) {
        case Mode::Normal:
            return refuse();
        case Mode::Opened:
            if (op != 0x01 || packet.size() != 1) return refuse();
            _mode = Mode::Receiving;
            _nextPart = 0;
            _receiving.assign(kImageSize, 0xFF);
            _receivingAddresses.clear();
            return Verdict::Answer;
        case Mode::Receiving:
            break;
    }

    if (op == 0x03) {
        if (packet.size() != 2 + 16 || packet[1] != _nextPart || _nextPart >= 16) return refuse();
        std::copy(packet.begin() + 2, packet.end(), _page.begin() + _nextPart * 16);
        ++_nextPart;
        return Verdict::Answer;
    }
    if (op == 0x04) {
        if (packet.size() != 5 || _nextPart != 16 || packet[4] != 0) return refuse();
        const std::uint32_t address = (std::uint32_t{packet[1]} << 24) |
                                      (std::uint32_t{packet[2]} << 16) |
                                      (std::uint32_t{packet[3]} << 8);
        if (address + kPageSize > kImageSize) return refuse();
        std::copy(_page.begin(), _page.end(), _receiving.begin() + address);
        _receivingAddresses.push_back(address);
        _nextPart = 0;
        return Verdict::Answer;
    }
    if (op == 0x02) {
        if (packet.size() != 1 || _nextPart != 0) return refuse();
        _image = _receiving;
        _addresses = _receivingAddresses;
        ++_completed;
        _mode = Mode::Normal;
        return Verdict::Answer;
    }
    return refuse();
}

SimBootLoader::Mode SimBootLoader::mode() const {
    std::lock_guard lock(_mutex);
    return _mode;
}

std::vector<std::uint8_t> SimBootLoader::image() const {
    std::lock_guard lock(_mutex);
    return _image;
}

std::vector<std::uint32_t> SimBootLoader::pageAddresses() const {
    std::lock_guard lock(_mutex);
    return _addresses;
}

int SimBootLoader::completedUpdates() const {
    std::lock_guard lock(_mutex);
    return _completed;
}

int SimBootLoader::refusedPackets() const {
    std::lock_guard lock(_mutex);
    return _refused;
}

}  // namespace aq
