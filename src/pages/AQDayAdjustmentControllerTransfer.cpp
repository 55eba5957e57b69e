// The day page's transfers: downloads of a lamp's programme or presetting,
// and the upload of the chart to one lamp or all of them.
#include "pages/AQDayAdjustmentController.h"

#include "link/BTLEController.h"
#include "link/Dispatch.h"
#include "link/Log.h"
#include "pages/Alerts.h"
#include "pages/NSDayAdjustment.h"
#include "pages/Questions.h"
#include "pages/TimeLeft.h"
#include "session/GlobalStore.h"
#include "widgets/SPProgressHUD.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QUndoStack>

#include <algorithm>

namespace aq {

namespace {

QString silentTitle() { return AQDayAdjustmentController::tr("The lamp did not answer"); }

QString quoted(const std::string& text) {
    return QStringLiteral("\u201c%1\u201d").arg(QString::fromStdString(text));
}

QString channelTitle(const std::vector<ChannelLook>& looks, std::uint8_t channel) {
    if (channel < looks.size() && !looks[channel].name.empty()) {
        return AQDayAdjustmentController::tr("channel %1").arg(quoted(looks[channel].name));
    }
    return AQDayAdjustmentController::tr("channel %1").arg(int(channel) + 1);
}

// Where in a channel the lamp fell silent.
QString stopPlace(const TransferStop& stop, const std::vector<ChannelLook>& looks) {
    if (stop.point < 0) {
        return AQDayAdjustmentController::tr("the number of set points of %1")
            .arg(channelTitle(looks, stop.channel));
    }
    return AQDayAdjustmentController::tr("%1, set point %2 of %3")
        .arg(channelTitle(looks, stop.channel))
        .arg(stop.point + 1)
        .arg(stop.count);
}

// What an upload that stopped early did not write.
QString leftUnwritten(const TransferStop& stop) {
    QString left = AQDayAdjustmentController::tr("the rest of this channel and the channels after it");
    if (stop.lampsLeft == 1) {
        left += AQDayAdjustmentController::tr(", and the next lamp,");
    } else if (stop.lampsLeft > 1) {
        left += AQDayAdjustmentController::tr(", and the %1 lamps after this one,").arg(stop.lampsLeft);
    }
    return left;
}

}  // namespace

std::vector<ChannelLook> AQDayAdjustmentController::channelLooks() const {
    std::vector<ChannelLook> looks;
    for (const auto& channel : GlobalStore::sharedInstance().channels()) {
        looks.push_back(ChannelLook{channel->name(), channel->color()});
    }
    return looks;
}

std::shared_ptr<TransferControl> AQDayAdjustmentController::newTransferControl() {
    Dispatch& d = dispatch();
    QPointer<AQDayAdjustmentController> page(this);
    // Each report is posted: the worker never touches the overlay.
    _control = std::make_shared<TransferControl>([&d, page](const TransferProgress& progress) {
        d.postToMain([page, progress] {
            if (page) page->showTransferProgress(progress);
        });
    });
    return _control;
}

void AQDayAdjustmentController::beginTransfer(const QString& what) {
    _busy = true;
    _transferWhat = what;
    _progressText = what;
    _transferStart = dispatch().now();
    SPProgressHUD::showStatus(what, mainView());
    QPointer<AQDayAdjustmentController> page(this);
    SPProgressHUD::setCancelAction(tr("Cancel"), [page] {
        if (page) page->cancelTransfer();
    });
    // Closing the window asks first while the transfer runs.
    if (QWidget* window = mainWindow()) {
        window->installEventFilter(this);
        _closeWatched = window;
    }
    updateHistoryActions();
}

void AQDayAdjustmentController::endTransfer() {
    _busy = false;
    // Its report is still to come (an alert that runs its own event loop).
    _reporting = true;
    _control.reset();
    _progressText.clear();
    if (_closeWatched) _closeWatched->removeEventFilter(this);
    _closeWatched = nullptr;
    SPProgressHUD::dismiss();
    updateHistoryActions();
}

void AQDayAdjustmentController::showTransferProgress(const TransferProgress& progress) {
    if (!_busy) return;
    QString text = _transferWhat;
    if (_uploadLamps > 0) {
        text = _uploadLamps > 1 ? tr("Uploading to %1 (lamp %2 of %3)")
                                      .arg(deviceName(progress.device))
                                      .arg(int(progress.device) + 1)
                                      .arg(_uploadLamps)
                                : tr("Uploading to %1").arg(deviceName(progress.device));
    }
    text += QStringLiteral(" - ") +
            tr("channel %1 of %2").arg(int(progress.channel) + 1).arg(progress.channelCount);
    if (progress.commandTotal > 0) {
        text +=
            QStringLiteral(" - ") + tr("%1 of %2").arg(progress.command).arg(progress.commandTotal);
        if (const auto left = secondsLeft(dispatch().now() - _transferStart, progress.command,
                                          progress.commandTotal)) {
            text += QLatin1Char('\n') + timeLeftText(*left);
        }
    }
    if (_control && _control->cancelRequested()) text += QLatin1Char('\n') + tr("Stopping…");
    _progressText = text;
    SPProgressHUD::setStatus(text);
}

void AQDayAdjustmentController::cancelTransfer() {
    if (!_busy || !_control) return;
    _control->requestCancel();
    _progressText += QLatin1Char('\n') + tr("Stopping…");
    SPProgressHUD::setStatus(_progressText);
}

bool AQDayAdjustmentController::stopTransferFirst(const QString& question,
                                                  std::function<void()> then) {
    if (!_busy) return true;
    Question q;
    q.title = tr("A transfer is running");
    q.text = question;
    q.detail =
        tr("The day programme transfer stops between two commands, and you will be told "
           "which lamp and channel were left incomplete.");
    q.confirm = tr("Stop Transfer");
    q.cancel = tr("Keep Running");
    if (!ask(mainWindow(), q).confirmed) return false;
    if (!_busy) {
        // It ended while the question was open: nothing left to stop.
        if (then) then();
        return false;
    }
    if (then) _afterTransfer.push_back(std::move(then));
    cancelTransfer();
    return false;
}

bool AQDayAdjustmentController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == _closeWatched && event->type() == QEvent::Close && _busy) {
        QPointer<QWidget> window = _closeWatched.data();
        event->ignore();
        stopTransferFirst(tr("Stop the transfer and quit?"), [window] {
            if (window) window->close();
        });
        return true;
    }
    return AQController::eventFilter(watched, event);
}

void AQDayAdjustmentController::tellLampSilent(const QString& text) {
    logLine(text.toStdString());
    showAlert(mainWindow(), silentTitle(), text);
}

void AQDayAdjustmentController::tellStopped(const TransferStop& stop, const QString& text) {
    if (stop.cancelled) {
        logLine(text.toStdString());
        showAlert(mainWindow(), tr("The transfer was cancelled"), text);
    } else {
        tellLampSilent(text);
    }
}

void AQDayAdjustmentController::runAfterTransfer() {
    _reporting = false;
    std::vector<std::function<void()>> then;
    then.swap(_afterTransfer);
    for (auto& f : then) f();
}

void AQDayAdjustmentController::btnDownloadPressed() {
    if (_busy) return;
    // All lamps share one programme as far as the chart goes: the master's is read.
    const std::uint8_t device = _device == kAllDevices ? 0 : _device;
    startDownload(tr("the day programme of %1").arg(deviceName(device)),
                  tr("Downloading %1").arg(deviceName(device)),
                  tr("Downloaded from %1.").arg(deviceName(device)), tr("download"),
                  [device, looks = channelLooks(), memory = lampMemory()](
                      BTLEController& lamp, const TransferControl* control) {
                      return readDeviceProgramme(lamp, device, looks, control, memory);
                  });
}

void AQDayAdjustmentController::downloadPreset(std::uint8_t n) {
    if (_busy) return;
    const std::vector<std::string> presets = GlobalStore::sharedInstance().presets();
    const QString name = n < presets.size() && !presets[n].empty()
                             ? tr("presetting %1").arg(quoted(presets[n]))
                             : tr("presetting %1").arg(int(n) + 1);
    startDownload(
        name, tr("Downloading %1").arg(name), tr("Loaded %1.").arg(name), tr("load presetting"),
        [n, looks = channelLooks()](BTLEController& lamp, const TransferControl* control) {
            return readPresetting(lamp, n, looks, control);
        });
}

void AQDayAdjustmentController::startDownload(const QString& what, const QString& title,
                                              const QString& done, const QString& step,
                                              ReadFunction read) {
    _uploadLamps = 0;
    beginTransfer(title);
    BTLEController& lamp = link();
    Dispatch& d = dispatch();
    QPointer<AQDayAdjustmentController> page(this);
    std::vector<ChannelLook> looks = channelLooks();
    std::shared_ptr<TransferControl> control = newTransferControl();
    d.runOnWorker([&lamp, &d, page, what, done, step, looks, control, read = std::move(read)] {
        ProgrammeRead result = read(lamp, control.get());
        d.postToMain([page, what, done, step, looks, result = std::move(result)]() mutable {
            if (!page) return;
            page->endTransfer();
            if (result.stop) {
                page->tellStopped(
                    *result.stop,
                    (result.stop->cancelled
                         ? tr("Reading %1 was cancelled at %2. The chart and its curves were "
                              "left as they were.")
                         : tr("Reading %1 stopped at %2. The chart and its curves "
                                          "were left as they were."))
                        .arg(what, stopPlace(*result.stop, looks)));
            } else {
                page->handOver(std::move(result.channels), step);
                SPProgressHUD::showMessage(done, page->mainView());
            }
            page->runAfterTransfer();
        });
    });
}

void AQDayAdjustmentController::handOver(
    std::vector<std::shared_ptr<DayAdjustmentChannel>> channels, const QString& step) {
    // On the main thread, in channel order, so the chart never draws a
    // half-replaced list.
    const std::vector<std::shared_ptr<Channel>> store = GlobalStore::sharedInstance().channels();
    DayAdjustmentGraph& graph = _dayAdjustment->daGraph();
    std::vector<ChannelChange> changes;
    for (std::uint8_t ch = 0; ch < channels.size() && ch < graph.channelCount(); ++ch) {
        changes.push_back(ChannelChange{ch, channelPoints(graph, ch), {}});
    }
    graph.channelRemoveAll();
    for (std::size_t ch = 0; ch < channels.size(); ++ch) {
        if (ch < store.size()) store[ch]->setPresentChannel(channels[ch]);
        graph.channelAdd(channels[ch]);
    }
    for (ChannelChange& change : changes) change.after = channelPoints(graph, change.channel);
    record(std::move(changes), step);
    _dayAdjustment->setChannel(graph.selectedChannelIndex());
    updateCaption();
}

void AQDayAdjustmentController::btnUploadPressed() {
    upload(QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
}

void AQDayAdjustmentController::upload(bool everything) {
    if (_busy) return;
    std::vector<std::uint8_t> devices;
    if (_device == kAllDevices) {
        // Before the lamps behind the connection are known, "all" is at
        // least the connected lamp, rather than nothing sent and no word said.
        const int count = std::max<int>(1, GlobalStore::deviceCount());
        for (int d = 0; d < count; ++d) devices.push_back(static_cast<std::uint8_t>(d));
    } else {
        devices.push_back(_device);
    }
    const std::optional<bool> all = askBeforeUpload(devices, everything);
    if (!all) return;
    startUpload(std::move(devices), *all);
}

std::optional<bool> AQDayAdjustmentController::askBeforeUpload(
    const std::vector<std::uint8_t>& devices, bool everything) {
    Preferences& preferences = GlobalStore::sharedInstance().preferences();
    const std::optional<PreferenceValue> stored = preferences.value(kUploadWithoutAskingKey);
    const bool placeholders = showsPlaceholders();
    // The starting lines are asked about every time: they are seldom meant.
    if (!placeholders && stored && stored->number() && *stored->number() == 1) return everything;
    Question q;
    q.title = tr("Upload");
    q.text = devices.size() > 1
                 ? tr("Replace the day programme of all %1 lamps?").arg(devices.size())
                 : tr("Replace the day programme of %1?").arg(deviceName(devices.front()));
    q.detail = placeholders
                   ? tr("The chart still holds the placeholder lines: nothing was downloaded, "
                        "loaded or edited since connecting. Uploading replaces the lamp's "
                        "programme with these flat lines.")
                   : tr("The programme the lamp holds now is overwritten. Download it first to "
                        "keep it.");
    q.confirm = tr("Replace");
    q.cancel = tr("Cancel");
    q.offerDontAsk = !placeholders;
    q.option = tr("Send everything, also the channels the lamp already holds");
    q.optionChecked = everything;
    const Answer answer = ask(mainWindow(), q);
    if (!answer.confirmed) return std::nullopt;
    if (answer.dontAskAgain) {
        preferences.setValue(kUploadWithoutAskingKey, PreferenceValue(std::int64_t{1}));
        preferences.synchronize();
    }
    return answer.option;
}

bool AQDayAdjustmentController::verifyUploads() const {
    const std::optional<PreferenceValue> stored =
        GlobalStore::sharedInstance().preferences().value(kVerifyUploadsKey);
    return !(stored && stored->number() && *stored->number() == 0);
}

LampMemory AQDayAdjustmentController::lampMemory() {
    return GlobalStore::sharedInstance().session().memory();
}

namespace {

QString pointText(LampPoint point) { return QString::fromStdString(lampPointText(point)); }

}  // namespace

void AQDayAdjustmentController::startUpload(std::vector<std::uint8_t> devices, bool everything) {
    // The points as they are now: the user may not edit them while the
    // overlay is up, but the worker must not read the live curves either way.
    const DayAdjustmentGraph& graph = _dayAdjustment->daGraph();
    const std::uint8_t n = GlobalStore::channelCount();
    std::vector<LampChannel> wanted(n);
    for (std::uint8_t ch = 0; ch < n; ++ch) wanted[ch] = lampChannel(channelPoints(graph, ch));

    const LampMemory memory = lampMemory();
    UploadPlan plan = planUpload(devices, wanted, memory, everything, verifyUploads());
    if (plan.targets.empty()) {
        const QString same = tr("The lamp already holds this programme.");
        logLine(same.toStdString());
        SPProgressHUD::showMessage(same, mainView());
        return;
    }
    const QString done = devices.size() > 1
                             ? tr("Uploaded to %1 lamps.").arg(devices.size())
                             : tr("Uploaded to %1.").arg(deviceName(devices.front()));
    _uploadLamps = static_cast<int>(devices.size());
    beginTransfer(devices.size() > 1 ? tr("Uploading to all lamps")
                                     : tr("Uploading to %1").arg(deviceName(devices.front())));
    BTLEController& lamp = link();
    Dispatch& d = dispatch();
    QPointer<AQDayAdjustmentController> page(this);
    std::shared_ptr<TransferControl> control = newTransferControl();
    d.runOnWorker([&lamp, &d, page, done, control, memory, plan = std::move(plan),
                   wanted = std::move(wanted), looks = channelLooks()] {
        const UploadResult result = writeProgramme(lamp, plan, wanted, memory, control.get());
        d.postToMain([page, result, done, looks] {
            if (!page) return;
            page->endTransfer();
            if (const auto& m = result.mismatch) {
                const QString channel = m->channel < looks.size() && !looks[m->channel].name.empty()
                                            ? QString::fromStdString(looks[m->channel].name)
                                            : QString::number(int(m->channel) + 1);
                QString text = m->point >= 0
                                   ? tr("%1, channel %2: point %3 reads %4, sent %5")
                                         .arg(deviceName(m->device), channel)
                                         .arg(m->point + 1)
                                         .arg(pointText(m->read), pointText(m->sent))
                                   : tr("%1, channel %2: the lamp reads %3 set points, sent %4")
                                         .arg(deviceName(m->device), channel)
                                         .arg(m->readCount)
                                         .arg(m->sentCount);
                logLine(text.toStdString());
                text += QStringLiteral("\n\n") +
                        (m->lampsLeft > 0
                             ? tr("The upload stopped there; the channels after it and the %n "
                                  "lamp(s) after this one were not written. Upload again to "
                                  "complete it.",
                                  nullptr, m->lampsLeft)
                             : tr("The upload stopped there; the channels after it were not "
                                  "written. Upload again to complete it."));
                showAlert(page->mainWindow(), tr("The lamp does not hold what was sent"), text);
            } else if (!result.stop) {
                SPProgressHUD::showMessage(done, page->mainView());
            } else {
                const TransferStop& stop = *result.stop;
                page->tellStopped(
                    stop,
                    (stop.cancelled
                         ? tr("Writing the day programme to %1 was cancelled at %2; %3 were not "
                              "written. The lamp may now hold a partial programme: upload again "
                              "to complete it.")
                         : tr("Writing the day programme to %1 stopped at %2; %3 "
                                          "were not written. The lamp may now hold a partial "
                                          "programme: upload again once it answers."))
                        .arg(deviceName(stop.device), stopPlace(stop, looks), leftUnwritten(stop)));
            }
            page->runAfterTransfer();
        });
    });
}

}  // namespace aq
