#include "session/DayTransfer.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "link/BTLEController.h"
#include "link/Log.h"

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
                            const PointRead& pointOf, const TransferControl* control,
                            std::vector<LampChannel>* raw = nullptr) {
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
        if (raw) raw->emplace_back();
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
            if (raw) raw->back().push_back(LampPoint{offset, level});
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
                                  const TransferControl* control, const LampMemory& memory) {
    std::vector<LampChannel> raw;
    ProgrammeRead read = readProgramme(
        looks, [&](std::uint8_t ch) { return link.getSetPointCountForDevice(device, ch); },
        [&](std::uint8_t ch, std::uint8_t p, std::uint16_t& offset, std::uint8_t& level) {
            return link.getSetPointValueForDevice(device, ch, p, offset, level);
        },
        control, &raw);
    if (!read.stop && memory.state) {
        for (std::size_t ch = 0; ch < raw.size(); ++ch) {
            memory.state->remember(memory.lamp, memory.epoch, device, static_cast<std::uint8_t>(ch),
                                   std::move(raw[ch]));
        }
    }
    return read;
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

LampChannel lampChannel(const std::vector<CurvePoint>& points) {
    LampChannel channel;
    const std::size_t n = std::min<std::size_t>(points.size(), 255);
    channel.reserve(n);
    for (std::size_t p = 0; p < n; ++p) {
        channel.push_back(LampPoint{lampOffset(points[p].x), lampLevel(points[p].y)});
    }
    return channel;
}

LampPoint asDownloaded(LampPoint point) {
    const CurvePoint shown = curvePoint(point.offset, point.level);
    return LampPoint{lampOffset(shown.x), lampLevel(shown.y)};
}

std::vector<std::uint8_t> changedChannels(const std::vector<LampChannel>& wanted,
                                          const std::optional<KnownProgramme>& known) {
    std::vector<std::uint8_t> changed;
    const std::size_t n = std::min<std::size_t>(wanted.size(), 255);
    for (std::size_t ch = 0; ch < n; ++ch) {
        const bool same =
            known && ch < known->size() && (*known)[ch] && *(*known)[ch] == wanted[ch];
        if (!same) changed.push_back(static_cast<std::uint8_t>(ch));
    }
    return changed;
}

UploadPlan planUpload(const std::vector<std::uint8_t>& devices,
                      const std::vector<LampChannel>& wanted, const LampMemory& memory,
                      bool everything, bool verify) {
    UploadPlan plan;
    plan.verify = verify;
    for (const std::uint8_t d : devices) {
        std::optional<KnownProgramme> known;
        if (!everything && memory.state) known = memory.state->known(memory.lamp, memory.epoch, d);
        UploadPlan::Target target{d, changedChannels(wanted, known)};
        if (target.channels.empty()) continue;
        for (const std::uint8_t ch : target.channels) {
            const int commands = 1 + static_cast<int>(wanted[ch].size());
            plan.commandTotal += verify ? 2 * commands : commands;
        }
        plan.targets.push_back(std::move(target));
    }
    return plan;
}

std::string lampPointText(LampPoint point) {
    return format("%02u:%02u %ld %%", unsigned{point.offset} / 60u, unsigned{point.offset} % 60u,
                  std::lround(point.level * 100.0 / 255.0));
}

std::optional<VerifyMismatch> firstMismatch(const LampChannel& sent, const LampChannel& read) {
    const std::size_t n = std::min(sent.size(), read.size());
    for (std::size_t p = 0; p < n; ++p) {
        if (asDownloaded(read[p]) != sent[p]) {
            VerifyMismatch m;
            m.point = static_cast<int>(p);
            m.read = asDownloaded(read[p]);
            m.sent = sent[p];
            m.readCount = static_cast<int>(read.size());
            m.sentCount = static_cast<int>(sent.size());
            return m;
        }
    }
    if (sent.size() == read.size()) return std::nullopt;
    VerifyMismatch m;
    m.readCount = static_cast<int>(read.size());
    m.sentCount = static_cast<int>(sent.size());
    return m;
}

UploadResult writeProgramme(BTLEController& link, const UploadPlan& plan,
                            const std::vector<LampChannel>& wanted, const LampMemory& memory,
                            const TransferControl* control) {
    UploadResult result;
    TransferProgress progress;
    progress.channelCount = static_cast<int>(std::min<std::size_t>(wanted.size(), 255));
    progress.commandTotal = plan.commandTotal;
    const auto answered = [&] {
        ++result.commands;
        progress.command = result.commands;
        if (control) control->report(progress);
    };
    const auto forget = [&](std::uint8_t d, std::uint8_t ch) {
        if (memory.state) memory.state->forgetChannel(memory.lamp, memory.epoch, d, ch);
    };
    for (std::size_t i = 0; i < plan.targets.size(); ++i) {
        const std::uint8_t d = plan.targets[i].device;
        const int lampsLeft = static_cast<int>(plan.targets.size() - i - 1);
        progress.device = d;
        for (const std::uint8_t ch : plan.targets[i].channels) {
            const LampChannel& points = wanted[ch];
            const auto count = static_cast<std::uint8_t>(points.size());
            progress.channel = ch;
            const auto stopAt = [&](int point, bool cancel) {
                result.stop = TransferStop{d, ch, point, count, lampsLeft, cancel};
                return result;
            };
            if (cancelled(control)) return stopAt(-1, true);
            // From the first write on, the channel holds something between
            // what it held and what is sent.
            forget(d, ch);
            if (!link.setSetPointCountForDevice(d, ch, count)) return stopAt(-1, false);
            answered();
            for (std::uint8_t p = 0; p < count; ++p) {
                if (cancelled(control)) return stopAt(p, true);
                if (!link.setSetPointValueForDevice(d, ch, p, points[p].offset, points[p].level)) {
                    return stopAt(p, false);
                }
                answered();
            }
            if (!plan.verify) continue;
            // The read-back: its count, then every point the lamp says it holds.
            if (cancelled(control)) return stopAt(-1, true);
            const std::optional<std::uint8_t> readCount = link.getSetPointCountForDevice(d, ch);
            if (!readCount) return stopAt(-1, false);
            answered();
            LampChannel read;
            for (std::uint8_t p = 0; p < *readCount; ++p) {
                if (cancelled(control)) return stopAt(p, true);
                LampPoint point;
                if (!link.getSetPointValueForDevice(d, ch, p, point.offset, point.level)) {
                    return stopAt(p, false);
                }
                read.push_back(point);
                answered();
            }
            std::optional<VerifyMismatch> mismatch = firstMismatch(points, read);
            if (memory.state) memory.state->remember(memory.lamp, memory.epoch, d, ch, read);
            if (mismatch) {
                mismatch->device = d;
                mismatch->channel = ch;
                mismatch->lampsLeft = lampsLeft;
                result.mismatch = mismatch;
                return result;
            }
        }
    }
    return result;
}

}  // namespace aq
