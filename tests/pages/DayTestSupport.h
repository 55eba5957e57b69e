#pragma once

// Helpers for the tests of the day-curve view, the sheets and the day page:
// mouse events sent the way the window system delivers them. The folder's
// support_app.cpp makes the QApplication.

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "curve/CurvePoint.h"

namespace aq::test {

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

// Whether two curves hold the same points, to a millionth; the failure names both.
inline ::testing::AssertionResult sameCurve(const std::vector<CurvePoint>& shown,
                                            const std::vector<CurvePoint>& expected) {
    const auto text = [](const std::vector<CurvePoint>& points) {
        std::string out;
        for (const auto& p : points)
            out += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
        return out;
    };
    bool same = shown.size() == expected.size();
    for (std::size_t i = 0; same && i < shown.size(); ++i) {
        same = std::abs(shown[i].x - expected[i].x) <= 1e-6 &&
               std::abs(shown[i].y - expected[i].y) <= 1e-6;
    }
    if (same) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << text(shown) << " instead of " << text(expected);
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
