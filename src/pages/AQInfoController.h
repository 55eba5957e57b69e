#pragma once

#include <QDateTime>

#include <cstdint>

#include "link/Dispatch.h"
#include "link/LampDateTime.h"
#include "pages/AQController.h"

class QDateTimeEdit;
class QLineEdit;

namespace aq {

// The page entered once a lamp is connected: on every entry it reads the
// lamp's clock, its slave count, firmware, serial number and energy counter,
// one after the other, and rebuilds the store's device list (the master and
// one entry per slave). Edits of the clock go to the lamp half a second
// after the last one.
class AQInfoController : public AQController {
    Q_OBJECT
public:
    static constexpr double kRtcDelay = 0.5;

    explicit AQInfoController(QObject* parent = nullptr);
    ~AQInfoController() override;

    void onEnter() override;

    // The clock picker's action: (re)starts the wait before the clock is sent.
    void changedRtc();
    void setRTC();

    QDateTimeEdit* dpRtc() const { return _dpRtc; }
    QLineEdit* tfSlaves() const { return _tfSlaves; }
    QLineEdit* tfSerialNumber() const { return _tfSerialNumber; }
    QLineEdit* tfFirmware() const { return _tfFirmware; }
    QLineEdit* tfPowerConsumption() const { return _tfPowerConsumption; }
    bool timerPending() const { return _timer; }

    // The lamp's clock fields as a local date and time, and back. Fields
    // that form no date give an invalid QDateTime.
    static QDateTime dateTimeFromLamp(const LampDateTime& time);
    static LampDateTime lampFromDateTime(const QDateTime& time);

private:
    void buildView();
    // The read chain; each step is asked from the previous one's answer.
    // `entry` tells a chain begun by an earlier entry, which stops.
    void readRtc(std::uint64_t entry);
    void readSlaves(std::uint64_t entry);
    void readFirmware(std::uint64_t entry);
    void readSerialNo(std::uint64_t entry);
    void readPowerConsumption(std::uint64_t entry);

    QDateTimeEdit* _dpRtc = nullptr;
    QLineEdit* _tfSlaves = nullptr;
    QLineEdit* _tfSerialNumber = nullptr;
    QLineEdit* _tfFirmware = nullptr;
    QLineEdit* _tfPowerConsumption = nullptr;
    bool _timer = false;
    Dispatch::TimerId _timerId = 0;
    Dispatch* _timerDispatch = nullptr;
    std::uint64_t _entry = 0;
};

}  // namespace aq
