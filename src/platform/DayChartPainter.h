#pragma once

#include "curve/DayAdjustmentGraph.h"

#include <QImage>
#include <QPainter>

namespace aq {

// Paints a day chart through QPainterDrawing and keeps its background pass
// (background, grid, marker line: most of the cost, the grid's antialiased
// lines above all) as an image. A frame copies the image and draws only the
// curves pass over it; the image is drawn again when the rectangle, the
// device's scale or pixel format, or the graph's background look changes.
// The result has the same pixels as drawing the whole chart directly.
class DayChartPainter {
public:
    void paint(QPainter& painter, DayAdjustmentGraph& graph, const ViewRect& rect);

    // Forgets the image, so the next frame draws the background again.
    void invalidate() { _image = QImage(); }
    // How many times the background has been drawn into the image.
    int backgroundDraws() const { return _backgroundDraws; }

private:
    struct Key {
        ViewRect rect;
        double scale = 0.0;
        QImage::Format format = QImage::Format_Invalid;
        DayAdjustmentGraph::BackgroundLook look;
        friend bool operator==(const Key&, const Key&) = default;
    };

    QImage _image;
    Key _key;
    int _backgroundDraws = 0;
};

}  // namespace aq
