// Drawing the day-curve chart as the day page shows it: six channels of 144
// points each in an 850 x 600 view, the first channel selected with markers.
// A frame of the view while a point is dragged copies the kept image
// (background and the other channels' curves) and draws the selected curve,
// its markers, the labels and the border (warm); the first frame, and one
// after a resize or a change to another curve, draws the image too (cold);
// drawing everything directly is the reference. Run with
//   --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include "curve/DayAdjustmentGraph.h"
#include "curve/RecordingDrawing.h"
#include "platform/DayChartPainter.h"
#include "platform/QPainterDrawing.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<aq::DayAdjustmentGraph> dayPageGraph() {
    auto graph =
        std::make_unique<aq::DayAdjustmentGraph>(aq::Color{0, 0, 0, 1}, aq::Color{1, 1, 1, 1});
    graph->setPaddingTop(12);
    graph->setPaddingRight(20);
    graph->setXParts(8);
    graph->setYParts(10);
    graph->setXLabel(
        {"00:00", "03:00", "06:00", "09:00", "12:00", "15:00", "18:00", "21:00", "24:00"});
    graph->setYLabel({"", "10%", "20%", "30%", "40%", "50%", "60%", "70%", "80%", "90%", "100%"});
    const aq::Color colors[6] = {{0.1, 0.2, 0.9, 1}, {0.9, 0.1, 0.1, 1}, {0.6, 0.6, 0.9, 1},
                                 {0.1, 0.1, 0.5, 1}, {1.0, 1.0, 1.0, 1}, {0.6, 0.1, 0.8, 1}};
    for (int c = 0; c < 6; ++c) {
        auto channel = std::make_shared<aq::DayAdjustmentChannel>(colors[c]);
        std::vector<aq::CurvePoint> points;
        for (int i = 0; i < 144; ++i) {
            points.push_back(
                aq::CurvePoint{(i + 0.5) / 144.0, 0.5 + 0.45 * std::sin(i * 0.13 + c)});
        }
        channel->adjust(points.data(), 144);
        graph->channelAdd(channel);
    }
    graph->selectedChannel()->setSelectedPoint(70);
    return graph;
}

const aq::ViewRect kView{0, 0, 850, 600};

void BM_DrawQPainterDirect(benchmark::State& state) {
    auto graph = dayPageGraph();
    QImage image(850, 600, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        aq::QPainterDrawing drawing(painter);
        graph->drawRect(kView, drawing);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_DrawQPainterDirect)->Unit(benchmark::kMicrosecond);

void frames(benchmark::State& state, bool cold) {
    auto graph = dayPageGraph();
    QImage image(850, 600, QImage::Format_ARGB32_Premultiplied);
    aq::DayChartPainter chart;
    const aq::CurvePoint held = graph->getPoint(70);
    int frame = 0;
    for (auto _ : state) {
        // The held point moves up and down a little, as under the mouse.
        graph->changePoint(70, static_cast<float>(held.x),
                           static_cast<float>(held.y + 0.01 * (++frame % 2)));
        if (cold) chart.invalidate();
        QPainter painter(&image);
        chart.paint(painter, *graph, kView);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["image_draws"] = chart.imageDraws();
}

void BM_FrameWarm(benchmark::State& state) {
    frames(state, false);
}
BENCHMARK(BM_FrameWarm)->Unit(benchmark::kMicrosecond);

void BM_FrameCold(benchmark::State& state) {
    frames(state, true);
}
BENCHMARK(BM_FrameCold)->Unit(benchmark::kMicrosecond);

void BM_DrawRecording(benchmark::State& state) {
    auto graph = dayPageGraph();
    aq::RecordingDrawing drawing;
    for (auto _ : state) {
        drawing.clear();
        graph->drawRect(kView, drawing);
        benchmark::DoNotOptimize(drawing.calls().data());
    }
    state.counters["calls"] = static_cast<double>(drawing.calls().size());
}
BENCHMARK(BM_DrawRecording)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    // Fonts for the labels need a GUI application.
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
