// The moon page's two sheets: which lamps run the moon, and the nightly
// window in which it shines.
#include <QSignalBlocker>
#include <QTimeEdit>

#include "link/BTLEController.h"
#include "pages/AQMoonAdjustmentController.h"
#include "pages/AQTableSheetMCController.h"
#include "pages/Alerts.h"
#include "pages/MoonFrameSheet.h"
#include "pages/TimeOfDay.h"
#include "session/GlobalStore.h"
#include "widgets/AQButton.h"

namespace aq {

QString AQMoonAdjustmentController::deviceLabel(std::uint8_t index) {
    return (index == 0 ? tr("Master #%1") : tr("Slave #%1")).arg(int(index) + 1);
}

void AQMoonAdjustmentController::readDevices(std::uint64_t entry) {
    const std::uint8_t count = GlobalStore::deviceCount();
    BTLEController& lamp = link();
    Dispatch& d = dispatch();
    QPointer<AQMoonAdjustmentController> self(this);
    // Each flag waits for its answer, so the reads run on a worker; only the
    // result comes back to the page.
    d.runOnWorker([&lamp, &d, self, entry, count] {
        std::optional<QList<bool>> flags = QList<bool>();
        for (std::uint8_t i = 0; i < count; ++i) {
            const std::optional<bool> on = lamp.getMoonActiveSync(i);
            if (!on) {
                flags.reset();
                break;
            }
            flags->append(*on);
        }
        d.postToMain([self, entry, flags] {
            if (self) self->devicesRead(entry, flags);
        });
    });
}

void AQMoonAdjustmentController::devicesRead(std::uint64_t entry,
                                             std::optional<QList<bool>> flags) {
    // The sheet belongs to this visit of the page; an answer that comes
    // after the user has moved on opens nothing.
    if (!_entered || entry != _entry) return;
    if (!flags) {
        showAlert(mainWindow(), tr("Moon lamps not read"),
                  tr("The lamp did not say which lamps show the moon. Open the "
                                 "moon page again to try once more."));
        return;
    }
    if (flags->isEmpty()) return;
    setOnce(*flags);
    openDeviceSheet();
}

void AQMoonAdjustmentController::setOnce(const QList<bool>& flags) {
    // The rows keep the user's ticks from one visit to the next; they are
    // filled again only for another lamp or another number of lamps.
    const std::optional<std::string> lamp = GlobalStore::sharedInstance().connectedUUID();
    if (_sheetSetup && _tscDevice->data().size() == flags.size() && _sheetLamp == lamp) return;
    _tscDevice->clearData();
    for (qsizetype i = 0; i < flags.size(); ++i) {
        _tscDevice->addData(deviceLabel(static_cast<std::uint8_t>(i)), flags[i]);
    }
    _sheetLamp = lamp;
    _sheetSetup = true;
    _btnDevices->setEnabled(true);
}

void AQMoonAdjustmentController::openDeviceSheet() {
    if (!_sheetSetup) return;
    _tscDevice->openSheet(mainWindow());
}

void AQMoonAdjustmentController::writeDevices(const QList<bool>& states) {
    BTLEController& lamp = link();
    dispatch().runOnWorker([&lamp, states] {
        for (qsizetype i = 0; i < states.size() && i <= 0xFF; ++i) {
            lamp.setMoonActive(static_cast<std::uint8_t>(i), states[i]);
        }
    });
}

MoonFrameSheet* AQMoonAdjustmentController::timeFrameSheet() const {
    return _timeFrameSheet;
}

QTimeEdit* AQMoonAdjustmentController::dtpTimeframeFrom() const {
    return _timeFrameSheet ? _timeFrameSheet->dtpTimeframeFrom() : nullptr;
}

QTimeEdit* AQMoonAdjustmentController::dtpTimeframeTo() const {
    return _timeFrameSheet ? _timeFrameSheet->dtpTimeframeTo() : nullptr;
}

void AQMoonAdjustmentController::openSheet() {
    if (!_timeFrameSheet) {
        auto* sheet = new MoonFrameSheet(mainWindow());
        connect(sheet->dtpTimeframeFrom(), &QTimeEdit::timeChanged, this,
                [this] { changedFrom(); });
        connect(sheet->dtpTimeframeTo(), &QTimeEdit::timeChanged, this, [this] { changedTo(); });
        // The close button keeps the edits; Escape and the close box take
        // them back. Either way the sheet ends.
        connect(sheet, &QDialog::finished, this, [this](int result) {
            if (result != QDialog::Accepted) revertWindow();
            closeSheet();
        });
        _timeFrameSheet = sheet;
    }
    MoonFrameSheet* sheet = _timeFrameSheet;
    // An end edited before the window is read would go out with a made-up
    // other end.
    sheet->setPickersEnabled(false);
    QPointer<AQMoonAdjustmentController> self(this);
    QPointer<MoonFrameSheet> shown(sheet);
    _windowAtOpen.reset();
    link().getMoonWnd([self, shown](std::uint16_t start, std::uint16_t end) {
        if (!self) return;
        self->_begin = start;
        self->_end = end;
        if (shown) self->_windowAtOpen = std::make_pair(start, end);
        if (!shown) return;
        const QSignalBlocker blockFrom(shown->dtpTimeframeFrom());
        const QSignalBlocker blockTo(shown->dtpTimeframeTo());
        shown->dtpTimeframeFrom()->setTime(minutesToDate(start));
        shown->dtpTimeframeTo()->setTime(minutesToDate(end));
        shown->setPickersEnabled(true);
    });
    sheet->setWindowModality(sheet->parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    sheet->open();
}

void AQMoonAdjustmentController::closeSheet() {
    MoonFrameSheet* sheet = _timeFrameSheet;
    if (!sheet) return;
    // The next opening builds a fresh sheet; edits still waiting go out.
    _timeFrameSheet = nullptr;
    sheet->disconnect(this);
    if (sheet->isVisible()) sheet->done(QDialog::Accepted);
    sheet->hide();
    sheet->deleteLater();
}

void AQMoonAdjustmentController::revertWindow() {
    for (std::optional<Dispatch::TimerId>* timer : {&_timerFrom, &_timerTo}) {
        if (*timer && _timerDispatch) _timerDispatch->cancel(**timer);
        timer->reset();
    }
    if (!_windowAtOpen) return;
    const auto [begin, end] = *_windowAtOpen;
    if (begin == _begin && end == _end) return;
    _begin = begin;
    _end = end;
    link().setMoonWnd(_begin, _end);
}

void AQMoonAdjustmentController::changedFrom() {
    if (_timeFrameSheet) {
        restartTimer(_timerFrom, &AQMoonAdjustmentController::moonWndBeginChanged,
                     _timeFrameSheet->dtpTimeframeFrom());
    }
}

void AQMoonAdjustmentController::changedTo() {
    if (_timeFrameSheet) {
        restartTimer(_timerTo, &AQMoonAdjustmentController::moonWndEndChanged,
                     _timeFrameSheet->dtpTimeframeTo());
    }
}

void AQMoonAdjustmentController::restartTimer(
    std::optional<Dispatch::TimerId>& timer,
    void (AQMoonAdjustmentController::*fire)(std::uint16_t), QTimeEdit* picker) {
    Dispatch& d = dispatch();
    if (timer && _timerDispatch) _timerDispatch->cancel(*timer);
    _timerDispatch = &d;
    // The time is taken now, so the edit goes out even when the sheet has
    // been closed before the wait ends.
    const std::uint16_t minutes = dateToMinutes(picker->time());
    QPointer<AQMoonAdjustmentController> self(this);
    std::optional<Dispatch::TimerId>* slot = &timer;
    timer = d.singleShot(kPickerDelay, [self, slot, fire, minutes] {
        if (!self) return;
        slot->reset();
        (self->*fire)(minutes);
    });
}

void AQMoonAdjustmentController::moonWndBeginChanged(std::uint16_t minutes) {
    _begin = minutes;
    link().setMoonWnd(_begin, _end);
}

void AQMoonAdjustmentController::moonWndEndChanged(std::uint16_t minutes) {
    _end = minutes;
    link().setMoonWnd(_begin, _end);
}

}  // namespace aq
