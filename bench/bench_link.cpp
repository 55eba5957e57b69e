// Throughput of the lamp link's queue and its synchronous round trips.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <atomic>
#include <chrono>

#include "link/BTLEController.h"
#include "link/Log.h"
#include "platform/QtDispatch.h"
#include "sim/SimCentral.h"
#include "sim/SimLamp.h"
#include "sim/VirtualDispatch.h"

namespace {

using namespace aq;

template <typename Dispatcher>
struct Link {
    explicit Link(Dispatcher& dispatch, double delay)
        : central(dispatch, delay), controller(central, dispatch) {
        central.addLamp(std::make_shared<SimLamp>("Bench", "00000000-0000-0000-0000-000000000001"));
    }
    SimCentral central;
    BTLEController controller;
};

void silenceLog() {
    setLogSink([](std::string_view) {});
}

template <typename Dispatcher, typename RunLoop>
void connect(Link<Dispatcher>& link, RunLoop runFor) {
    link.controller.start_scanning({});
    while (link.controller.peripherals().empty()) runFor(0.01);
    link.controller.connect_periperal_at(0, [] {}, {});
}

// Queued commands through an instant simulated transport: every write and
// read completes on the next turn of the (virtual) event loop.
void BM_QueuedCommands(benchmark::State& state) {
    silenceLog();
    VirtualDispatch dispatch;
    Link<VirtualDispatch> link(dispatch, 0.0);
    connect(link, [&](double s) { dispatch.runLoopFor(s); });
    const auto ch = link.controller.rw_characteristic();
    const auto batch = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) link.controller.fireCommand({0x81, 0x00}, ch, {});
        dispatch.runUntilIdle();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_QueuedCommands)->Arg(1000)->Unit(benchmark::kMillisecond);

// Synchronous round trips from a worker, the main thread running the Qt
// event loop, the simulated lamp answering at once.
void BM_SyncRoundTrips(benchmark::State& state) {
    silenceLog();
    QtDispatch dispatch;
    Link<QtDispatch> link(dispatch, 0.0);
    connect(link, [&](double s) { dispatch.runLoopFor(s); });
    const auto ch = link.controller.rw_characteristic();
    const auto count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        QEventLoop loop;
        std::atomic<int> answered{0};
        dispatch.runOnWorker([&] {
            for (int i = 0; i < count; ++i) {
                if (link.controller.fireSyncCommand({0x81, 0x00}, ch)) ++answered;
            }
            dispatch.postToMain([&] { loop.quit(); });
        });
        loop.exec();
        if (answered.load() != count) state.SkipWithError("a round trip got no answer");
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SyncRoundTrips)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

// 1,000 synchronous commands, each write and each read taking 1 ms: the
// ideal is 2.0 s; the counter "overhead" is wall time over that ideal.
void BM_SyncWithOneMillisecondLink(benchmark::State& state) {
    silenceLog();
    QtDispatch dispatch;
    Link<QtDispatch> link(dispatch, 0.001);
    connect(link, [&](double s) { dispatch.runLoopFor(s); });
    const auto ch = link.controller.rw_characteristic();
    constexpr int kCount = 1000;
    double ratio = 0;
    for (auto _ : state) {
        QEventLoop loop;
        const auto start = std::chrono::steady_clock::now();
        dispatch.runOnWorker([&] {
            for (int i = 0; i < kCount; ++i) link.controller.fireSyncCommand({0x81, 0x00}, ch);
            dispatch.postToMain([&] { loop.quit(); });
        });
        loop.exec();
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ratio = wall / (kCount * 2 * 0.001);
        state.SetIterationTime(wall);
    }
    state.counters["overhead"] = ratio;
}
BENCHMARK(BM_SyncWithOneMillisecondLink)->Iterations(3)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

namespace {
// The floor under the figures above: a bare hand-off from a worker to the
// main thread's event loop and back, with no link in between.
void BM_ThreadHandOffFloor(benchmark::State& state) {
    QtDispatch dispatch;
    const auto count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        QEventLoop loop;
        dispatch.runOnWorker([&] {
            for (int i = 0; i < count; ++i) {
                auto done = dispatch.makeWorkerEvent();
                dispatch.postToMain([done] { done->notify(); });
                done->wait();
            }
            dispatch.postToMain([&] { loop.quit(); });
        });
        loop.exec();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_ThreadHandOffFloor)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
