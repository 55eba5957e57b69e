#include "pages/SliderCommit.h"

#include "widgets/AQSlider.h"

namespace aq {

SliderCommit::SliderCommit(AQSlider* slider, Dispatch& dispatch, Send send, bool continuous)
    : QObject(slider), _slider(slider), _dispatch(dispatch), _send(std::move(send)),
      _continuous(continuous) {
    connect(slider, &AQSlider::sliderPressed, this, [this] { _pressValue = _slider->value(); });
    connect(slider, &AQSlider::valueChanged, this, [this](int v) { valueChanged(v); });
    connect(slider, &AQSlider::sliderReleased, this, [this] { released(); });
}

SliderCommit::~SliderCommit() {
    cancel();
}

void SliderCommit::valueChanged(int value) {
    if (!_slider->isSliderDown()) {
        restartQuiet();
        return;
    }
    // Held by the mouse: a drag's steps go out as they come only when asked
    // for; the jump of a press on the track waits for the release.
    if (_continuous && _slider->dragged()) {
        cancel();
        _send(value);
    }
}

void SliderCommit::released() {
    const int value = _slider->value();
    if (_slider->dragged()) {
        cancel();
        if (!_continuous) _send(value);
    } else if (value != _pressValue) {
        restartQuiet();
    }
}

void SliderCommit::restartQuiet() {
    cancel();
    _pending = true;
    QPointer<SliderCommit> self(this);
    _timer = _dispatch.singleShot(kQuietSeconds, [self] {
        if (!self || !self->_pending) return;
        self->_pending = false;
        if (self->_slider) self->_send(self->_slider->value());
    });
}

void SliderCommit::flush() {
    if (!_pending) return;
    cancel();
    if (_slider) _send(_slider->value());
}

void SliderCommit::cancel() {
    if (_pending) _dispatch.cancel(_timer);
    _pending = false;
}

}  // namespace aq
