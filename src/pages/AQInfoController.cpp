#include "pages/AQInfoController.h"

#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include "link/BTLEController.h"
#include "link/Log.h"
#include "pages/Alerts.h"
#include "pages/ClockCare.h"
#include "pages/PageLook.h"
#include "session/GlobalStore.h"
#include "widgets/AQButton.h"

namespace aq {

AQInfoController::AQInfoController(QObject* parent) : AQController(QStringLiteral("info"), parent) {
    buildView();
}

AQInfoController::~AQInfoController() {
    if (_timer && _timerDispatch) _timerDispatch->cancel(_timerId);
}

void AQInfoController::buildView() {
    QVBoxLayout* layout = newPageLayout(tr("Lamp information"));
    QWidget* page = layout->parentWidget();

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(look::kSpacing * 2);
    grid->setVerticalSpacing(look::kSpacing);
    _dpRtc = new QDateTimeEdit;
    _dpRtc->setDisplayFormat(QStringLiteral("yyyy-MM-dd  HH:mm:ss"));
    _dpRtc->setCalendarPopup(true);
    _dpRtc->setMinimumDateTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    _dpRtc->setMaximumDateTime(QDateTime(QDate(2255, 12, 31), QTime(23, 59, 59)));
    _dpRtc->setMinimumWidth(260);
    _tfSlaves = look::valueField();
    _tfFirmware = look::valueField();
    _tfSerialNumber = look::valueField();
    _tfPowerConsumption = look::valueField();

    const std::pair<const char*, QWidget*> rows[] = {
        {QT_TR_NOOP("Clock"), _dpRtc},
        {QT_TR_NOOP("Slave lamps"), _tfSlaves},
        {QT_TR_NOOP("Firmware"), _tfFirmware},
        {QT_TR_NOOP("Serial number"), _tfSerialNumber},
        {QT_TR_NOOP("Energy used"), _tfPowerConsumption},
    };
    int row = 0;
    for (const auto& [caption, field] : rows) {
        grid->addWidget(look::caption(tr(caption)), row, 0);
        grid->addWidget(field, row, 1);
        ++row;
    }
    _lbClockOffset = new QLabel;
    _btnSetClock = look::button(tr("Set to this computer's time"));
    auto* care = new QHBoxLayout;
    care->setSpacing(look::kSpacing);
    care->addWidget(_lbClockOffset);
    care->addWidget(_btnSetClock);
    care->addStretch(1);
    grid->addLayout(care, 0, 2);
    connect(_btnSetClock, &QPushButton::clicked, this, [this] { setToComputerTime(); });
    _tickTimer = new QTimer(this);
    _tickTimer->setInterval(int(kTickSeconds * 1000));
    connect(_tickTimer, &QTimer::timeout, this, [this] { tick(); });
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);
    layout->addStretch(1);

    connect(_dpRtc, &QDateTimeEdit::dateTimeChanged, this, [this] { changedRtc(); });
    setView(page);
}

void AQInfoController::onEnter() {
    AQController::onEnter();
    _lampClock = QDateTime();
    _lbClockOffset->clear();
    readRtc(++_entry);
    _tickTimer->start();
}

void AQInfoController::onLeave() {
    AQController::onLeave();
    _tickTimer->stop();
}

void AQInfoController::tick() {
    // Not while the user edits the clock or an edit waits to be sent.
    if (_lampClock.isValid() && !_timer && !_dpRtc->hasFocus()) showLampClock();
}

void AQInfoController::lampClockIs(const QDateTime& lamp, const QDateTime& computer) {
    _lampClock = lamp;
    _lampClockAt = computer;
    _lbClockOffset->setText(clockcare::offsetText(computer.secsTo(lamp)));
}

void AQInfoController::showLampClock() {
    // Whole seconds, as the lamp counts them.
    const qint64 elapsed = _lampClockAt.msecsTo(clockcare::computerNow()) / 1000;
    // Only the user's edits are sent back to the lamp.
    const QSignalBlocker quiet(_dpRtc);
    _dpRtc->setDateTime(_lampClock.addSecs(elapsed));
}

void AQInfoController::setToComputerTime() {
    if (_timer && _timerDispatch) _timerDispatch->cancel(_timerId);
    _timer = false;
    sendClock(clockcare::computerNow());
}

void AQInfoController::sendClock(const QDateTime& time) {
    // What is shown comes from the lamp: the clock is read back once the
    // lamp has taken it, so a write that never arrived is not shown as done.
    QPointer<AQInfoController> self(this);
    GlobalStore::sharedInstance().session().setClock(lampFromDateTime(time),
                                                     [self](std::optional<LampDateTime> read) {
                                                         if (!self) return;
                                                         if (read) {
                                                             self->clockIsRead(*read);
                                                         } else {
                                                             self->clockNotSet();
                                                         }
                                                     });
    logLine("saved rtc");
}

void AQInfoController::clockNotSet() {
    // A lost link is told by the connection page; here the lamp is still
    // there but did not confirm the time.
    if (!link().is_connected()) return;
    if (_lampClock.isValid()) showLampClock();  // not the time that never arrived
    showAlert(view() ? view()->window() : nullptr, tr("Clock not set"),
              tr("The lamp did not confirm the new time, so its clock is shown as it was. "
                 "Set the clock again."));
}

void AQInfoController::clockIsRead(const LampDateTime& time) {
    const QDateTime shown = dateTimeFromLamp(time);
    const QDateTime computer = clockcare::computerNow();
    if (shown.isValid()) {
        lampClockIs(shown, computer);
        showLampClock();
    } else {
        logLine("the lamp's clock reads no valid date");
        _lbClockOffset->setText(tr("no valid date"));
    }
    emit lampClockRead(shown, computer);
}

void AQInfoController::readRtc(std::uint64_t entry) {
    QPointer<AQInfoController> self(this);
    using Field = LampSession::InfoField;
    GlobalStore::sharedInstance().session().readInfo(
        false,
        [self, entry](const LampInfo& info, Field arrived) {
            if (!self || self->_entry != entry) return;
            switch (arrived) {
                case Field::Clock:
                    self->clockIsRead(*info.clock);
                    break;
                case Field::Slaves:
                    GlobalStore::sharedInstance().setDevices(
                        std::vector<Device>(std::size_t{*info.slaves} + 1));
                    self->_tfSlaves->setText(
                        QString::fromStdString(format("%u", unsigned{*info.slaves})));
                    break;
                case Field::Firmware:
                    self->_tfFirmware->setText(QString::fromLatin1(
                        info.firmware->data(), qsizetype(info.firmware->size())));
                    break;
                case Field::Serial:
                    self->_tfSerialNumber->setText(
                        QString::fromStdString(serialText(*info.serial)));
                    break;
                case Field::Energy:
                    self->_tfPowerConsumption->setText(QString::fromStdString(
                        format("%u kWh", static_cast<unsigned>(*info.energyKWh))));
                    break;
                case Field::Mode:
                case Field::DemoLoop:
                    break;
            }
        },
        {});
}

void AQInfoController::changedRtc() {
    if (_timer && _timerDispatch) _timerDispatch->cancel(_timerId);
    _timer = false;
    _timerDispatch = &dispatch();
    QPointer<AQInfoController> self(this);
    _timerId = _timerDispatch->singleShot(kRtcDelay, [self] {
        if (self) self->setRTC();
    });
    _timer = true;
}

void AQInfoController::setRTC() {
    _timer = false;
    sendClock(_dpRtc->dateTime());
}

QDateTime AQInfoController::dateTimeFromLamp(const LampDateTime& time) {
    if (!time.valid()) return {};
    const QDate date(time.year, int(time.month), int(time.day));
    const QTime clock(int(time.hour), int(time.minute), int(time.second));
    if (!date.isValid() || !clock.isValid()) return {};
    return QDateTime(date, clock);
}

LampDateTime AQInfoController::lampFromDateTime(const QDateTime& time) {
    const QDate date = time.date();
    const QTime clock = time.time();
    LampDateTime out;
    out.year = date.year();
    out.month = unsigned(date.month());
    out.day = unsigned(date.day());
    out.hour = unsigned(clock.hour());
    out.minute = unsigned(clock.minute());
    out.second = unsigned(clock.second());
    return out;
}

}  // namespace aq
