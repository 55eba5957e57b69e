// A firmware transfer through the real Qt Bluetooth central: the lamp drops the link when its
// boot loader opens, the link is made again, and every page reaches the boot loader.
#include <QTemporaryDir>

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
    // The lamp restarts into its boot loader after this many milliseconds, connected.
    bool startAndConnect(const char* bootRestartMs) {
        return start({"--slaves", "0", "--delay-ms", "2", "--boot-restart-ms", bootRestartMs}) &&
               scanFor(1) && connectAt(0).ready;
    }

    // Pages of data in 32-byte records, carriage-return line ends; returns the image.
    std::vector<std::uint8_t> writeFile(std::size_t pages = 2) {
        std::vector<std::uint8_t> image(pages * 0x100);
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

    // Runs the transfer on a worker as the firmware page does; none when it never ended.
    std::optional<FirmwareResult> transfer() {
        return onWorker(
            [this] {
                return runFirmwareUpdate(link(), _path, _image, [this](double f) {
                    std::lock_guard lock(_fractionsMutex);
                    _fractions.push_back(f);
                });
            },
            60.0);
    }

    std::vector<double> fractions() {
        std::lock_guard lock(_fractionsMutex);
        return _fractions;
    }

    // The boot loader kept exactly `expected` from address 0, and nothing else.
    void expectBootLoaderHolds(const std::vector<std::uint8_t>& expected) {
        const StandIn::BootLoaderState loader = standIn.bootLoader(0);
        EXPECT_EQ(loader.completed, 1);
        EXPECT_EQ(loader.refused, 0);
        ASSERT_EQ(loader.image.size(), 0x20000);
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(static_cast<std::uint8_t>(loader.image[qsizetype(i)]), expected[i])
                << "byte " << i;
        for (qsizetype i = qsizetype(expected.size()); i < loader.image.size(); ++i)
            ASSERT_EQ(static_cast<std::uint8_t>(loader.image[i]), 0xFF) << "byte " << i;
    }

    QTemporaryDir _dir;
    const std::string _path = _dir.filePath(QStringLiteral("firmware.hex")).toStdString();
    HexFile _image;
    std::mutex _fractionsMutex;
    std::vector<double> _fractions;
};

TEST_F(Firmware, AShortFileArrivesWholeAtTheBootLoaderAcrossTheReconnection) {
    ASSERT_TRUE(startAndConnect("0"));
    const PeripheralPtr lamp = link().peripheral();
    const std::vector<std::uint8_t> expected = writeFile();

    const auto result = transfer();
    ASSERT_TRUE(result.has_value()) << "the transfer never ended";
    EXPECT_EQ(*result, FirmwareResult::Sent);
    EXPECT_EQ(fractions(), (std::vector<double>{0.5, 1.0}));

    // The lamp really went away and came back: the link was made twice.
    EXPECT_TRUE(log.contains("successful connecting")) << "the reconnect did not start";
    EXPECT_TRUE(log.contains("connected")) << "the link was not ready again";
    EXPECT_EQ(link().peripheral(), lamp);
    EXPECT_TRUE(link().is_connected());

    EXPECT_EQ(standIn.bootLoader(0).pageAddresses, (QList<uint>{0x000, 0x100}));
    expectBootLoaderHolds(expected);
}

// The lamp takes a second to restart into its boot loader, longer than the transfer's pause
// after the opening command: the link cancels the connection before the lamp drops it, and
// connects again while Qt is still closing the old link.
TEST_F(Firmware, ThePageStillArrivesWholeWhenTheLinkIsCancelledBeforeTheLampDropsIt) {
    ASSERT_TRUE(startAndConnect("1000"));
    const std::vector<std::uint8_t> expected = writeFile(1);
    const auto result = transfer();
    ASSERT_TRUE(result.has_value()) << "the transfer never ended";
    EXPECT_EQ(*result, FirmwareResult::Sent);
    EXPECT_FALSE(log.matching("Bluetooth: disconnecting from").empty())
        << "the lamp dropped the link before the cancel: this case is not the one meant";
    EXPECT_TRUE(link().is_connected());
    EXPECT_EQ(fractions(), std::vector<double>{1.0});
    expectBootLoaderHolds(expected);
}

}  // namespace
}  // namespace aq::test
