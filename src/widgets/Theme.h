#pragma once

#include <QColor>

// The application's colours, in one place so that every control agrees.
namespace aq::theme {

// The red accent: pressed buttons, value bars, selected list rows.
inline QColor accent() {
    return QColor(85, 10, 13);
}

// The grays and reds of the control defaults, matched to the common named
// colours (gray is half white, dark gray a third).
inline QColor gray() {
    return QColor::fromRgbF(0.5f, 0.5f, 0.5f);
}
inline QColor darkGray() {
    return QColor::fromRgbF(1.0f / 3, 1.0f / 3, 1.0f / 3);
}
inline QColor red() {
    return QColor(255, 0, 0);
}
inline QColor white() {
    return QColor(255, 255, 255);
}
inline QColor black() {
    return QColor(0, 0, 0);
}
inline QColor clear() {
    return QColor(0, 0, 0, 0);
}

// The lighter red of keyboard focus rings: the accent itself is too dark to
// see against the black controls.
inline QColor focusRing() {
    return QColor(200, 60, 64);
}

// The progress overlay's popup: nearly black, and the opacity of its parts.
inline QColor hudPopup(double alpha) {
    return QColor::fromRgbF(0.05f, 0.05f, 0.05f, float(alpha));
}
inline QColor hudText() {
    return QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.85f);
}

}  // namespace aq::theme
