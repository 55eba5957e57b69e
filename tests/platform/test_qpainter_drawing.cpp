#include "platform/QPainterDrawing.h"

#include "curve/DayAdjustmentGraph.h"
#include "platform/DayChartPainter.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace aq {
namespace {

bool near(QColor actual, QColor expected) {
    return std::abs(actual.red() - expected.red()) <= 8 &&
           std::abs(actual.green() - expected.green()) <= 8 &&
           std::abs(actual.blue() - expected.blue()) <= 8;
}

// The smallest rectangle that holds every pixel brighter than mid-gray.
QRect inkBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) > 128) bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

// The primitives in pixels: a stroke clears the path, a fill leaves none
// behind, and a 1-wide line on a whole coordinate covers half of the two
// pixels beside it, as the chart's grid lines are drawn.
TEST(QPainterDrawing, PrimitivesLandOnTheirPixels) {
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        QPainterDrawing drawing(painter);
        drawing.setStrokeColor(Color{1, 0, 0, 1});
        drawing.setLineWidth(4);
        drawing.moveTo(ViewPoint{0, 20});
        drawing.addLineTo(ViewPoint{40, 20});
        drawing.strokePath();
        drawing.setStrokeColor(Color{0, 0, 1, 1});
        drawing.strokePath();  // nothing left to stroke
        drawing.setFillColor(Color{0, 1, 0, 1});
        drawing.fillEllipseInRect(ViewRect{0, 0, 10, 10});  // fills, leaves no path behind
        drawing.strokePath();
        drawing.fillRect(ViewRect{20, 30, 5, 5});
        drawing.setStrokeColor(Color{1, 1, 1, 1});
        drawing.setLineWidth(1);
        drawing.moveTo(ViewPoint{30, 0});
        drawing.addLineTo(ViewPoint{30, 10});
        drawing.strokePath();
    }
    struct Probe {
        const char* what;
        int x, y;
        QColor expected;
    };
    const Probe probes[] = {
        {"thick line", 30, 20, Qt::red},
        {"beside it", 30, 24, Qt::black},
        {"filled ellipse", 5, 5, Qt::green},
        {"filled rectangle", 24, 34, Qt::green},
        {"beside it", 25, 34, Qt::black},
        {"thin line, left half", 29, 5, QColor(128, 128, 128)},
        {"thin line, right half", 30, 5, QColor(128, 128, 128)},
    };
    for (const Probe& p : probes) {
        EXPECT_TRUE(near(image.pixelColor(p.x, p.y), p.expected))
            << p.what << ": " << image.pixelColor(p.x, p.y).name().toStdString();
    }
}

TEST(QPainterDrawing, TextIsPlacedByItsTopLeftCorner) {
    QImage image(200, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    const TextStyle style{Color{1, 1, 1, 1}, 14.0, true};
    ViewSize size;
    {
        QPainter painter(&image);
        QPainterDrawing drawing(painter);
        size = drawing.measureText("MMMM", style);
        drawing.drawText("MMMM", ViewPoint{50, 40}, style);
    }
    const QRect ink = inkBounds(image);
    ASSERT_FALSE(ink.isEmpty()) << "no text drawn";
    EXPECT_GE(ink.top(), 40);
    EXPECT_LE(ink.bottom(), 40 + size.height);
    EXPECT_GE(ink.left(), 50);
    EXPECT_LE(ink.right(), 50 + size.width + 1);
}

TEST(QPainterDrawing, MarkersMatchDirectDrawing) {
    // Markers are copied from images drawn once; they must land where a
    // direct drawing puts them, at any sub-pixel position and size.
    const ViewRect rects[] = {{10.0, 10.0, 20, 20},
                              {40.3, 12.7, 20, 20},
                              {70.55, 40.125, 30, 30},
                              {15.9, 60.45, 13.3, 13.3},
                              {50.01, 70.99, 20, 10}};
    QImage adapter(120, 100, QImage::Format_ARGB32_Premultiplied);
    QImage direct(120, 100, QImage::Format_ARGB32_Premultiplied);
    adapter.fill(Qt::black);
    direct.fill(Qt::black);
    {
        QPainter painter(&adapter);
        QPainterDrawing drawing(painter);
        drawing.setFillColor(Color{1, 1, 1, 1});
        drawing.setStrokeColor(Color{1, 0, 0, 1});
        for (int round = 0; round < 2; ++round) {  // the second round comes from the cache
            for (const ViewRect& r : rects) {
                drawing.fillEllipseInRect(r);
                drawing.strokeEllipseInRect(r);
            }
        }
    }
    {
        QPainter painter(&direct);
        painter.setRenderHint(QPainter::Antialiasing, true);
        for (int round = 0; round < 2; ++round) {
            for (const ViewRect& r : rects) {
                const QRectF q(r.x, r.y, r.width, r.height);
                painter.setPen(Qt::NoPen);
                painter.setBrush(Qt::white);
                painter.drawEllipse(q);
                painter.setPen(QPen(Qt::red, 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
                painter.setBrush(Qt::NoBrush);
                painter.drawEllipse(q);
            }
        }
    }
    int worst = 0;
    long total = 0;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 120; ++x) {
            const QColor a = adapter.pixelColor(x, y), b = direct.pixelColor(x, y);
            const int d = std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                                    std::abs(a.blue() - b.blue())});
            worst = std::max(worst, d);
            total += d;
        }
    }
    EXPECT_LE(worst, 64);             // antialiased edges differ a little, never a shift
    EXPECT_LE(total, 120 * 100 * 1);  // on average under one level in 255 per pixel
}

// The day page's chart: six curves, the first held at a point on the plot's
// bottom edge, where its marker reaches into the "09:00" label.
std::unique_ptr<DayAdjustmentGraph> dayChart() {
    auto graph = std::make_unique<DayAdjustmentGraph>(Color{0, 0, 0, 1}, Color{1, 1, 1, 1});
    graph->setPaddingTop(12);
    graph->setPaddingRight(20);
    graph->setXParts(8);
    graph->setXLabel({"00:00", "03:00", "06:00", "09:00", "12:00", "15:00", "18:00", "21:00"});
    graph->setYLabel({"", "10%", "20%", "30%", "40%", "50%", "60%", "70%", "80%", "90%", "100%"});
    const Color colors[6] = {{0.1, 0.2, 0.9, 1}, {0.9, 0.1, 0.1, 1}, {0.6, 0.6, 0.9, 1},
                             {0.1, 0.1, 0.5, 1}, {1.0, 1.0, 1.0, 1}, {0.6, 0.1, 0.8, 1}};
    for (int c = 0; c < 6; ++c) {
        auto channel = std::make_shared<DayAdjustmentChannel>(colors[c]);
        std::vector<CurvePoint> points;
        for (int i = 0; i < 24; ++i) {
            points.push_back(CurvePoint{(i + 0.5) / 24.0, 0.5 + 0.45 * std::sin(i * 0.7 + c)});
        }
        points.push_back(CurvePoint{555.0 / 1439.0, 0.0});  // 09:15 at 0%
        channel->adjust(points.data(), static_cast<std::uint8_t>(points.size()));
        graph->channelAdd(channel);
    }
    graph->selectedChannel()->setSelectedPoint(24);
    return graph;
}

QImage blankTarget(QSize size, double scale, QImage::Format format) {
    QImage image(size * scale, format);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::magenta);
    return image;
}

QImage drawnDirectly(DayAdjustmentGraph& graph, QSize size, double scale,
                     QImage::Format format = QImage::Format_ARGB32_Premultiplied) {
    QImage image = blankTarget(size, scale, format);
    QPainter painter(&image);
    QPainterDrawing drawing(painter);
    graph.drawRect(ViewRect{0, 0, double(size.width()), double(size.height())}, drawing);
    return image;
}

QImage drawnCached(DayChartPainter& chart, DayAdjustmentGraph& graph, QSize size, double scale,
                   QImage::Format format = QImage::Format_ARGB32_Premultiplied) {
    QImage image = blankTarget(size, scale, format);
    QPainter painter(&image);
    chart.paint(painter, graph, ViewRect{0, 0, double(size.width()), double(size.height())});
    return image;
}

// A frame of editing: the selected curve changes, the kept image stays.
void editSelected(DayAdjustmentGraph& g) {
    g.changePoint(3, 0.2f, 0.95f);
    g.selectedChannel()->setSelectedPoint(0);
}

// The kept background gives the pixels of direct drawing, before and after a
// change; editing the selected curve keeps it, any other change draws it again.
TEST(QPainterDrawing, KeptBackgroundGivesTheDirectPixelsAndEveryChangeRedraws) {
    using Change = std::function<void(DayAdjustmentGraph&)>;
    struct Case {
        const char* what;
        Change setUp = {};
        Change change = editSelected;
        int draws = 1;
        double firstScale = 1.0, scale = 1.0;
        QSize size{850, 600};
        QImage::Format format = QImage::Format_ARGB32_Premultiplied;
    };
    const Case cases[] = {
        {.what = "plain"},
        {.what = "high DPI", .firstScale = 2, .scale = 2},
        {.what = "fractional DPI", .firstScale = 1.5, .scale = 1.5},
        {.what = "moon mode", .setUp = [](auto& g) { g.setMoonMode(true); }},
        // The kept image then holds the background alone.
        {.what = "selected listed twice",
         .setUp = [](auto& g) { g.channelAdd(g.selectedChannel()); }},
        // The border takes the last other curve's colour.
        {.what = "selected empty", .setUp = [](auto& g) { g.selectedChannel()->clear(); }},
        {.what = "resized", .draws = 2, .size = {700, 450}},
        {.what = "device pixel ratio", .draws = 2, .scale = 2},
        {.what = "pixel format", .draws = 2, .format = QImage::Format_RGB32},
        {.what = "day line moved", .change = [](auto& g) { g.setVLine(0.7f); }, .draws = 2},
        {.what = "day line colour",
         .change =
             [](auto& g) {
                 g.setVLineColor(Color{0.3, 0.3, 1, 1});
             },
         .draws = 2},
        {.what = "grid columns", .change = [](auto& g) { g.setXParts(27); }, .draws = 2},
        {.what = "padding", .change = [](auto& g) { g.setPaddingLeft(65); }, .draws = 2},
        {.what = "another curve",
         .change = [](auto& g) { g.channelAtIndex(2)->setPoint(0, 0.1f, 0.9f); },
         .draws = 2},
        {.what = "another channel selected",
         .change = [](auto& g) { g.setChannel(3); },
         .draws = 2},
    };
    const QSize firstSize(850, 600);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto graph = dayChart();
        graph->setVLine(0.2f);
        if (c.setUp) c.setUp(*graph);
        DayChartPainter chart;
        EXPECT_TRUE(drawnCached(chart, *graph, firstSize, c.firstScale) ==
                    drawnDirectly(*graph, firstSize, c.firstScale));
        c.change(*graph);
        EXPECT_TRUE(drawnCached(chart, *graph, c.size, c.scale, c.format) ==
                    drawnDirectly(*graph, c.size, c.scale, c.format));
        EXPECT_EQ(chart.imageDraws(), c.draws);
    }
}

}  // namespace
}  // namespace aq
