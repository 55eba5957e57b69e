#include "session/LampProgrammeState.h"

#include <algorithm>

namespace aq {

bool LampProgrammeState::sameLinkLocked(const std::string& lamp, std::uint64_t epoch) const {
    return !lamp.empty() && lamp == _lamp && epoch == _epoch;
}

void LampProgrammeState::takeLinkLocked(const std::string& lamp, std::uint64_t epoch) {
    if (sameLinkLocked(lamp, epoch)) return;
    _devices.clear();
    _lamp = lamp;
    _epoch = epoch;
}

std::optional<KnownProgramme> LampProgrammeState::known(const std::string& lamp,
                                                        std::uint64_t epoch,
                                                        std::uint8_t device) const {
    std::lock_guard lock(_mutex);
    if (!sameLinkLocked(lamp, epoch)) return std::nullopt;
    const auto it = _devices.find(device);
    if (it == _devices.end()) return std::nullopt;
    const KnownProgramme& channels = it->second;
    if (std::none_of(channels.begin(), channels.end(), [](const auto& c) { return c.has_value(); }))
        return std::nullopt;
    return channels;
}

void LampProgrammeState::remember(const std::string& lamp, std::uint64_t epoch, std::uint8_t device,
                                  std::uint8_t channel, LampChannel points) {
    if (lamp.empty()) return;
    std::lock_guard lock(_mutex);
    takeLinkLocked(lamp, epoch);
    KnownProgramme& channels = _devices[device];
    if (channels.size() <= channel) channels.resize(channel + 1u);
    channels[channel] = std::move(points);
}

void LampProgrammeState::forgetChannel(const std::string& lamp, std::uint64_t epoch,
                                       std::uint8_t device, std::uint8_t channel) {
    std::lock_guard lock(_mutex);
    if (!sameLinkLocked(lamp, epoch)) return;
    const auto it = _devices.find(device);
    if (it != _devices.end() && channel < it->second.size()) it->second[channel].reset();
}

void LampProgrammeState::forget() {
    std::lock_guard lock(_mutex);
    _devices.clear();
    _lamp.clear();
    _epoch = 0;
}

}  // namespace aq
