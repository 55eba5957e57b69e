#pragma once

#include <QList>
#include <QPointer>

#include <cstdint>
#include <optional>

#include "link/Dispatch.h"
#include "pages/AQController.h"

class QLabel;
class QTimeEdit;

namespace aq {

class AQButton;
class AQSlider;
class SliderCommit;

// The lamp's weather: how many clouds pass per day, how long one lasts, how
// far it dims the light, how many lightning bolts fall per hour and the
// daily window in which they may fall. Every entry reads all of it, one
// value after the other. The sliders show their value while they move and
// send it when a drag ends or, for keys, wheel and clicks, once quiet; the check boxes switch clouds or bolts
// off (count 0) and back on to the count remembered; the window pickers send
// half a second after their last change.
class AQWeatherController : public AQController {
    Q_OBJECT
public:
    // Slider 100 stands for these values.
    static constexpr float kCloudsPerDayFull = 255.0f;
    static constexpr float kCloudDurationFull = 999.0f;
    static constexpr float kCloudDimmingFull = 100.0f;
    static constexpr float kBoltsPerHourFull = 180.0f;
    static constexpr double kPickerDelay = 0.5;

    explicit AQWeatherController(QObject* parent = nullptr);
    ~AQWeatherController() override;

    void onEnter() override;
    void onLeave() override;

    // Slider actions: `released` when the value is to go to the lamp (a
    // drag ended, or keys, wheel or clicks have been quiet).
    void mvSliderCloudsPerDay(int value, bool released);
    void mvSliderCloudDuration(int value, bool released);
    void mvSliderCloudIntensity(int value, bool released);
    void mvSliderBoltsPerHour(int value, bool released);
    void chbCloudSimulationToggled(bool on);
    void chbBoltSimulationToggled(bool on);
    // The window pickers' actions: (re)start the wait before sending.
    void changedFrom();
    void changedTo();
    void btnTestCloudPressed();
    void btnTestBoltPressed();

    // Slider position 0 … 100 to a value of full scale k: s / 100 in double,
    // then single precision, halves away from zero.
    static unsigned sliderToValue(int position, float full);
    // And back, rounded to the slider's whole steps.
    static int valueToSlider(unsigned value, float full);

    std::uint16_t begin() const { return _begin; }
    std::uint16_t end() const { return _end; }
    std::uint16_t cloudDuration() const { return _cloudDuration; }
    std::uint8_t cloudsPerDay() const { return _cloudsPerDay; }
    std::uint8_t cloudDimming() const { return _cloudDimming; }
    std::uint8_t boltsPerHour() const { return _boltsPerHour; }
    std::uint8_t boltsPerHourLast() const { return _boltsPerHourLast; }
    std::uint8_t cloudsPerDayLast() const { return _cloudsPerDayLast; }

    AQButton* chbCloudSimulation() const { return _chbCloudSimulation; }
    AQSlider* sldCloudsPerDay() const { return _sldCloudsPerDay; }
    QLabel* lbCloudsPerDay() const { return _lbCloudsPerDay; }
    AQSlider* sldCloudDuration() const { return _sldCloudDuration; }
    QLabel* lbCloudDuration() const { return _lbCloudDuration; }
    AQSlider* sldCloudIntensity() const { return _sldCloudIntensity; }
    QLabel* lbCloudIntensity() const { return _lbCloudIntensity; }
    AQButton* chbBoltSimulation() const { return _chbBoltSimulation; }
    AQSlider* sldBoltsPerHour() const { return _sldBoltsPerHour; }
    QLabel* lbBoltsPerHour() const { return _lbBoltsPerHour; }
    QTimeEdit* dpBegin() const { return _dpBegin; }
    QTimeEdit* dpEnd() const { return _dpEnd; }
    AQButton* btnTestCloud() const { return _btnTestCloud; }
    AQButton* btnTestBolt() const { return _btnTestBolt; }
    // Shown while the bolt window runs across midnight (its start after its end).
    QLabel* lbMidnight() const { return _lbMidnight; }
    bool timerFromPending() const { return _timerFrom.has_value(); }
    bool timerToPending() const { return _timerTo.has_value(); }

private:
    void showMidnight();
    void buildView();
    // The read chain; each step is asked from the previous one's answer.
    // `entry` tells a chain begun by an earlier entry, which stops.
    void readCloudDimming(std::uint64_t entry);
    void readCloudsPerDay(std::uint64_t entry);
    void readBoltsPerHour(std::uint64_t entry);
    void readBoltsWnd(std::uint64_t entry);

    void setLabels();
    void setSliders();
    void checkCloudsEnabled(bool on);
    void checkBoltsEnabled(bool on);
    void boltsWndBeginChanged(std::uint16_t minutes);
    void boltsWndEndChanged(std::uint16_t minutes);
    // Drops a pending picker timer and starts a new one that runs `fire`.
    void restartTimer(std::optional<Dispatch::TimerId>& timer,
                      void (AQWeatherController::*fire)(std::uint16_t), QTimeEdit* picker);

    std::uint16_t _begin = 0;
    std::uint16_t _end = 0;
    std::uint16_t _cloudDuration = 0;
    std::uint8_t _cloudsPerDay = 0;
    std::uint8_t _cloudDimming = 0;
    std::uint8_t _boltsPerHour = 0;
    std::uint8_t _boltsPerHourLast = 1;
    std::uint8_t _cloudsPerDayLast = 1;

    AQButton* _chbCloudSimulation = nullptr;
    AQSlider* _sldCloudsPerDay = nullptr;
    QLabel* _lbCloudsPerDay = nullptr;
    AQSlider* _sldCloudDuration = nullptr;
    QLabel* _lbCloudDuration = nullptr;
    AQSlider* _sldCloudIntensity = nullptr;
    QLabel* _lbCloudIntensity = nullptr;
    AQButton* _chbBoltSimulation = nullptr;
    AQSlider* _sldBoltsPerHour = nullptr;
    QLabel* _lbBoltsPerHour = nullptr;
    QTimeEdit* _dpBegin = nullptr;
    QTimeEdit* _dpEnd = nullptr;
    AQButton* _btnTestCloud = nullptr;
    AQButton* _btnTestBolt = nullptr;
    QLabel* _lbMidnight = nullptr;
    bool _windowRead = false;

    std::optional<Dispatch::TimerId> _timerFrom;
    std::optional<Dispatch::TimerId> _timerTo;
    // The dispatch the pending timers run on, to cancel them there.
    Dispatch* _timerDispatch = nullptr;
    std::uint64_t _entry = 0;
    QList<QPointer<SliderCommit>> _commits;
};

}  // namespace aq
