// The firmware transfer against a simulated lamp on virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "link/FirmwareUpdate.h"
#include "link/LampUuids.h"
#include "support/HexRecord.h"
#include "support/LinkFixture.h"

namespace aq::test {
namespace {

const char* const kEnd = ":00000001FF";

class FirmwareUpdate : public LinkFixture {
protected:
    void SetUp() override { connectFirst(); }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove(_path, ignored);
    }

    std::string writeFile(const std::vector<std::string>& lines, const char* ending = "\r\n") {
        std::ofstream out(_path, std::ios::binary);
        for (const auto& l : lines) out << l << ending;
        return _path.string();
    }

    FirmwareResult run(const std::string& path) {
        std::optional<FirmwareResult> result;
        dispatch.runOnWorker([&] {
            result = runFirmwareUpdate(controller, path, image,
                                       [&](double f) { fractions.push_back(f); });
        });
        EXPECT_TRUE(dispatch.runUntilIdle(100000.0));
        return result.value_or(FirmwareResult::NotConnected);
    }

    // What reached the boot-loader characteristic, in order.
    std::vector<Bytes> bootLoaderPackets() const {
        std::vector<Bytes> out;
        for (const auto& r : lamp->received()) {
            if (r.characteristic == kBootLoaderCharacteristicUUID) out.push_back(r.data);
        }
        return out;
    }

    static Bytes part(std::uint8_t index, const std::vector<std::uint8_t>& bytes) {
        Bytes p{0x03, index};
        p.insert(p.end(), bytes.begin(), bytes.end());
        return p;
    }

    HexFile image;
    std::vector<double> fractions;
    std::filesystem::path _path = std::filesystem::temp_directory_path() / uniqueName();

    static std::string uniqueName() {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name) {
            if (c == '/') c = '_';
        }
        return "aq-fw-" + std::to_string(::getpid()) + "-" + name + ".hex";
    }
};

TEST_F(FirmwareUpdate, SendsOnePageExactlyInOrder) {
    const auto path = writeFile({":10000000000102030405060708090A0B0C0D0E0F78", kEnd});
    EXPECT_EQ(run(path), FirmwareResult::Sent);

    std::vector<Bytes> expected = {{0x1E}, {0x01}};
    expected.push_back(part(0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    for (std::uint8_t i = 1; i < 16; ++i)
        expected.push_back(part(i, std::vector<std::uint8_t>(16, 0xFF)));
    expected.push_back({0x04, 0x00, 0x00, 0x00, 0x00});
    expected.push_back({0x02});
    EXPECT_EQ(bootLoaderPackets(), expected);
    // The link was dropped and made again between the opening and start commands.
    EXPECT_TRUE(log.contains("successful connecting"));
    EXPECT_TRUE(log.contains("connected"));
    EXPECT_EQ(log.matching("---").size(), 1u);
    EXPECT_EQ(fractions, std::vector<double>{1.0});
    // Only the opening command goes unanswered: the lamp restarts into its
    // boot loader instead.
    EXPECT_EQ(log.matching("!!!").size(), 1u);
    const auto& loader = lamp->bootLoader();
    EXPECT_EQ(loader.completedUpdates(), 1);
    EXPECT_EQ(loader.refusedPackets(), 0);
    EXPECT_EQ(loader.pageAddresses(), std::vector<std::uint32_t>{0});
}

// Each answer takes longer than the pause between packets: every packet still arrives, in
// order, so the boot loader keeps the file's image.
TEST_F(FirmwareUpdate, ASlowLampEndsUpWithTheFilesImage) {
    SimFaults slow;
    slow.lateBy = 0.4;
    lamp->setFaults(slow);
    std::vector<std::string> lines;
    std::vector<std::uint8_t> expected(0x400);
    for (std::uint16_t a = 0; a < 0x400; a += 0x20) {
        std::vector<std::uint8_t> bytes(0x20);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>((a + i) * 7 + 3);
            expected[a + i] = bytes[i];
        }
        lines.push_back(dataRecord(a, bytes));
    }
    lines.push_back(kEnd);
    ASSERT_EQ(run(writeFile(lines)), FirmwareResult::Sent);
    const auto& loader = lamp->bootLoader();
    ASSERT_EQ(loader.completedUpdates(), 1);
    EXPECT_EQ(loader.refusedPackets(), 0);
    const auto kept = loader.image();
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), kept.begin()));
    EXPECT_TRUE(std::all_of(kept.begin() + 0x400, kept.end(), [](auto b) { return b == 0xFF; }));
    EXPECT_EQ(fractions, (std::vector<double>{0.25, 0.5, 0.75, 1.0}));
}

TEST_F(FirmwareUpdate, PageAddressesCountThePagesSentNotTheirPlace) {
    std::vector<std::string> lines;
    for (std::uint16_t a : {0x0000, 0x0300}) lines.push_back(dataRecord(a, {0xAA, 0xBB}));
    lines.push_back(kEnd);
    EXPECT_EQ(run(writeFile(lines)), FirmwareResult::Sent);
    std::vector<Bytes> pagePackets;
    for (const auto& p : bootLoaderPackets()) {
        if (p[0] == 0x04) pagePackets.push_back(p);
    }
    EXPECT_EQ(pagePackets, (std::vector<Bytes>{{0x04, 0, 0, 0x00, 0}, {0x04, 0, 0, 0x01, 0}}));
    EXPECT_EQ(bootLoaderPackets().size(), 2u + 2 * 17 + 1);
    EXPECT_EQ(fractions, (std::vector<double>{0.5, 1.0}));
    // The boot loader puts the second page where its packet says: 0x100.
    EXPECT_EQ(lamp->bootLoader().pageAddresses(), (std::vector<std::uint32_t>{0x000, 0x100}));
}

TEST_F(FirmwareUpdate, ALinkLostDuringTheTransferEndsItPromptly) {
    std::vector<std::string> lines;
    for (std::uint16_t a = 0; a < 0x1000; a += 0x100) lines.push_back(dataRecord(a, {1}));
    lines.push_back(kEnd);
    const auto path = writeFile(lines);
    SimFaults drop;
    drop.dropLinkAt = lamp->receivedCount() + 10;
    lamp->setFaults(drop);
    const double start = dispatch.now();
    EXPECT_EQ(run(path), FirmwareResult::LinkLost);
    // One time-out, not one per remaining packet.
    EXPECT_LT(dispatch.now() - start, 30.0);
}

struct RefusalCase {
    const char* name;
    std::vector<std::string> lines;
    const char* ending;
    FirmwareResult expected;
};

class Refusal : public FirmwareUpdate, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, SendsNothing) {
    const auto path = writeFile(GetParam().lines, GetParam().ending);
    EXPECT_EQ(run(path), GetParam().expected);
    EXPECT_TRUE(bootLoaderPackets().empty());
    EXPECT_TRUE(lamp->received().empty());
    EXPECT_TRUE(fractions.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, Refusal,
    ::testing::Values(
        RefusalCase{"Empty", {}, "\r\n", FirmwareResult::NoData},
        RefusalCase{"OnlyTheEnd", {kEnd}, "\r\n", FirmwareResult::NoData},
        RefusalCase{"LineFeedsOnly", {dataRecord(0, {1, 2}), kEnd}, "\n", FirmwareResult::NoData},
        RefusalCase{"WrongChecksum", {":0100000001FF", kEnd}, "\r\n", FirmwareResult::BadRecord},
        RefusalCase{"BadRecordAfterData",
                    {dataRecord(0, {1, 2}), ":020000040000FA", kEnd},
                    "\r\n",
                    FirmwareResult::BadRecord},
        RefusalCase{"CutShort", {dataRecord(0, {1, 2})}, "\r\n", FirmwareResult::NoEndRecord}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirmwareUpdate, AMissingFileOrEmptyPathSendsNothing) {
    EXPECT_EQ(run("/nonexistent/firmware.hex"), FirmwareResult::CannotOpen);
    EXPECT_EQ(run(""), FirmwareResult::CannotOpen);
    EXPECT_TRUE(lamp->received().empty());
}

TEST_F(FirmwareUpdate, WithoutALampNothingIsSent) {
    const auto path = writeFile({dataRecord(0, {1}), kEnd});
    controller.disconnect();
    EXPECT_EQ(run(path), FirmwareResult::NotConnected);
    EXPECT_TRUE(lamp->received().empty());
}

}  // namespace
}  // namespace aq::test
