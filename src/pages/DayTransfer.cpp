#include "pages/DayTransfer.h"

#include <cmath>
#include <functional>

#include "link/BTLEController.h"

namespace aq {

namespace {

// Truncates scaled toward zero inside 0 ... limit; not a number gives 0.
// A product a rounding error short of a whole number counts as that number:
// 15 / 1439.0 * 1439 comes out as 14.999..., and plain truncation would move
// one set point in nine a minute earlier on every download and upload.
unsigned truncatedScale(double fraction, double scale, unsigned limit) {
    const double v = std::trunc(fraction * scale + 1e-7);
    if (!(v > 0.0)) return 0;
    if (v >= limit) return limit;
    return static_cast<unsigned>(v);
}

using CountRead = std::function<std::optional<std::uint8_t>(std::uint8_t channel)>;
using PointRead = std::function<bool(std::uint8_t channel, std::uint8_t point,
                                     std::uint16_t& offset, std::uint8_t& level)>;

bool cancelled(const TransferControl* control) {
    return control && control->cancelRequested();
}

ProgrammeRead readProgramme(const std::vector<ChannelLook>& looks, const CountRead& countOf,
                            const PointRead& pointOf, const TransferControl* control) {
    ProgrammeRead read;
    const auto n = static_cast<std::uint8_t>(looks.size());
    std::vector<std::uint8_t> counts(n, 0);
    TransferProgress progress;
    progress.channelCount = n;
    for (std::uint8_t ch = 0; ch < n; ++ch) {
        if (cancelled(control)) {
            read.stop = TransferStop{0, ch, -1, -1, 0, true};
            return read;
        }
        const std::optional<std::uint8_t> count = countOf(ch);
        if (!count) {
            read.stop = TransferStop{0, ch, -1, -1, 0};
            return read;
        }
        counts[ch] = *count;
        progress.channel = ch;
        ++progress.command;
        if (control) control->report(progress);
    }
    progress.commandTotal = n;
    for (const std::uint8_t count : counts) progress.commandTotal += count;
    for (std::uint8_t ch = 0; ch < n; ++ch) {
        auto channel = std::make_shared<DayAdjustmentChannel>(looks[ch].color);
        channel->setName(looks[ch].name);
        progress.channel = ch;
        for (int p = 0; p < counts[ch]; ++p) {
            std::uint16_t offset = 0;
            std::uint8_t level = 0;
            if (cancelled(control)) {
                read.channels.clear();
                read.stop = TransferStop{0, ch, p, counts[ch], 0, true};
                return read;
            }
            if (!pointOf(ch, static_cast<std::uint8_t>(p), offset, level)) {
                read.channels.clear();
                read.stop = TransferStop{0, ch, p, counts[ch], 0};
                return read;
            }
            ++progress.command;
            if (control) control->report(progress);
            // Appends and sorts; beyond 144 points the first ones are kept.
            channel->addPoint(curvePoint(offset, level));
        }
        read.channels.push_back(std::move(channel));
    }
    return read;
}

}  // namespace

std::uint16_t lampOffset(double x) {
    return static_cast<std::uint16_t>(truncatedScale(x, 1439.0, 1439));
}

std::uint8_t lampLevel(double y) {
    return static_cast<std::uint8_t>(truncatedScale(y, 255.0, 255));
}

CurvePoint curvePoint(std::uint16_t offset, std::uint8_t level) {
    return CurvePoint{offset / 1439.0, level / 255.0};
}

ProgrammeRead readDeviceProgramme(BTLEController& link, std::uint8_t device,
                                  const std::vector<ChannelLook>& looks,
                                  const TransferControl* control) {
    return readProgramme(
        looks, [&](std::uint8_t ch) { return link.getSetPointCountForDevice(device, ch); },
        [&](std::uint8_t ch, std::uint8_t p, std::uint16_t& offset, std::uint8_t& level) {
            return link.getSetPointValueForDevice(device, ch, p, offset, level);
        },
        control);
}

ProgrammeRead readPresetting(BTLEController& link, std::uint8_t presetting,
                             const std::vector<ChannelLook>& looks,
                             const TransferControl* control) {
    return readProgramme(
        looks, [&](std::uint8_t ch) { return link.getSetPointCountForPresetting(presetting, ch); },
        [&](std::uint8_t ch, std::uint8_t p, std::uint16_t& offset, std::uint8_t& level) {
            return link.getSetPointValueForPresetting(presetting, ch, p, offset, level);
        },
        control);
}

std::optional<TransferStop> writeProgramme(BTLEController& link,
                                           const std::vector<std::uint8_t>& devices,
                                           const std::vector<std::vector<CurvePoint>>& channels,
                                           const TransferControl* control) {
    const auto n = static_cast<std::uint8_t>(std::min<std::size_t>(channels.size(), 255));
    const auto countOf = [&](std::uint8_t ch) {
        return static_cast<std::uint8_t>(std::min<std::size_t>(channels[ch].size(), 255));
    };
    TransferProgress progress;
    progress.channelCount = n;
    progress.commandTotal = 0;
    for (std::uint8_t ch = 0; ch < n; ++ch) progress.commandTotal += 1 + countOf(ch);
    progress.commandTotal *= static_cast<int>(devices.size());
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const std::uint8_t d = devices[i];
        const int lampsLeft = static_cast<int>(devices.size() - i - 1);
        progress.device = d;
        for (std::uint8_t ch = 0; ch < n; ++ch) {
            const auto& points = channels[ch];
            const std::uint8_t count = countOf(ch);
            progress.channel = ch;
            if (cancelled(control)) return TransferStop{d, ch, -1, count, lampsLeft, true};
            if (!link.setSetPointCountForDevice(d, ch, count)) {
                return TransferStop{d, ch, -1, count, lampsLeft};
            }
            ++progress.command;
            if (control) control->report(progress);
            for (std::uint8_t p = 0; p < count; ++p) {
                if (cancelled(control)) return TransferStop{d, ch, p, count, lampsLeft, true};
                if (!link.setSetPointValueForDevice(d, ch, p, lampOffset(points[p].x),
                                                    lampLevel(points[p].y))) {
                    return TransferStop{d, ch, p, count, lampsLeft};
                }
                ++progress.command;
                if (control) control->report(progress);
            }
        }
    }
    return std::nullopt;
}

}  // namespace aq
