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
ProgrammeRead readDeviceProgramme(BTLEController& link, std::uint8_t device,
                                  const std::vector<ChannelLook>& looks,
                                  const TransferControl* control = nullptr);
ProgrammeRead readPresetting(BTLEController& link, std::uint8_t presetting,
                             const std::vector<ChannelLook>& looks,
                             const TransferControl* control = nullptr);

// Writes the curves to each lamp in turn: per channel its count, then its
// points in order. Stops at the first command the lamp does not answer.
// Worker threads only.
std::optional<TransferStop> writeProgramme(BTLEController& link,
                                           const std::vector<std::uint8_t>& devices,
                                           const std::vector<std::vector<CurvePoint>>& channels,
                                           const TransferControl* control = nullptr);

}  // namespace aq
