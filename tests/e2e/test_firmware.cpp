// A firmware transfer through the real Qt Bluetooth central: the lamp drops the link when its
// boot loader opens, the link is made again, and every page reaches the boot loader.
#include <QTemporaryDir>

#include <fstream>

#include "E2eFixture.h"
#include "link/FirmwareUpdate.h"
#include "link/Log.h"
#include "support/HexRecord.h"

namespace aq::test {
namespace {

struct Restart {
    const char* bootRestartMs;  // the lamp restarts into its boot loader after this, connected
    std::size_t pages;
    const char* logged;  // shows the case is the one meant
};

class Firmware : public E2eFixture, public ::testing::WithParamInterface<Restart> {
protected:
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
        return onWorker([this] { return runFirmwareUpdate(link(), _path, _image, [](double) {}); },
                        60.0);
    }

    QTemporaryDir _dir;
    const std::string _path = _dir.filePath(QStringLiteral("firmware.hex")).toStdString();
    HexFile _image;
};

// The lamp drops the link as its boot loader opens, at once; or a second later, longer than the
// transfer's pause after the opening command: then the link cancels the connection before the
// lamp drops it, and connects again while Qt is still closing the old link.
INSTANTIATE_TEST_SUITE_P(E2e, Firmware,
                         ::testing::Values(Restart{"0", 2, "successful connecting"},
                                           Restart{"1000", 1, "Bluetooth: disconnecting from"}));

TEST_P(Firmware, EveryPageArrivesWholeAtTheBootLoaderAcrossTheReconnection) {
    ASSERT_TRUE(
        start({"--slaves", "0", "--delay-ms", "2", "--boot-restart-ms", GetParam().bootRestartMs}));
    ASSERT_TRUE(scanFor(1) && connectAt(0).ready);
    const PeripheralPtr lamp = link().peripheral();
    const std::size_t pages = GetParam().pages;
    const auto result = transfer(pages);
    ASSERT_TRUE(result.has_value()) << "the transfer never ended";
    EXPECT_EQ(*result, FirmwareResult::Sent);
    EXPECT_FALSE(log.matching(GetParam().logged).empty()) << "not the case meant";
    EXPECT_EQ(link().peripheral(), lamp);
    EXPECT_TRUE(link().is_connected());

    QList<uint> addresses;
    for (std::size_t p = 0; p < pages; ++p) addresses.push_back(uint(p * 0x100));
    // The boot loader kept the file's pages from address 0, in order, and nothing else.
    const StandIn::BootLoaderState loader = standIn.bootLoader(0);
    EXPECT_EQ(loader.pageAddresses, addresses);
    EXPECT_EQ(loader.completed, 1);
    EXPECT_EQ(loader.refused, 0);
    ASSERT_EQ(loader.image.size(), 0x20000);
    for (qsizetype i = 0; i < loader.image.size(); ++i) {
        const std::uint8_t expected = std::size_t(i) < pages * 0x100 ? byteAt(i) : 0xFF;
        ASSERT_EQ(static_cast<std::uint8_t>(loader.image[i]), expected) << "byte " << i;
    }
}

}  // namespace
}  // namespace aq::test
