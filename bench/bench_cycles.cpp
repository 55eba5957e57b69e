// Costs that grow with use: the discovery list refreshed with many lamps in
// range and a long name table, and resident memory over many connect,
// download, upload and disconnect cycles on a simulated lamp.
//
// Counters: "ms_per_report" the time of one list refresh; "rss_growth_mb"
// resident memory after the cycles less before them (after a warm-up).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "link/BTLEController.h"
#include "link/Log.h"
#include "pages/AQConnectionController.h"
#include "pages/Alerts.h"
#include "session/DayTransfer.h"
#include "platform/QtDispatch.h"
#include "platform/QtPreferences.h"
#include "sim/SimCentral.h"
#include "sim/SimModelLamp.h"
#include "session/GlobalStore.h"
#include "state/LampNames.h"
#include "state/MemoryPreferences.h"

namespace {

using namespace aq;

std::string lampId(int i) {
    char text[40];
    std::snprintf(text, sizeof text, "00000000-0000-0000-0000-%012d", i);
    return text;
}

double residentMb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// 50 lamps in range, 1,000 stored name entries, on the application's
// preferences file format.
void BM_DiscoveryRefresh(benchmark::State& state) {
    setLogSink([](std::string_view) {});
    QTemporaryDir dir;
    QtPreferences preferences(dir.filePath(QStringLiteral("prefs.ini")));
    PreferenceValue::List table;
    for (int i = 0; i < 1000; ++i) {
        table.push_back(PreferenceValue::List{lampId(i % 200), "Tank " + std::to_string(i)});
    }
    preferences.setValue(kUUIDNameArray, table);
    preferences.synchronize();
    QtDispatch dispatch;
    SimCentral central{dispatch, 0.0};
    GlobalStore::configure(central, dispatch, preferences);
    for (int i = 0; i < 50; ++i) {
        central.addLamp(
            std::make_shared<SimModelLamp>("Lamp", lampId(i * 3), SimLampModel::standard(0)));
    }
    BTLEController& link = GlobalStore::sharedInstance().btController();
    link.start_scanning({});
    while (link.peripherals().size() < 50) dispatch.runLoopFor(0.01);
    link.stop_scanning();
    auto page = std::make_unique<AQConnectionController>();
    std::vector<double> ms;
    for (auto _ : state) {
        // Each advertisement report may save a name and refreshes the list.
        const auto t0 = std::chrono::steady_clock::now();
        GlobalStore::setNameForUUID(lampId(0), "Tank 800");
        page->refreshTable();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    std::sort(ms.begin(), ms.end());
    state.counters["ms_per_report"] = ms[ms.size() / 2];
    const auto stored = preferences.value(kUUIDNameArray);
    if (!stored || !stored->list() || stored->list()->size() != 1000) {
        state.SkipWithError("a save that changed nothing appended");
    }
    page.reset();
    GlobalStore::reset();
}
BENCHMARK(BM_DiscoveryRefresh)->Iterations(200)->Unit(benchmark::kMillisecond);

// Connect, download the day programme, upload one changed point verified,
// disconnect: 200 times, 6 x 144 points.
void BM_ConnectCycles(benchmark::State& state) {
    setLogSink([](std::string_view) {});
    setAlertFunction([](QWidget*, const QString&, const QString&) {});
    MemoryPreferences preferences;
    QtDispatch dispatch;
    SimCentral central{dispatch, 0.0};
    GlobalStore::configure(central, dispatch, preferences);
    SimLampModel model = SimLampModel::standard(0);
    for (auto& channel : model.devices[0].programme) {
        for (int p = 0; p < 144; ++p) {
            channel.push_back({static_cast<std::uint16_t>(p * 10), static_cast<std::uint8_t>(p)});
        }
    }
    auto lamp = std::make_shared<SimModelLamp>("Cycles", lampId(1), model);
    central.addLamp(lamp);
    BTLEController& link = GlobalStore::sharedInstance().btController();
    LampProgrammeState known;
    std::vector<ChannelLook> looks(6, ChannelLook{"Channel", Color{1, 1, 1, 1}});
    int failures = 0;
    const auto cycle = [&](int n) {
        link.start_scanning({});
        while (link.peripherals().empty()) dispatch.runLoopFor(0.001);
        bool ready = false;
        link.connect_periperal_at(0, [&] { ready = true; }, {});
        if (!ready) {
            ++failures;
            return;
        }
        const LampMemory memory{&known, lamp->identifier(), link.linkEpoch()};
        bool done = false;
        dispatch.runOnWorker([&] {
            ProgrammeRead read = readDeviceProgramme(link, 0, looks, nullptr, memory);
            std::vector<LampChannel> wanted;
            for (const auto& c : read.channels) {
                std::vector<CurvePoint> points(c->Points(), c->Points() + c->PointCount());
                wanted.push_back(lampChannel(points));
            }
            if (read.stop || wanted.size() != 6) {
                ++failures;
            } else {
                wanted[n % 6][n % 144].level ^= 0x40;
                const UploadPlan plan = planUpload({0}, wanted, memory, false, true);
                const UploadResult result = writeProgramme(link, plan, wanted, memory);
                if (result.stop || result.mismatch || result.commands != 2 * 145) ++failures;
            }
            dispatch.postToMain([&] { done = true; });
        });
        while (!done) dispatch.runLoopFor(0.001);
        link.disconnect();
        dispatch.runLoopFor(0.001);
    };
    for (int n = 0; n < 10; ++n) cycle(n);  // warm-up: caches and pools settle
    const double before = residentMb();
    for (auto _ : state) {
        for (int n = 0; n < 200; ++n) cycle(n);
    }
    state.counters["rss_growth_mb"] = residentMb() - before;
    state.counters["rss_mb"] = residentMb();
    if (failures) state.SkipWithError("a cycle failed");
    GlobalStore::reset();
}
BENCHMARK(BM_ConnectCycles)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
