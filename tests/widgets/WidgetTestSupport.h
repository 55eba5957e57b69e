#pragma once

#include <QColor>
#include <QImage>
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

}  // namespace aq::test
