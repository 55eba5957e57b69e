// The day page's transfers and chart editing at the speeds a user feels:
// six channels of 144 set points downloaded and uploaded through a
// simulated lamp whose every write and read takes 2 ms, and a point dragged
// on the full chart.
//
// Counters: "ratio" is wall time over the ideal (commands x 2 operations x
// 2 ms); "stall_ms" the longest the main thread went without turning its
// event loop during the transfer, measured by a 1 ms timer's late ticks;
// "median_ms" the time from a drag event to the finished repaint.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMainWindow>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/BTLEController.h"
#include "link/Log.h"
#include "pages/AQDayAdjustmentController.h"
#include "pages/AQTableSheetController.h"
#include "pages/Alerts.h"
#include "pages/NSDayAdjustment.h"
#include "pages/Questions.h"
#include "platform/QtDispatch.h"
#include "sim/SimCentral.h"
#include "sim/SimModelLamp.h"
#include "session/GlobalStore.h"
#include "state/MemoryPreferences.h"
#include "widgets/SPProgressHUD.h"

namespace {

using namespace aq;

// Seconds per simulated write or read: 2 ms, or AQ_BENCH_OPERATION_MS.
const double kOperation = [] {
    const char* ms = std::getenv("AQ_BENCH_OPERATION_MS");
    return ms ? std::atof(ms) / 1000.0 : 0.002;
}();
constexpr int kChannels = 6;
constexpr int kPoints = 144;

SimProgramme fullProgramme() {
    SimProgramme programme(kChannels);
    for (int ch = 0; ch < kChannels; ++ch) {
        for (int p = 0; p < kPoints; ++p) {
            programme[ch].push_back(
                SimSetPoint{static_cast<std::uint16_t>(p * 10),
                            static_cast<std::uint8_t>((p * 7 + ch * 30) % 256)});
        }
    }
    return programme;
}

// One page on one simulated master lamp, on the application's Qt dispatch.
struct Bench {
    Bench() {
        setLogSink([](std::string_view) {});
        setAlertFunction([this](QWidget*, const QString& title, const QString& text) {
            ++alerts;
            std::fprintf(stderr, "alert: %s: %s\n", qPrintable(title), qPrintable(text));
        });
        // The chart's starting lines are asked about: the bench goes on.
        setQuestionFunction([](QWidget*, const Question& q) {
            return Answer{true, false, q.optionChecked};
        });
        GlobalStore::configure(central, dispatch, preferences);
        auto model = SimLampModel::standard(0);
        model.devices[0].programme = fullProgramme();
        central.addLamp(lamp = std::make_shared<SimModelLamp>(
                            "Bench", "00000000-0000-0000-0000-0000000000E1", model));
        preferences.setValue(AQDayAdjustmentController::kUploadWithoutAskingKey,
                             PreferenceValue(std::int64_t{1}));
        for (int ch = 0; ch < kChannels; ++ch) {
            GlobalStore::channelAdd("Channel " + std::to_string(ch), Color{1, 0.5, 0.2 * ch, 1});
        }
        GlobalStore::deviceAdd();
        BTLEController& link = GlobalStore::sharedInstance().btController();
        link.start_scanning({});
        while (link.peripherals().empty()) dispatch.runLoopFor(0.01);
        link.connect_periperal_at(0, [] {}, {});
        SPProgressHUD::instance()->setAnimationDuration(0);
        window.setCentralWidget(page.view());
        window.resize(850, 546);
        window.show();
        page.onEnter();
        page.tscDevice()->openSheet(&window, 1);  // the master
        page.tscDevice()->closeSheet();
        QApplication::processEvents();
    }

    struct Run {
        double seconds;
        double stallMs;
    };

    // Runs one transfer to its end with the main thread's event loop turning.
    template <typename Start>
    Run transfer(Start start) {
        QEventLoop loop;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1);
        QElapsedTimer clock;
        qint64 lastTick = 0;
        qint64 longest = 0;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - lastTick);
            lastTick = now;
            if (!page.busy()) loop.quit();
        });
        clock.start();
        start();
        ticker.start();
        loop.exec();
        const double seconds = clock.nsecsElapsed() / 1e9;
        // A tick is due every millisecond; what exceeds that is the stall.
        return Run{seconds, std::max(0.0, longest / 1e6 - 1.0)};
    }

    void setVerify(bool on) {
        preferences.setValue(AQDayAdjustmentController::kVerifyUploadsKey,
                             PreferenceValue(std::int64_t{on ? 1 : 0}));
    }

    std::shared_ptr<SimModelLamp> lamp;
    MemoryPreferences preferences;
    QtDispatch dispatch;
    SimCentral central{dispatch, kOperation};
    QMainWindow window;
    AQDayAdjustmentController page;
    int alerts = 0;
};

Bench& bench() {
    static Bench* b = new Bench;  // kept to the end, like the application's store
    return *b;
}

void report(benchmark::State& state, const std::vector<Bench::Run>& runs, int commands) {
    const double ideal = commands * 2 * kOperation;
    double worstRatio = 0, worstStall = 0;
    for (const auto& r : runs) {
        worstRatio = std::max(worstRatio, r.seconds / ideal);
        worstStall = std::max(worstStall, r.stallMs);
    }
    state.counters["ratio"] = worstRatio;
    state.counters["stall_ms"] = worstStall;
    state.counters["commands"] = commands;
    if (bench().alerts) state.SkipWithError("the lamp did not answer");
}

void BM_Download(benchmark::State& state) {
    Bench& b = bench();
    std::vector<Bench::Run> runs;
    for (auto _ : state) {
        const auto run = b.transfer([&] { b.page.btnDownloadPressed(); });
        state.SetIterationTime(run.seconds);
        runs.push_back(run);
    }
    if (b.page.dayAdjustment()->daGraph().channelAtIndex(5)->PointCount() != kPoints) {
        state.SkipWithError("the download did not arrive");
    }
    report(state, runs, kChannels + kChannels * kPoints);
}
BENCHMARK(BM_Download)->Iterations(3)->UseManualTime()->Unit(benchmark::kSecond);

// Seconds the same commands take on a link of 30 ms an operation, at the
// ratio measured.
void at30ms(benchmark::State& state, int commands) {
    state.counters["s_at_30ms"] = commands * 2 * 0.030 * state.counters["ratio"];
}

// The lamp's programme on the chart, as a download would put it, without
// the radio: the uploads can be measured alone.
void chartFromLamp(Bench& b) {
    const SimProgramme programme = fullProgramme();
    for (int ch = 0; ch < kChannels; ++ch) {
        auto channel = b.page.dayAdjustment()->daGraph().channelAtIndex(ch);
        std::vector<CurvePoint> points;
        for (const SimSetPoint& p : programme[ch])
            points.push_back(curvePoint(p.offset, p.intensity));
        channel->adjust(points.data(), static_cast<std::uint8_t>(points.size()));
    }
}

// Everything sent, as Shift+Upload does; range(0): read back or not.
void BM_UploadEverything(benchmark::State& state) {
    Bench& b = bench();
    if (b.page.dayAdjustment()->daGraph().channelAtIndex(5)->PointCount() != kPoints) {
        chartFromLamp(b);
    }
    b.setVerify(state.range(0) != 0);
    std::vector<Bench::Run> runs;
    std::uint64_t commands = 0;
    for (auto _ : state) {
        const std::uint64_t before = b.lamp->receivedCount();
        const auto run = b.transfer([&] { b.page.upload(true); });
        commands = b.lamp->receivedCount() - before;
        state.SetIterationTime(run.seconds);
        runs.push_back(run);
    }
    report(state, runs, static_cast<int>(commands));
    at30ms(state, static_cast<int>(commands));
    const int ideal = (kChannels + kChannels * kPoints) * (state.range(0) ? 2 : 1);
    if (static_cast<int>(commands) != ideal) {
        std::fprintf(stderr, "sent %d commands, %d expected\n", static_cast<int>(commands), ideal);
        state.SkipWithError("not every command went out");
    }
}
BENCHMARK(BM_UploadEverything)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// One point of one channel moved, then uploaded and verified.
void BM_UploadOnePointEdit(benchmark::State& state) {
    Bench& b = bench();
    b.setVerify(true);
    std::vector<Bench::Run> runs;
    std::uint64_t commands = 0;
    int step = 0;
    for (auto _ : state) {
        auto channel = b.page.dayAdjustment()->daGraph().channelAtIndex(2);
        std::vector<CurvePoint> points(channel->Points(),
                                       channel->Points() + channel->PointCount());
        points[40].y = (step++ % 2) ? 0.25 : 0.75;
        channel->adjust(points.data(), static_cast<std::uint8_t>(points.size()));
        const std::uint64_t before = b.lamp->receivedCount();
        const auto run = b.transfer([&] { b.page.upload(false); });
        commands = b.lamp->receivedCount() - before;
        state.SetIterationTime(run.seconds);
        runs.push_back(run);
    }
    report(state, runs, static_cast<int>(commands));
    at30ms(state, static_cast<int>(commands));
    if (commands > 2 * (1 + kPoints)) state.SkipWithError("more than the one channel went out");
}
BENCHMARK(BM_UploadOnePointEdit)->Iterations(3)->UseManualTime()->Unit(benchmark::kSecond);

// Nothing changed since the last verified upload.
void BM_UploadNoChange(benchmark::State& state) {
    Bench& b = bench();
    std::uint64_t commands = 0;
    for (auto _ : state) {
        const std::uint64_t before = b.lamp->receivedCount();
        const auto t0 = std::chrono::steady_clock::now();
        b.page.upload(false);
        QApplication::processEvents();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        commands += b.lamp->receivedCount() - before;
    }
    state.counters["commands"] = static_cast<double>(commands);
    if (commands != 0 || b.page.busy()) state.SkipWithError("something was sent");
}
BENCHMARK(BM_UploadNoChange)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// A held point dragged back and forth across the full chart: each step is
// one mouse-move event followed by the repaint it asks for.
void BM_DragRepaint(benchmark::State& state) {
    Bench& b = bench();
    NSDayAdjustment& view = *b.page.dayAdjustment();
    view.setChannel(0);
    QApplication::processEvents();
    auto channel = view.daGraph().selectedChannel();
    const ViewPoint start = view.daGraph().curveToView(channel->Points()[72]);
    const QPointF at(start.x, start.y);
    QMouseEvent press(QEvent::MouseButtonPress, at, view.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    std::vector<double> ms;
    int step = 0;
    for (auto _ : state) {
        // Small steps, as a mouse reports them, up and down by a few points.
        const QPointF to = at + QPointF(0, 30 * std::sin(step++ * 0.2));
        const auto t0 = std::chrono::steady_clock::now();
        QMouseEvent move(QEvent::MouseMove, to, view.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
        view.repaint();
        const auto t1 = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    QMouseEvent release(QEvent::MouseButtonRelease, at, view.mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &release);
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p95_ms"] = ms[ms.size() * 95 / 100];
    if (view.statusText().size() != 0) state.SkipWithError("the point is still held");
}
BENCHMARK(BM_DragRepaint)->Iterations(500)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
