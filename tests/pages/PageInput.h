#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <initializer_list>

#include "pages/AQNavigationController.h"
#include "widgets/AQSlider.h"

namespace aq::test {

// The page controller of type T among the navigation's pages.
template <typename T>
T* pageOf(AQNavigationController& nav) {
    for (AQController* c : nav.controller()) {
        if (auto* page = qobject_cast<T*>(c)) return page;
    }
    return nullptr;
}

// Where on the slider the mouse puts the knob's centre at this percent.
inline QPoint sliderPoint(const AQSlider& slider, double percent) {
    const double k = slider.height() * 0.4;
    const double x = k + (slider.width() - 2 * k) * percent / 100.0;
    return QPoint(int(std::lround(x)), slider.height() / 2);
}

inline void sendMouse(QWidget* w, QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons) {
    const QPointF global = w->mapToGlobal(QPointF(at));
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// Presses the left button on the track at the first percent, moves through
// the others with the button held, and lets go at the last.
inline void dragSlider(AQSlider* slider, std::initializer_list<double> percents) {
    const double* p = percents.begin();
    sendMouse(slider, QEvent::MouseButtonPress, sliderPoint(*slider, *p), Qt::LeftButton);
    for (++p; p != percents.end(); ++p) {
        sendMouse(slider, QEvent::MouseMove, sliderPoint(*slider, *p), Qt::LeftButton);
    }
    sendMouse(slider, QEvent::MouseButtonRelease, sliderPoint(*slider, *(percents.end() - 1)),
              Qt::NoButton);
}

// Moves the slider one step right from the keyboard.
inline void keyStep(AQSlider* slider, Qt::Key key = Qt::Key_Right) {
    slider->setFocus();
    QTest::keyClick(slider, key);
}

}  // namespace aq::test
