#pragma once

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <cstdlib>

namespace aq::test {

// The widget's own drawing over a magenta ground, so that what it leaves
// unpainted shows.
inline QImage renderOnMagenta(QWidget& w) {
    QImage image(w.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

inline bool near(QColor actual, QColor expected, int tolerance = 10) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

// Whether any pixel of the rectangle is near the colour.
inline bool anyNear(const QImage& image, const QRect& area, QColor colour, int tolerance = 10) {
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (near(image.pixelColor(x, y), colour, tolerance)) return true;
        }
    }
    return false;
}

// A left-button event at pos in the window, delivered as the window system
// does: to the topmost widget there.
inline void mouse(QWidget& window, QEvent::Type type, QPointF pos) {
    QWidget* target = window.childAt(pos.toPoint());
    if (!target) target = &window;
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent e(type, target->mapFrom(&window, pos), window.mapToGlobal(pos), Qt::LeftButton,
                  buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

inline void click(QWidget& window, QPointF pos) {
    mouse(window, QEvent::MouseButtonPress, pos);
    mouse(window, QEvent::MouseButtonRelease, pos);
}

// A key pressed and released on the widget.
inline void key(QWidget& w, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(&w, &release);
}

}  // namespace aq::test
