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

    static std::uint8_t byteAt(std::size_t address) {
        return static_cast<std::uint8_t>(address * 13 + 5);
    }

    // Writes pages of data in 32-byte records, carriage-return line ends, and runs the
    // transfer on a worker as the firmware page does; none when it never ended.
    std::optional<FirmwareResult> transfer(std::size_t pages) {
        std::ofstream out(_path, std::ios::binary);
        for (std::size_t a = 0; a < pages * 0x100; a += 0x20) {
            std::vector<std::uint8_t> bytes(0x20);
            for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = byteAt(a + i);
            out << dataRecord(std::uint16_t(a), bytes) << "\r";
        }
        out << ":00000001FF\r";
        out.close();
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

    // The boot loader kept the file's pages from address 0, and nothing else.
    void expectBootLoaderHolds(std::size_t pages) {
        const StandIn::BootLoaderState loader = standIn.bootLoader(0);
        EXPECT_EQ(loader.completed, 1);
        EXPECT_EQ(loader.refused, 0);
        ASSERT_EQ(loader.image.size(), 0x20000);
        for (qsizetype i = 0; i < loader.image.size(); ++i) {
            const std::uint8_t expected = std::size_t(i) < pages * 0x100 ? byteAt(i) : 0xFF;
            ASSERT_EQ(static_cast<std::uint8_t>(loader.image[i]), expected) << "byte " << i;
        }
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
    const auto result = transfer(2);
    ASSERT_TRUE(result.has_value()) << "the transfer never ended";
    EXPECT_EQ(*result, FirmwareResult::Sent);
    EXPECT_EQ(fractions(), (std::vector<double>{0.5, 1.0}));

    // The lamp really went away and came back: the link was made twice.
    EXPECT_TRUE(log.contains("successful connecting")) << "the reconnect did not start";
    EXPECT_TRUE(log.contains("connected")) << "the link was not ready again";
    EXPECT_EQ(link().peripheral(), lamp);
    EXPECT_TRUE(link().is_connected());

    EXPECT_EQ(standIn.bootLoader(0).pageAddresses, (QList<uint>{0x000, 0x100}));
    expectBootLoaderHolds(2);
}

// The lamp takes a second to restart into its boot loader, longer than the transfer's pause
// after the opening command: the link cancels the connection before the lamp drops it, and
// connects again while Qt is still closing the old link.
TEST_F(Firmware, ThePageStillArrivesWholeWhenTheLinkIsCancelledBeforeTheLampDropsIt) {
    ASSERT_TRUE(startAndConnect("1000"));
    const auto result = transfer(1);
    ASSERT_TRUE(result.has_value()) << "the transfer never ended";
    EXPECT_EQ(*result, FirmwareResult::Sent);
    EXPECT_FALSE(log.matching("Bluetooth: disconnecting from").empty())
        << "the lamp dropped the link before the cancel: this case is not the one meant";
    EXPECT_TRUE(link().is_connected());
    EXPECT_EQ(fractions(), std::vector<double>{1.0});
    expectBootLoaderHolds(1);
}

}  // namespace
}  // namespace aq::test
