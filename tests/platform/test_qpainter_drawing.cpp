#include "platform/QPainterDrawing.h"

#include "curve/DayAdjustmentGraph.h"
#include "platform/DayChartPainter.h"

#include <QGuiApplication>
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

// Fonts need a GUI application; one for the whole test program.
void ensureApplication() {
    static int argc = 1;
    static char name[] = "platform_qpainter_drawing";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) new QGuiApplication(argc, argv);
}

class QPainterDrawingTest : public testing::Test {
protected:
    void SetUp() override { ensureApplication(); }
};

bool near(QColor actual, QColor expected) {
    return std::abs(actual.red() - expected.red()) <= 8 &&
           std::abs(actual.green() - expected.green()) <= 8 &&
           std::abs(actual.blue() - expected.blue()) <= 8;
}

TEST_F(QPainterDrawingTest, RendersTheChart) {
    QImage image(710, 410, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    DayAdjustmentGraph graph(Color{0, 0, 0, 1}, Color{1, 1, 1, 1});
    auto channel = std::make_shared<DayAdjustmentChannel>(Color{1, 0, 0, 1});
    channel->addPoint(CurvePoint{0.25, 0.5});
    graph.channelAdd(channel);
    graph.setVLine(0.75f);
    graph.setVLineColor(Color{0, 1, 0, 1});
    graph.setXLabel({"AAAA"});
    {
        QPainter painter(&image);
        QPainterDrawing drawing(painter);
        graph.drawRect(ViewRect{0, 0, 710, 410}, drawing);
    }
    // Plot (55, 55, 600, 300); the curve is the horizontal at y = 205, drawn
    // 4 wide over the grid line there; the marker sits at (205, 205), radius 10.
    struct Probe {
        const char* what;
        int x, y;
        QColor expected;
    };
    const Probe probes[] = {
        {"background outside the plot", 20, 20, Qt::black},
        {"background inside a cell", 70, 70, Qt::black},
        // A 1-wide line on a whole coordinate covers half of the two pixels beside it.
        {"vertical grid line, left half", 104, 70, QColor(128, 128, 128)},
        {"vertical grid line, right half", 105, 70, QColor(128, 128, 128)},
        {"horizontal grid line", 70, 85, QColor(128, 128, 128)},
        {"curve left of the point", 100, 206, Qt::red},
        {"curve right of the point", 400, 204, Qt::red},
        {"just beside the curve", 400, 210, Qt::black},
        {"marker inside", 205, 199, Qt::white},
        {"marker line", 505, 150, Qt::green},
    };
    for (const Probe& p : probes) {
        EXPECT_TRUE(near(image.pixelColor(p.x, p.y), p.expected))
            << p.what << ": " << image.pixelColor(p.x, p.y).name().toStdString();
    }
    // The label is drawn below the plot's left edge, white.
    int white = 0;
    for (int y = 355; y < 380; ++y) {
        for (int x = 30; x < 80; ++x) white += near(image.pixelColor(x, y), Qt::white) ? 1 : 0;
    }
    EXPECT_GT(white, 10);
}

TEST_F(QPainterDrawingTest, StrokingClearsThePath) {
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
    }
    EXPECT_TRUE(near(image.pixelColor(30, 20), Qt::red));
    EXPECT_TRUE(near(image.pixelColor(5, 5), Qt::green));
}

TEST_F(QPainterDrawingTest, TextIsPlacedByItsTopLeftCorner) {
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
    ASSERT_GT(size.width, 10.0);
    ASSERT_GT(size.height, 10.0);
    int top = 100, bottom = -1, left = 200, right = -1;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (qGray(image.pixel(x, y)) > 128) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_GE(bottom, 0) << "no text drawn";
    EXPECT_GE(top, 40);
    EXPECT_LE(bottom, 40 + size.height);
    EXPECT_GE(left, 50);
    EXPECT_LE(right, 50 + size.width + 1);
}

TEST_F(QPainterDrawingTest, MarkersMatchDirectDrawing) {
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

TEST_F(QPainterDrawingTest, KeptBackgroundGivesTheDirectPixels) {
    struct Case {
        const char* what;
        double scale;
        bool moon;
        bool selectedTwice;  // the kept image then holds the background alone
        bool selectedEmpty;  // the border takes the last other curve's colour
    };
    const Case cases[] = {{"plain", 1.0, false, false, false},
                          {"high DPI", 2.0, false, false, false},
                          {"fractional DPI", 1.5, false, false, false},
                          {"moon mode, day line", 1.0, true, false, false},
                          {"selected channel listed twice", 1.0, false, true, false},
                          {"selected channel empty", 1.0, false, false, true}};
    const QSize size(850, 600);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto graph = dayChart();
        graph->setMoonMode(c.moon);
        if (c.moon) {
            graph->setVLine(0.4f);
            graph->setVLineColor(Color{0.3, 0.3, 1, 1});
        }
        if (c.selectedTwice) graph->channelAdd(graph->selectedChannel());
        if (c.selectedEmpty) graph->selectedChannel()->clear();
        DayChartPainter chart;
        EXPECT_TRUE(drawnCached(chart, *graph, size, c.scale) ==
                    drawnDirectly(*graph, size, c.scale));
        // A frame of editing: the selected curve changes, the kept image stays.
        graph->changePoint(3, 0.2f, 0.95f);
        graph->selectedChannel()->setSelectedPoint(0);
        EXPECT_TRUE(drawnCached(chart, *graph, size, c.scale) ==
                    drawnDirectly(*graph, size, c.scale));
        EXPECT_EQ(chart.imageDraws(), 1);
    }
}

TEST_F(QPainterDrawingTest, ChangedBackgroundIsDrawnAgain) {
    struct Case {
        const char* what;
        std::function<void(DayAdjustmentGraph&)> change;
        QSize size;
        double scale;
        QImage::Format format;
    };
    const auto same = [](DayAdjustmentGraph&) {};
    const Case cases[] = {
        {"resized", same, QSize(700, 450), 1.0, QImage::Format_ARGB32_Premultiplied},
        {"device pixel ratio", same, QSize(850, 600), 2.0, QImage::Format_ARGB32_Premultiplied},
        {"pixel format", same, QSize(850, 600), 1.0, QImage::Format_RGB32},
        {"day line moved", [](DayAdjustmentGraph& g) { g.setVLine(0.7f); }, QSize(850, 600), 1.0,
         QImage::Format_ARGB32_Premultiplied},
        {"grid columns", [](DayAdjustmentGraph& g) { g.setXParts(27); }, QSize(850, 600), 1.0,
         QImage::Format_ARGB32_Premultiplied},
        {"padding", [](DayAdjustmentGraph& g) { g.setPaddingLeft(65); }, QSize(850, 600), 1.0,
         QImage::Format_ARGB32_Premultiplied},
        {"another channel's curve",
         [](DayAdjustmentGraph& g) { g.channelAtIndex(2)->setPoint(0, 0.1f, 0.9f); },
         QSize(850, 600), 1.0, QImage::Format_ARGB32_Premultiplied},
        {"another channel selected", [](DayAdjustmentGraph& g) { g.setChannel(3); },
         QSize(850, 600), 1.0, QImage::Format_ARGB32_Premultiplied},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto graph = dayChart();
        graph->setVLine(0.2f);
        DayChartPainter chart;
        (void)drawnCached(chart, *graph, QSize(850, 600), 1.0);
        c.change(*graph);
        EXPECT_TRUE(drawnCached(chart, *graph, c.size, c.scale, c.format) ==
                    drawnDirectly(*graph, c.size, c.scale, c.format));
        EXPECT_EQ(chart.imageDraws(), 2);
    }
}

}  // namespace
}  // namespace aq
