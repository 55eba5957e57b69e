#pragma once

// Helpers for the tests of the day-curve view, the sheets and the day page:
// one QApplication per test program, and mouse events sent the way the
// window system delivers them.

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace aq::test {

class DayApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "pages_test";
        static char* argv[] = {name, nullptr};
        // Kept for the whole run: widgets made by the tests may outlive them.
        if (!QApplication::instance()) new QApplication(argc, argv);
    }
};

[[maybe_unused]] inline testing::Environment* const dayApplicationEnvironment =
    testing::AddGlobalTestEnvironment(new DayApplicationEnvironment);

inline void sendMouse(QWidget& w, QEvent::Type type, QPointF pos, Qt::MouseButton button,
                      Qt::MouseButtons held, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent e(type, pos, w.mapToGlobal(pos), button, held, modifiers);
    QApplication::sendEvent(&w, &e);
}

inline void press(QWidget& w, QPointF pos, Qt::MouseButton button = Qt::LeftButton) {
    sendMouse(w, QEvent::MouseButtonPress, pos, button, button);
}
inline void release(QWidget& w, QPointF pos, Qt::MouseButton button = Qt::LeftButton) {
    sendMouse(w, QEvent::MouseButtonRelease, pos, button, Qt::NoButton);
}
inline void dragTo(QWidget& w, QPointF pos) {
    sendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
}
inline void click(QWidget& w, QPointF pos, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    sendMouse(w, QEvent::MouseButtonPress, pos, button, button, modifiers);
    sendMouse(w, QEvent::MouseButtonRelease, pos, button, Qt::NoButton, modifiers);
}

// How a double click reaches a widget. Qt's own detection sends a press and
// a double-click event for the second click; events synthesised elsewhere
// may carry the double-click event alone.
enum class DoubleClickForm { PressThenDoubleClick, DoubleClickOnly };

inline void doubleClick(QWidget& w, QPointF pos, DoubleClickForm form) {
    click(w, pos);
    if (form == DoubleClickForm::PressThenDoubleClick) press(w, pos);
    sendMouse(w, QEvent::MouseButtonDblClick, pos, Qt::LeftButton, Qt::LeftButton);
    release(w, pos);
}

}  // namespace aq::test
