// A firmware transfer through the real Qt Bluetooth central: the lamp drops the link when its
// boot loader opens, the link is made again, and every page reaches the boot loader.
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "E2eFixture.h"
#include "link/FirmwareUpdate.h"
#include "link/Log.h"

namespace aq::test {
namespace {

// One data record of an Intel HEX file, checksum included.
std::string dataRecord(std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
    unsigned sum = static_cast<unsigned>(bytes.size()) + (address >> 8) + (address & 0xFF);
    std::string line = format(":%02X%04X00", static_cast<unsigned>(bytes.size()), address);
    for (auto b : bytes) {
        line += format("%02X", b);
        sum += b;
    }
    return line + format("%02X", (0x100 - (sum & 0xFF)) & 0xFF);
}

class Firmware : public E2eFixture {
protected:
    Firmware() : E2eFixture({"--lamps", "1", "--slaves", "0", "--delay-ms", "2"}) {}

    void TearDown() override {
        std::remove(_path.c_str());
        E2eFixture::TearDown();
    }

    // Two pages of data in 32-byte records, carriage-return line ends; returns the image.
    std::vector<std::uint8_t> writeFile() {
        std::vector<std::uint8_t> image(0x200);
        std::ofstream out(_path, std::ios::binary);
        for (std::uint16_t a = 0; a < image.size(); a += 0x20) {
            std::vector<std::uint8_t> bytes(0x20);
            for (std::size_t i = 0; i < bytes.size(); ++i)
                image[a + i] = bytes[i] = static_cast<std::uint8_t>((a + i) * 13 + 5);
            out << dataRecord(a, bytes) << "\r";
        }
        out << ":00000001FF\r";
        return image;
    }

    const std::string _path = "/tmp/aq-e2e-firmware-" + std::to_string(getpid()) + ".hex";
};

TEST_F(Firmware, AShortFileArrivesWholeAtTheBootLoaderAcrossTheReconnection) {
    ASSERT_TRUE(scanFor(1));
    ASSERT_TRUE(connectAt(0).ready);
    const PeripheralPtr lamp = link().peripheral();
    const std::vector<std::uint8_t> expected = writeFile();

    std::vector<double> fractions;
    std::mutex fractionsMutex;
    HexFile image;
    const auto result = onWorker(
        [&] {
            return runFirmwareUpdate(link(), _path, image, [&](double f) {
                std::lock_guard lock(fractionsMutex);
                fractions.push_back(f);
            });
        },
        60.0);
    ASSERT_TRUE(result.has_value()) << "the transfer never ended";
    EXPECT_EQ(*result, FirmwareResult::Sent);
    EXPECT_EQ(fractions, (std::vector<double>{0.5, 1.0}));

    // The lamp really went away and came back: the link was made twice.
    EXPECT_TRUE(log.contains("successful connecting")) << "the reconnect did not start";
    EXPECT_TRUE(log.contains("connected")) << "the link was not ready again";
    EXPECT_EQ(link().peripheral(), lamp);
    EXPECT_TRUE(link().is_connected());

    const StandIn::BootLoaderState loader = standIn.bootLoader(0);
    EXPECT_EQ(loader.completed, 1);
    EXPECT_EQ(loader.refused, 0);
    EXPECT_EQ(loader.pageAddresses, (QList<uint>{0x000, 0x100}));
    ASSERT_EQ(loader.image.size(), 0x20000);
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(static_cast<std::uint8_t>(loader.image[qsizetype(i)]), expected[i]) << "byte " << i;
    for (qsizetype i = qsizetype(expected.size()); i < loader.image.size(); ++i)
        ASSERT_EQ(static_cast<std::uint8_t>(loader.image[i]), 0xFF) << "byte " << i;
}

}  // namespace
}  // namespace aq::test
