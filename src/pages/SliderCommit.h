#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

#include "link/Dispatch.h"

namespace aq {

class AQSlider;

// Decides when a slider's value goes to the lamp, so that every way of
// moving it is heard and a burst gives one command: a drag is sent when the
// mouse lets go (or, when `continuous`, at every step as it moves); keys,
// the wheel and a click on the track are sent once the slider has been
// quiet for kQuietSeconds. A click on the knob that does not move it sends
// nothing. Timed on the link's dispatch, so tests drive it in virtual time.
class SliderCommit : public QObject {
    Q_OBJECT
public:
    static constexpr double kQuietSeconds = 0.3;
    using Send = std::function<void(int value)>;

    SliderCommit(AQSlider* slider, Dispatch& dispatch, Send send, bool continuous = false);
    ~SliderCommit() override;

    bool pending() const { return _pending; }
    // Sends a value still waiting for its quiet period now.
    void flush();
    // Forgets a value still waiting.
    void cancel();

private:
    void valueChanged(int value);
    void released();
    void restartQuiet();

    QPointer<AQSlider> _slider;
    Dispatch& _dispatch;
    Send _send;
    const bool _continuous;
    int _pressValue = 0;
    bool _pending = false;
    Dispatch::TimerId _timer = 0;
};

}  // namespace aq
