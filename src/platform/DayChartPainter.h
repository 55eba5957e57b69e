#pragma once

#include "curve/DayAdjustmentGraph.h"

#include <QImage>
#include <QPainter>

#include <optional>
#include <vector>

namespace aq {

// Paints a day chart through QPainterDrawing and keeps what a frame of
// editing does not change as an image: the background pass (background,
// grid, marker line; the grid's antialiased lines cost about half a
// millisecond) and the curves of the channels not selected. A frame copies
// the image and draws only the selected pass over it: the selected curve,
// its markers, the labels and the border. The image is drawn again when the
// rectangle, the device's scale or pixel format, the background look or one
// of the other curves changes. The result has the same pixels as drawing the
// whole chart directly.
class DayChartPainter {
public:
    void paint(QPainter& painter, DayAdjustmentGraph& graph, const ViewRect& rect);

    // Forgets the image, so the next frame draws it again.
    void invalidate() { _valid = false; }
    // How many times the image has been drawn.
    int imageDraws() const { return _imageDraws; }

private:
    struct Key {
        ViewRect rect;
        double scale = 0.0;
        QImage::Format format = QImage::Format_Invalid;
        DayAdjustmentGraph::BackgroundLook look;
        // Without them the image holds the background alone.
        std::optional<std::vector<DayAdjustmentGraph::CurveLook>> others;
        friend bool operator==(const Key&, const Key&) = default;
    };

    QImage _image;
    Key _key;
    bool _valid = false;
    int _imageDraws = 0;
};

}  // namespace aq
