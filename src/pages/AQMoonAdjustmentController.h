#pragma once

#include <QList>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "link/Dispatch.h"
#include "pages/AQController.h"

class QLabel;
class QTimeEdit;
class QWidget;

namespace aq {

class AQButton;
class AQSlider;
class AQTableSheetMCController;
class MoonFrameSheet;
class NSDayAdjustment;
class SliderCommit;

// The lamp's moon: the day in its 28-day cycle, the brightest it gets, which
// lamps run it and the nightly window in which it shines. The chart shows
// the cycle: the days across, a green line at the moon's day and a yellow
// arch that peaks at the moon's intensity. Every entry reads day and
// intensity, reads each lamp's moon flag on a worker and then asks in the
// device sheet which lamps run the moon. The sliders show their value while
// they move and send it when the mouse lets go.
class AQMoonAdjustmentController : public AQController {
    Q_OBJECT
public:
    static constexpr std::uint8_t kDays = 28;
    static constexpr int kArchPoints = 21;
    static constexpr double kPickerDelay = 0.5;

    explicit AQMoonAdjustmentController(QObject* parent = nullptr);
    ~AQMoonAdjustmentController() override;

    // Writes no entry line to the log.
    void onEnter() override;
    void onLeave() override;

    // Slider actions: `released` when the change comes with the release of
    // the left mouse button, the only time the value goes to the lamp.
    void sliderDayChanged(int value, bool released);
    void sliderIntenseChanged(int value, bool released);
    // The moon window sheet.
    void openSheet();
    void closeSheet();
    // The window pickers' actions: (re)start the wait before sending.
    void changedFrom();
    void changedTo();
    // Opens the device sheet again once it has rows.
    void openDeviceSheet();

    // Slider 0 … 100 to day 1 … 28, and the lamp's day to the one shown.
    static std::uint8_t sliderToDay(int value);
    static std::uint8_t dayFromLamp(std::uint8_t value);
    // Row texts of the device sheet: "Master #1", "Slave #2", …
    static QString deviceLabel(std::uint8_t index);

    std::uint16_t begin() const { return _begin; }
    std::uint16_t end() const { return _end; }
    std::uint8_t moonIntenseVal() const { return _moonIntenseVal; }
    std::uint8_t moonDayVal() const { return _moonDayVal; }
    // The moon window sheet while it is loaded.
    MoonFrameSheet* timeFrameSheet() const;
    NSDayAdjustment* dayAdjustment() const { return _dayAdjustment; }
    AQSlider* slDay() const { return _slDay; }
    AQSlider* slIntense() const { return _slIntense; }
    AQButton* btnTimeframe() const { return _btnTimeframe; }
    AQButton* btnDevices() const { return _btnDevices; }
    QLabel* lbInfo() const { return _lbInfo; }
    QWidget* mainWindow() const;
    QTimeEdit* dtpTimeframeFrom() const;
    QTimeEdit* dtpTimeframeTo() const;
    AQTableSheetMCController* tscDevice() const { return _tscDevice.get(); }
    bool sheetSetup() const { return _sheetSetup; }
    bool timerFromPending() const { return _timerFrom.has_value(); }
    bool timerToPending() const { return _timerTo.has_value(); }

private:
    void buildView();
    void setupGraph();
    void readMoonMax(std::uint64_t entry);
    void readDevices(std::uint64_t entry);
    // Back on the main thread with every lamp's flag, or none when a lamp
    // did not answer.
    void devicesRead(std::uint64_t entry, std::optional<QList<bool>> flags);
    void setOnce(const QList<bool>& flags);
    void writeDevices(const QList<bool>& states);
    void updateInfo();
    void updateMoonDay();
    void updateMoonIntense();
    void updateSlider();
    void moonWndBeginChanged(std::uint16_t minutes);
    void moonWndEndChanged(std::uint16_t minutes);
    void restartTimer(std::optional<Dispatch::TimerId>& timer,
                      void (AQMoonAdjustmentController::*fire)(std::uint16_t), QTimeEdit* picker);
    // Escape on the window sheet: edits still waiting are dropped and the
    // lamp gets back the window it had when the sheet opened.
    void revertWindow();

    std::uint16_t _begin = 0;
    std::uint16_t _end = 0;
    // The window as read when the window sheet opened, once read.
    std::optional<std::pair<std::uint16_t, std::uint16_t>> _windowAtOpen;
    std::uint8_t _moonIntenseVal = 50;
    std::uint8_t _moonDayVal = 14;
    QPointer<MoonFrameSheet> _timeFrameSheet;
    NSDayAdjustment* _dayAdjustment = nullptr;
    AQSlider* _slDay = nullptr;
    AQSlider* _slIntense = nullptr;
    AQButton* _btnTimeframe = nullptr;
    AQButton* _btnDevices = nullptr;
    QLabel* _lbInfo = nullptr;
    std::unique_ptr<AQTableSheetMCController> _tscDevice;
    bool _sheetSetup = false;
    // The lamp the device sheet's rows were filled for.
    std::optional<std::string> _sheetLamp;
    std::optional<Dispatch::TimerId> _timerFrom;
    std::optional<Dispatch::TimerId> _timerTo;
    // The dispatch the pending timers run on, to cancel them there.
    Dispatch* _timerDispatch = nullptr;
    std::uint64_t _entry = 0;
    bool _entered = false;
    // The window has been read since the sheet was opened.
    bool _windowRead = false;
    QList<QPointer<SliderCommit>> _commits;
};

}  // namespace aq
