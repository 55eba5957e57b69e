#include "sim/SimLamp.h"

namespace aq {

SimLamp::SimLamp(std::string name, std::string identifier)
    : _name(std::move(name)), _identifier(std::move(identifier)) {}

SimFaults SimLamp::faults() const {
    std::lock_guard lock(_mutex);
    return _faults;
}

void SimLamp::setFaults(const SimFaults& faults) {
    std::lock_guard lock(_mutex);
    _faults = faults;
}

Bytes SimLamp::receive(const std::string& characteristicUuid, const Bytes& data) {
    {
        std::lock_guard lock(_mutex);
        _received.push_back({characteristicUuid, data});
        ++_count;
    }
    return answer(characteristicUuid, data);
}

std::vector<SimLamp::Received> SimLamp::received() const {
    std::lock_guard lock(_mutex);
    return _received;
}

std::uint64_t SimLamp::receivedCount() const {
    std::lock_guard lock(_mutex);
    return _count;
}

void SimLamp::clearReceived() {
    std::lock_guard lock(_mutex);
    _received.clear();
}

Bytes SimLamp::answer(const std::string&, const Bytes& data) {
    if (data.empty()) return {};
    return Bytes{data[0]};
}

}  // namespace aq
