#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "StandInBus.h"
#include "link/BTLEController.h"

namespace aq::test {

inline constexpr std::uint8_t kProgrammeChannels = 6;

// A different programme per lamp: the day's edges, full and dark levels, an empty channel,
// and one channel with many points, so that a lost, repeated or misplaced set point shows.
inline LampProgramme programmeFor(unsigned device) {
    LampProgramme programme(kProgrammeChannels);
    programme[0] = {{0, 0}, {1439, 255}};
    programme[1] = {};
    for (unsigned p = 0; p < 24; ++p)
        programme[2].push_back({p * 60 + device, (p * 11 + device) % 256});
    programme[3] = {{359, 127}, {1079, 255}};
    programme[4] = {{420 + device * 15, 10}, {600, 200}, {1200, 201}};
    programme[5] = {{device, 255 - device}};
    return programme;
}

// As the day page uploads to all lamps (worker only): per lamp, per channel the count, then
// its points. Stops at the first command the lamp does not answer.
inline bool uploadProgrammes(BTLEController& link, unsigned lamps) {
    for (unsigned d = 0; d < lamps; ++d) {
        const LampProgramme programme = programmeFor(d);
        for (std::uint8_t ch = 0; ch < kProgrammeChannels; ++ch) {
            const SetPoints& points = programme[ch];
            if (!link.setSetPointCountForDevice(std::uint8_t(d), ch, std::uint8_t(points.size())))
                return false;
            for (std::size_t p = 0; p < points.size(); ++p) {
                if (!link.setSetPointValueForDevice(std::uint8_t(d), ch, std::uint8_t(p),
                                                    std::uint16_t(points[p].first),
                                                    std::uint8_t(points[p].second)))
                    return false;
            }
        }
    }
    return true;
}

// As the day page downloads one lamp (worker only); none when a read went unanswered.
inline std::optional<LampProgramme> downloadProgramme(BTLEController& link, unsigned device) {
    LampProgramme programme(kProgrammeChannels);
    for (std::uint8_t ch = 0; ch < kProgrammeChannels; ++ch) {
        const auto count = link.getSetPointCountForDevice(std::uint8_t(device), ch);
        if (!count) return std::nullopt;
        for (std::uint8_t p = 0; p < *count; ++p) {
            std::uint16_t offset = 0;
            std::uint8_t level = 0;
            if (!link.getSetPointValueForDevice(std::uint8_t(device), ch, p, offset, level))
                return std::nullopt;
            programme[ch].push_back({offset, level});
        }
    }
    return programme;
}

}  // namespace aq::test
