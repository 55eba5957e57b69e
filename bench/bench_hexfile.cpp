// Loading a firmware file that fills the whole 128 KiB image: 8192 data
// records of 16 bytes, the segment record for the upper 64 KiB and the end.
#include "link/HexFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

std::string record(unsigned address, unsigned type, const std::uint8_t* data, unsigned count) {
    static const char* digits = "0123456789ABCDEF";
    std::string out = ":";
    unsigned sum = 0;
    auto put = [&](unsigned b) {
        out.push_back(digits[(b >> 4) & 0x0F]);
        out.push_back(digits[b & 0x0F]);
        sum += b;
    };
    put(count);
    put((address >> 8) & 0xFF);
    put(address & 0xFF);
    put(type);
    for (unsigned i = 0; i < count; ++i) put(data[i]);
    const unsigned checksum = (0x100 - (sum & 0xFF)) & 0xFF;
    put(checksum);
    return out + "\r\n";
}

std::string writeFullImage() {
    std::string text;
    std::uint8_t data[16];
    for (unsigned address = 0; address < 0x20000; address += 16) {
        if (address == 0x10000) {
            const std::uint8_t segment[2] = {0x10, 0x00};
            text += record(0, 0x02, segment, 2);
        }
        for (unsigned i = 0; i < 16; ++i)
            data[i] = static_cast<std::uint8_t>((address >> 4) + i * 7);
        text += record(address & 0xFFFF, 0x00, data, 16);
    }
    text += ":00000001FF\r\n";
    const auto path = (std::filesystem::temp_directory_path() / "aqlamp_bench_full.hex").string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

void BM_HexfileLoadFullImage(benchmark::State& state) {
    const std::string path = writeFullImage();
    auto image = std::make_unique<aq::HexFile>();
    aq::HexLoadReport report;
    for (auto _ : state) {
        benchmark::DoNotOptimize(aq::hexfile_load(path, *image, &report));
    }
    if (report.badLine || !report.endOfFile) state.SkipWithError("the image did not load");
    std::size_t pages = 0;
    for (auto flag : image->bitmap) pages += flag ? 1 : 0;
    state.counters["pages"] = static_cast<double>(pages);
    std::filesystem::remove(path);
}
BENCHMARK(BM_HexfileLoadFullImage)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
