#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "curve/Color.h"
#include "curve/CurvePoint.h"
#include "curve/DayAdjustmentChannel.h"
#include "session/LampProgrammeState.h"

namespace aq {

class BTLEController;

// The day programme's units at the lamp: a set point's time in minutes after
// midnight (1439 is 23:59) and its level out of 255. The curve's fractions
// map to them by truncation. A curve value outside 0 ... 1 (from a preset
// file, say) is kept to the lamp's range rather than wrapped into a
// meaningless offset.
std::uint16_t lampOffset(double x);
std::uint8_t lampLevel(double y);
CurvePoint curvePoint(std::uint16_t offset, std::uint8_t level);

// Where the lamp stopped answering during a transfer.
struct TransferStop {
    std::uint8_t device = 0;  // the lamp written to; unused when reading
    std::uint8_t channel = 0;
    // The set point asked for or written, or -1 for the channel's count.
    int point = -1;
    // The channel's number of points, when known.
    int count = -1;
    // How many lamps of the transfer come after the one that stopped.
    int lampsLeft = 0;
    // The user asked the transfer to stop; the command named was not sent.
    bool cancelled = false;
};

// How far a transfer has come: reported on the worker after every command.
struct TransferProgress {
    std::uint8_t device = 0;  // the lamp written to; unused when reading
    std::uint8_t channel = 0;
    int channelCount = 0;
    // Commands answered so far, and all the transfer needs; -1 while the
    // total is not known yet (a read before its channels' counts are in).
    int command = 0;
    int commandTotal = -1;
};

// What the page and the worker of one transfer share: the progress report,
// called on the worker (it posts to wherever it is shown), and a request to
// stop, honoured between two commands so that no command is cut off.
class TransferControl {
public:
    using Report = std::function<void(const TransferProgress&)>;

    explicit TransferControl(Report report = {}) : _report(std::move(report)) {}

    void requestCancel() { _cancel.store(true); }
    bool cancelRequested() const { return _cancel.load(); }
    void report(const TransferProgress& progress) const {
        if (_report) _report(progress);
    }

private:
    Report _report;
    std::atomic<bool> _cancel{false};
};

// What is known of the connected lamp, and under which link epoch.
struct LampMemory {
    LampProgrammeState* state = nullptr;
    std::string lamp;  // the connected lamp's identifier
    std::uint64_t epoch = 0;
};

// What a read of a day programme is made into: one curve per channel.
struct ChannelLook {
    std::string name;
    Color color;
};

// Reads a programme, all counts first, then each channel's points. The
// curves are new objects nobody else holds yet; without an answer the read
// stops and gives no curves at all, so nothing half-read reaches the chart.
struct ProgrammeRead {
    std::vector<std::shared_ptr<DayAdjustmentChannel>> channels;
    std::optional<TransferStop> stop;
};

// Worker threads only: each lamp command waits for its answer. A control,
// when given, hears of every command and may stop the read between two.
// A device's programme read whole becomes what it is known to hold.
ProgrammeRead readDeviceProgramme(BTLEController& link, std::uint8_t device,
                                  const std::vector<ChannelLook>& looks,
                                  const TransferControl* control = nullptr,
                                  const LampMemory& memory = {});
ProgrammeRead readPresetting(BTLEController& link, std::uint8_t presetting,
                             const std::vector<ChannelLook>& looks,
                             const TransferControl* control = nullptr);

// The lamp units an upload sends for a curve: its first 255 points.
LampChannel lampChannel(const std::vector<CurvePoint>& points);
// A point as read from the lamp, after the download's conversion to the
// chart's units and back.
LampPoint asDownloaded(LampPoint point);

// The channels to send so that a lamp known to hold `known` holds `wanted`:
// those whose points differ, or are not known. Nothing known means all.
std::vector<std::uint8_t> changedChannels(const std::vector<LampChannel>& wanted,
                                          const std::optional<KnownProgramme>& known);

// What an upload sends: per lamp, the channels to write.
struct UploadPlan {
    struct Target {
        std::uint8_t device = 0;
        std::vector<std::uint8_t> channels;
    };
    std::vector<Target> targets;  // lamps with nothing to send are left out
    bool verify = true;
    // Commands the plan takes when every read-back agrees.
    int commandTotal = 0;
};

// Plans an upload of `wanted` to the devices: everything, or only the
// channels that differ from what `memory` knows of each device.
UploadPlan planUpload(const std::vector<std::uint8_t>& devices,
                      const std::vector<LampChannel>& wanted, const LampMemory& memory,
                      bool everything, bool verify);

// A channel read back after writing that differs from what was sent.
struct VerifyMismatch {
    std::uint8_t device = 0;
    std::uint8_t channel = 0;
    // The first point that differs, or -1 when the count does.
    int point = -1;
    int readCount = 0;
    int sentCount = 0;
    LampPoint read;
    LampPoint sent;
    // How many lamps of the plan come after this one.
    int lampsLeft = 0;
};

// A set point as the messages name it: "12:30 40 %".
std::string lampPointText(LampPoint point);

// The first difference between what was sent and what was read back.
std::optional<VerifyMismatch> firstMismatch(const LampChannel& sent, const LampChannel& read);

struct UploadResult {
    std::optional<TransferStop> stop;
    std::optional<VerifyMismatch> mismatch;
    int commands = 0;  // commands answered
};

// Writes the plan lamp by lamp: per channel its count, then its points in
// order, and when verifying reads the channel back at once. Stops at the
// first command the lamp does not answer and at the first read-back that
// differs. What a verified channel read becomes known in `memory`; a channel
// written and not verified is known no more. Worker threads only.
UploadResult writeProgramme(BTLEController& link, const UploadPlan& plan,
                            const std::vector<LampChannel>& wanted, const LampMemory& memory,
                            const TransferControl* control = nullptr);

}  // namespace aq
