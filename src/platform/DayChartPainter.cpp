#include "platform/DayChartPainter.h"

#include "platform/QPainterDrawing.h"

#include <QPaintEngine>

#include <cmath>
#include <utility>

namespace aq {

namespace {

bool whole(double v) {
    return v == std::floor(v);
}

// The image stands in for direct drawing only where it lands on the device's
// pixel grid, covers whole pixels and is opaque; anything else (a rotated or
// fractionally placed painter, a see-through background that would blend with
// what lies below) is drawn directly.
bool cacheable(const QPainter& painter, const DayAdjustmentGraph& graph, const ViewRect& rect) {
    const QTransform t = painter.deviceTransform();
    const double scale = t.m11();
    return t.type() <= QTransform::TxScale && scale > 0.0 && t.m22() == scale && whole(t.dx()) &&
           whole(t.dy()) && painter.opacity() == 1.0 &&
           painter.compositionMode() == QPainter::CompositionMode_SourceOver && rect.x == 0.0 &&
           rect.y == 0.0 && rect.width >= 1.0 && rect.height >= 1.0 &&
           rect.width * scale <= 16384.0 && rect.height * scale <= 16384.0 &&
           whole(rect.width * scale) && whole(rect.height * scale) &&
           graph.backgroundLook().background.alpha >= 1.0 && painter.paintEngine() &&
           painter.paintEngine()->paintDevice() &&
           painter.paintEngine()->paintDevice()->devType() == QInternal::Image;
}

}  // namespace

void DayChartPainter::paint(QPainter& painter, DayAdjustmentGraph& graph, const ViewRect& rect) {
    if (!cacheable(painter, graph, rect)) {
        QPainterDrawing drawing(painter);
        graph.drawRect(rect, drawing);
        return;
    }
    const double scale = painter.deviceTransform().m11();
    const auto* target = static_cast<const QImage*>(painter.paintEngine()->paintDevice());
    Key key{rect, scale, target->format(), graph.backgroundLook(), graph.otherCurvesLook()};
    if (!_valid || !(key == _key)) {
        const QSize size(static_cast<int>(rect.width * scale),
                         static_cast<int>(rect.height * scale));
        // The same size again (another curve changed) reuses the memory.
        if (_image.size() != size || _image.format() != key.format) {
            _image = QImage(size, key.format);
        }
        _image.setDevicePixelRatio(scale);
        _image.fill(Qt::transparent);
        QPainter imagePainter(&_image);
        QPainterDrawing drawing(imagePainter);
        graph.drawBackgroundPass(rect, drawing);
        if (key.others) graph.drawOtherCurvesPass(rect, drawing);
        imagePainter.end();
        _key = std::move(key);
        _valid = true;
        ++_imageDraws;
    }
    painter.save();
    // Opaque and on the pixel grid: a plain copy gives what blending would.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPointF(0.0, 0.0), _image);
    painter.restore();
    QPainterDrawing drawing(painter);
    if (_key.others) {
        graph.drawSelectedPass(rect, drawing);
    } else {
        graph.drawCurvesPass(rect, drawing);
    }
}

}  // namespace aq
