// The day page's transfers: downloads of a lamp's programme or presetting,
// and the upload of the chart to one lamp or all of them.
#include "pages/AQDayAdjustmentController.h"

#include "link/BTLEController.h"
#include "link/Dispatch.h"
#include "link/Log.h"
#include "pages/Alerts.h"
#include "pages/NSDayAdjustment.h"
#include "state/GlobalStore.h"
#include "widgets/SPProgressHUD.h"

#include <algorithm>

namespace aq {

namespace {

const QString kSilentTitle = QStringLiteral("The lamp did not answer");

QString quoted(const std::string& text) {
    return QStringLiteral("\u201c%1\u201d").arg(QString::fromStdString(text));
}

QString channelTitle(const std::vector<ChannelLook>& looks, std::uint8_t channel) {
    if (channel < looks.size() && !looks[channel].name.empty()) {
        return QStringLiteral("channel %1").arg(quoted(looks[channel].name));
    }
    return QStringLiteral("channel %1").arg(int(channel) + 1);
}

// Where in a channel the lamp fell silent.
QString stopPlace(const TransferStop& stop, const std::vector<ChannelLook>& looks) {
    if (stop.point < 0) {
        return QStringLiteral("the number of set points of %1")
            .arg(channelTitle(looks, stop.channel));
    }
    return QStringLiteral("%1, set point %2 of %3")
        .arg(channelTitle(looks, stop.channel))
        .arg(stop.point + 1)
        .arg(stop.count);
}

}  // namespace

std::vector<ChannelLook> AQDayAdjustmentController::channelLooks() const {
    std::vector<ChannelLook> looks;
    for (const auto& channel : GlobalStore::sharedInstance().channels()) {
        looks.push_back(ChannelLook{channel->name(), channel->color()});
    }
    return looks;
}

void AQDayAdjustmentController::beginTransfer() {
    _busy = true;
    SPProgressHUD::showStatus(QString(), mainView());
}

void AQDayAdjustmentController::endTransfer() {
    _busy = false;
    SPProgressHUD::dismiss();
}

void AQDayAdjustmentController::tellLampSilent(const QString& text) {
    logLine(text.toStdString());
    showAlert(mainWindow(), kSilentTitle, text);
}

void AQDayAdjustmentController::btnDownloadPressed() {
    if (_busy) return;
    // All lamps share one programme as far as the chart goes: the master's is read.
    const std::uint8_t device = _device == kAllDevices ? 0 : _device;
    startDownload(QStringLiteral("the day programme of %1").arg(deviceName(device)),
                  [device, looks = channelLooks()](BTLEController& lamp) {
                      return readDeviceProgramme(lamp, device, looks);
                  });
}

void AQDayAdjustmentController::downloadPreset(std::uint8_t n) {
    if (_busy) return;
    const std::vector<std::string> presets = GlobalStore::sharedInstance().presets();
    const QString name = n < presets.size() && !presets[n].empty()
                             ? QStringLiteral("presetting %1").arg(quoted(presets[n]))
                             : QStringLiteral("presetting %1").arg(int(n) + 1);
    startDownload(name, [n, looks = channelLooks()](BTLEController& lamp) {
        return readPresetting(lamp, n, looks);
    });
}

void AQDayAdjustmentController::startDownload(const QString& what,
                                              std::function<ProgrammeRead(BTLEController&)> read) {
    beginTransfer();
    BTLEController& lamp = link();
    Dispatch& d = dispatch();
    QPointer<AQDayAdjustmentController> page(this);
    std::vector<ChannelLook> looks = channelLooks();
    d.runOnWorker([&lamp, &d, page, what, looks, read = std::move(read)] {
        ProgrammeRead result = read(lamp);
        d.postToMain([page, what, looks, result = std::move(result)]() mutable {
            if (!page) return;
            page->endTransfer();
            if (result.stop) {
                page->tellLampSilent(
                    QStringLiteral("Reading %1 stopped at %2. The chart and its curves were "
                                   "left as they were.")
                        .arg(what, stopPlace(*result.stop, looks)));
                return;
            }
            page->handOver(std::move(result.channels));
        });
    });
}

void AQDayAdjustmentController::handOver(
    std::vector<std::shared_ptr<DayAdjustmentChannel>> channels) {
    // On the main thread, in channel order, so the chart never draws a
    // half-replaced list.
    const std::vector<std::shared_ptr<Channel>> store = GlobalStore::sharedInstance().channels();
    DayAdjustmentGraph& graph = _dayAdjustment->daGraph();
    graph.channelRemoveAll();
    for (std::size_t ch = 0; ch < channels.size(); ++ch) {
        if (ch < store.size()) store[ch]->setPresentChannel(channels[ch]);
        graph.channelAdd(channels[ch]);
    }
    _dayAdjustment->setChannel(graph.selectedChannelIndex());
    updateCaption();
}

void AQDayAdjustmentController::btnUploadPressed() {
    if (_busy) return;
    // The points as they are now: the user may not edit them while the
    // overlay is up, but the worker must not read the live curves either way.
    const DayAdjustmentGraph& graph = _dayAdjustment->daGraph();
    const std::uint8_t n = GlobalStore::channelCount();
    std::vector<std::vector<CurvePoint>> points(n);
    for (std::uint8_t ch = 0; ch < n; ++ch) {
        if (const auto channel = graph.channelAtIndex(ch)) {
            points[ch].assign(channel->Points(), channel->Points() + channel->PointCount());
        }
    }
    std::vector<std::uint8_t> devices;
    if (_device == kAllDevices) {
        // Before the lamps behind the connection are known, "all" is at
        // least the connected lamp, rather than nothing sent and no word said.
        const int count = std::max<int>(1, GlobalStore::deviceCount());
        for (int d = 0; d < count; ++d) devices.push_back(static_cast<std::uint8_t>(d));
    } else {
        devices.push_back(_device);
    }

    beginTransfer();
    BTLEController& lamp = link();
    Dispatch& d = dispatch();
    QPointer<AQDayAdjustmentController> page(this);
    d.runOnWorker([&lamp, &d, page, devices, points = std::move(points), looks = channelLooks()] {
        const std::optional<TransferStop> stop = writeProgramme(lamp, devices, points);
        d.postToMain([page, stop, looks] {
            if (!page) return;
            page->endTransfer();
            if (!stop) return;
            QString left = QStringLiteral("the rest of this channel and the channels after it");
            if (stop->lampsLeft == 1) {
                left += QStringLiteral(", and the next lamp,");
            } else if (stop->lampsLeft > 1) {
                left += QStringLiteral(", and the %1 lamps after this one,").arg(stop->lampsLeft);
            }
            page->tellLampSilent(
                QStringLiteral("Writing the day programme to %1 stopped at %2; %3 were not "
                               "written. The lamp may now hold a partial programme: upload "
                               "again once it answers.")
                    .arg(deviceName(stop->device), stopPlace(*stop, looks), left));
        });
    });
}

}  // namespace aq
