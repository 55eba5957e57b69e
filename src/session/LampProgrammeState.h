#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace aq {

// One set point in the lamp's units: minutes after midnight, level of 255.
struct LampPoint {
    std::uint16_t offset = 0;
    std::uint8_t level = 0;

    friend bool operator==(const LampPoint&, const LampPoint&) = default;
};

// A channel's set points in the order the lamp holds them.
using LampChannel = std::vector<LampPoint>;

// What the lamp is known to hold, per channel; nothing for a channel whose
// points are not known.
using KnownProgramme = std::vector<std::optional<LampChannel>>;

// The day programmes the connected lamp and its slaves are known to hold:
// read by the last download of a device, or written by the last verified
// upload. Everything learnt belongs to one lamp and one link epoch (see
// BTLEController::linkEpoch); asked under another, nothing is known, so a
// disconnect, a lost link or a command lost on the way forgets it all.
// Thread-safe.
class LampProgrammeState {
public:
    // The device's programme as far as known; nothing when no channel is.
    std::optional<KnownProgramme> known(const std::string& lamp, std::uint64_t epoch,
                                        std::uint8_t device) const;
    // The lamp holds these points on the channel.
    void remember(const std::string& lamp, std::uint64_t epoch, std::uint8_t device,
                  std::uint8_t channel, LampChannel points);
    // What the lamp holds on the channel is not known any more.
    void forgetChannel(const std::string& lamp, std::uint64_t epoch, std::uint8_t device,
                       std::uint8_t channel);
    void forget();

private:
    // Drops what was learnt under another lamp or epoch. Caller holds _mutex.
    bool sameLinkLocked(const std::string& lamp, std::uint64_t epoch) const;
    void takeLinkLocked(const std::string& lamp, std::uint64_t epoch);

    mutable std::mutex _mutex;
    std::string _lamp;
    std::uint64_t _epoch = 0;
    std::map<std::uint8_t, KnownProgramme> _devices;
};

}  // namespace aq
