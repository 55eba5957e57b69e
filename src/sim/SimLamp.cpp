#include "sim/SimLamp.h"

#include "link/LampUuids.h"

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

bool SimFaults::hits(SimFault fault, std::uint64_t number, const std::string& characteristicUuid,
                     const Bytes& data) const {
    auto from = [number](const std::optional<std::uint64_t>& first) {
        return first && number >= *first;
    };
    switch (fault) {
        case SimFault::NoAnswer:
            if (from(noAnswerFrom) || (noAnswerAt && number == *noAnswerAt)) return true;
            break;
        case SimFault::DropLink:
            if (from(dropLinkAt)) return true;
            break;
        case SimFault::ShortAnswer:
            if (from(shortAnswerFrom)) return true;
            break;
        case SimFault::GarbageAnswer:
            if (from(garbageAnswerFrom)) return true;
            break;
        case SimFault::LateAnswer:
            break;
    }
    if (data.empty()) return false;
    for (const ForCommand& f : forCommands) {
        if (f.fault == fault && f.opcode == data[0] &&
            (f.characteristic.empty() || f.characteristic == characteristicUuid)) {
            return true;
        }
    }
    return false;
}

Bytes SimLamp::receive(const std::string& characteristicUuid, const Bytes& data) {
    std::uint64_t number = 0;
    SimFaults faults;
    {
        std::lock_guard lock(_mutex);
        _received.push_back({characteristicUuid, data});
        if (_received.size() > kReceivedKept) _received.pop_front();
        number = ++_count;
        faults = _faults;
    }
    Bytes out;
    if (faults.spoilPointAt && *faults.spoilPointAt == number && data.size() >= 7 &&
        data[0] == 0x0F && characteristicUuid == kCommandCharacteristicUUID) {
        if (faults.spoilPointByDropping) {
            out = SimLamp::answer(characteristicUuid, data);
        } else {
            Bytes altered = data;
            altered[6] = static_cast<std::uint8_t>(altered[6] ^ 1);
            out = answer(characteristicUuid, altered);
        }
    } else {
        out = answer(characteristicUuid, data);
    }
    if (faults.hits(SimFault::GarbageAnswer, number, characteristicUuid, data)) {
        // Noise that differs from command to command but is the same in
        // every run.
        std::uint32_t noise = 0x9E3779B9u * static_cast<std::uint32_t>(number + 1);
        for (std::uint8_t& b : out) {
            noise = noise * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(noise >> 24);
        }
    }
    if (faults.hits(SimFault::ShortAnswer, number, characteristicUuid, data) &&
        out.size() > faults.shortAnswerLength) {
        out.resize(faults.shortAnswerLength);
    }
    return out;
}

std::vector<SimLamp::Received> SimLamp::received() const {
    std::lock_guard lock(_mutex);
    return {_received.begin(), _received.end()};
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
