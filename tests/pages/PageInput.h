#pragma once

#include <QApplication>
#include <QListView>
#include <QMouseEvent>
#include <QTest>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "link/LampUuids.h"
#include "pages/AQNavigationController.h"
#include "pages/AQTableSheetController.h"
#include "sim/SimLamp.h"
#include "widgets/AQButton.h"
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

// The page bar's button of the page with this ident.
inline AQButton* barButton(AQNavigationController& nav, const QString& ident) {
    for (AQButton* b : nav.buttons()) {
        if (b->objectName() == ident) return b;
    }
    return nullptr;
}

// A click as the user makes it: on the window, at a point of the widget, so
// whatever lies on top of the widget there (the progress overlay) gets it.
inline void clickAt(QWidget* w, QPoint at) {
    QWidget* top = w->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, w->mapTo(top, at));
}
inline void click(QWidget* w) {
    clickAt(w, w->rect().center());
}

// Answers a single-choice sheet by clicking its row, or clears the choice for -1.
inline void chooseRow(AQTableSheetController& sheet, int row) {
    QListView* list = sheet.tableView();
    if (!list) return;
    if (row < 0) {
        list->clearSelection();
        return;
    }
    const QRect r = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

// The writes the lamp received with one of these opcodes on the command
// characteristic, in order.
inline std::vector<Bytes> sentWith(const SimLamp& lamp, std::initializer_list<std::uint8_t> ops) {
    std::vector<Bytes> out;
    for (const auto& r : lamp.received()) {
        if (r.characteristic != kCommandCharacteristicUUID || r.data.empty()) continue;
        if (std::find(ops.begin(), ops.end(), r.data[0]) != ops.end()) out.push_back(r.data);
    }
    return out;
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
