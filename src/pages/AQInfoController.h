#pragma once

#include <QDateTime>

#include <cstdint>

#include "link/Dispatch.h"
#include "link/LampDateTime.h"
#include "pages/AQController.h"

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QTimer;

namespace aq {

class AQButton;

// The page entered once a lamp is connected: on every entry it reads the
// lamp's clock, its slave count, firmware, serial number and energy counter,
// one after the other, and rebuilds the store's device list (the master and
// one entry per slave). Edits of the clock go to the lamp half a second
// after the last one.
class AQInfoController : public AQController {
    Q_OBJECT
public:
    static constexpr double kRtcDelay = 0.5;
    // The shown clock moves on this often while the page is shown.
    static constexpr double kTickSeconds = 1.0;

    explicit AQInfoController(QObject* parent = nullptr);
    ~AQInfoController() override;

    void onEnter() override;
    void onLeave() override;

    // The clock picker's action: (re)starts the wait before the clock is sent.
    void changedRtc();
    void setRTC();
    // Sets the lamp's clock to this computer's (with the real weekday).
    void setToComputerTime();

    QDateTimeEdit* dpRtc() const { return _dpRtc; }
    QLineEdit* tfSlaves() const { return _tfSlaves; }
    QLineEdit* tfSerialNumber() const { return _tfSerialNumber; }
    QLineEdit* tfFirmware() const { return _tfFirmware; }
    QLineEdit* tfPowerConsumption() const { return _tfPowerConsumption; }
    bool timerPending() const { return _timer; }
    QLabel* lbClockOffset() const { return _lbClockOffset; }
    AQButton* btnSetClock() const { return _btnSetClock; }
    QTimer* clockTimer() const { return _tickTimer; }
    // The clock timer's tick: the shown clock follows this computer's.
    void tick();

signals:
    // Each answer of the lamp's clock (invalid when it formed no date),
    // with this computer's time at that moment.
    void lampClockRead(const QDateTime& lamp, const QDateTime& computer);

public:
    // The lamp's clock fields as a local date and time, and back. Fields
    // that form no date give an invalid QDateTime.
    static QDateTime dateTimeFromLamp(const LampDateTime& time);
    static LampDateTime lampFromDateTime(const QDateTime& time);

private:
    void buildView();
    // Reads the info values, each shown as it arrives; answers to a read
    // begun by an earlier entry (`entry`) are not shown.
    void readRtc(std::uint64_t entry);
    void clockIsRead(const LampDateTime& time);
    // The lamp did not read back a time after a set: said, and its last known clock shown.
    void clockNotSet();
    // Sends the clock and shows what the lamp reads back once it answered.
    void sendClock(const QDateTime& time);
    // The lamp's clock as last read or set, at this computer's time then;
    // it is taken to run on with this computer's clock.
    void lampClockIs(const QDateTime& lamp, const QDateTime& computer);
    void showLampClock();

    QDateTimeEdit* _dpRtc = nullptr;
    QLineEdit* _tfSlaves = nullptr;
    QLineEdit* _tfSerialNumber = nullptr;
    QLineEdit* _tfFirmware = nullptr;
    QLineEdit* _tfPowerConsumption = nullptr;
    bool _timer = false;
    Dispatch::TimerId _timerId = 0;
    Dispatch* _timerDispatch = nullptr;
    std::uint64_t _entry = 0;
    QLabel* _lbClockOffset = nullptr;
    AQButton* _btnSetClock = nullptr;
    // Invalid until the clock has been read.
    QDateTime _lampClock;
    QDateTime _lampClockAt;
    // Moves the shown clock on; display only, so the toolkit's timer.
    QTimer* _tickTimer = nullptr;
};

}  // namespace aq
