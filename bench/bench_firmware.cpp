// Real time of a firmware update of a 4-page file to a simulated lamp whose
// link takes 20 ms per operation (the pace --simulate uses), on the Qt
// dispatch the application runs on.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <cstdio>
#include <fstream>

#include <unistd.h>

#include "link/BTLEController.h"
#include "link/FirmwareUpdate.h"
#include "link/Log.h"
#include "platform/QtDispatch.h"
#include "sim/SimCentral.h"
#include "sim/SimLamp.h"

namespace {

using namespace aq;

std::string writeFourPages() {
    const std::string path = "/tmp/aq-bench-fw-" + std::to_string(::getpid()) + ".hex";
    std::ofstream out(path, std::ios::binary);
    for (unsigned address = 0; address < 0x400; address += 0x10) {
        unsigned sum = 0x10 + (address >> 8) + (address & 0xFF);
        char line[64];
        std::snprintf(line, sizeof line, ":10%04X00", address);
        out << line;
        for (int i = 0; i < 16; ++i) {
            const unsigned b = (address + i) & 0xFF;
            sum += b;
            std::snprintf(line, sizeof line, "%02X", b);
            out << line;
        }
        std::snprintf(line, sizeof line, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
        out << line;
    }
    out << ":00000001FF\r\n";
    return path;
}

void BM_FourPageUpdate(benchmark::State& state) {
    setLogSink([](std::string_view) {});
    QtDispatch dispatch;
    SimCentral central(dispatch, 0.02);
    auto lamp = std::make_shared<SimLamp>("Bench", "00000000-0000-0000-0000-000000000001");
    central.addLamp(lamp);
    BTLEController controller(central, dispatch);
    controller.start_scanning({});
    while (controller.peripherals().empty()) dispatch.runLoopFor(0.01);
    controller.connect_periperal_at(0, [] {}, {});
    const std::string path = writeFourPages();
    HexFile image;
    for (auto _ : state) {
        QEventLoop loop;
        FirmwareResult result = FirmwareResult::NotConnected;
        const auto start = std::chrono::steady_clock::now();
        dispatch.runOnWorker([&] {
            result = runFirmwareUpdate(controller, path, image, {});
            dispatch.postToMain([&] { loop.quit(); });
        });
        loop.exec();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (result != FirmwareResult::Sent || lamp->bootLoader().refusedPackets() != 0) {
            state.SkipWithError("the update did not go through");
        }
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_FourPageUpdate)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
