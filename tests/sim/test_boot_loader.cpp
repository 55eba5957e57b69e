// The simulated boot loader: what it takes and what it refuses.
#include <gtest/gtest.h>

#include "sim/SimBootLoader.h"

namespace aq {
namespace {

using V = SimBootLoader::Verdict;

Bytes part(std::uint8_t index, std::uint8_t fill) {
    Bytes p{0x03, index};
    p.resize(18, fill);
    return p;
}

void sendPage(SimBootLoader& loader, std::uint8_t fill, std::uint8_t addressByte) {
    for (std::uint8_t i = 0; i < 16; ++i) ASSERT_EQ(loader.take(part(i, fill)), V::Answer);
    ASSERT_EQ(loader.take({0x04, 0x00, 0x00, addressByte, 0x00}), V::Answer);
}

TEST(SimBootLoader, TakesACompleteUpdateAndKeepsItsImage) {
    SimBootLoader loader;
    EXPECT_EQ(loader.take({0x1E}), V::DropLink);
    EXPECT_EQ(loader.mode(), SimBootLoader::Mode::Opened);
    EXPECT_EQ(loader.take({0x01}), V::Answer);
    sendPage(loader, 0xAB, 0x00);
    sendPage(loader, 0xCD, 0x05);
    EXPECT_EQ(loader.take({0x02}), V::Answer);
    EXPECT_EQ(loader.mode(), SimBootLoader::Mode::Normal);
    EXPECT_EQ(loader.completedUpdates(), 1);
    const auto image = loader.image();
    EXPECT_EQ(image[0x000], 0xAB);
    EXPECT_EQ(image[0x0FF], 0xAB);
    EXPECT_EQ(image[0x100], 0xFF);
    EXPECT_EQ(image[0x500], 0xCD);
    EXPECT_EQ(loader.pageAddresses(), (std::vector<std::uint32_t>{0x000, 0x500}));
}

struct Misstep {
    const char* name;
    std::vector<Bytes> before;  // taken first, after opening and starting
    Bytes packet;               // must be refused
};

class RefusedPacket : public ::testing::TestWithParam<Misstep> {};

TEST_P(RefusedPacket, IsNeverAnsweredAndChangesNothing) {
    SimBootLoader loader;
    loader.take({0x1E});
    loader.take({0x01});
    for (const auto& b : GetParam().before) ASSERT_EQ(loader.take(b), V::Answer);
    EXPECT_EQ(loader.take(GetParam().packet), V::Refuse);
    EXPECT_EQ(loader.refusedPackets(), 1);
    EXPECT_EQ(loader.completedUpdates(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, RefusedPacket,
    ::testing::Values(Misstep{"PartOutOfOrder", {}, part(1, 0)},
                      Misstep{"PartRepeated", {part(0, 0)}, part(0, 0)},
                      Misstep{"PartTooShort", {}, Bytes{0x03, 0x00, 0x01}},
                      Misstep{"PageBeforeItsParts", {part(0, 0)}, Bytes{0x04, 0, 0, 0, 0}},
                      Misstep{"PageAddressLowByteSet", {}, Bytes{0x04, 0, 0, 0, 1}},
                      Misstep{"EndInsideAPage", {part(0, 0)}, Bytes{0x02}},
                      Misstep{"StartTwice", {}, Bytes{0x01}},
                      Misstep{"UnknownOpcode", {}, Bytes{0x07}}, Misstep{"Empty", {}, Bytes{}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimBootLoader, RefusesEverythingButTheOpeningCommandInNormalOperation) {
    SimBootLoader loader;
    EXPECT_EQ(loader.take({0x01}), V::Refuse);
    EXPECT_EQ(loader.take(part(0, 0)), V::Refuse);
    EXPECT_EQ(loader.take({0x02}), V::Refuse);
    EXPECT_EQ(loader.refusedPackets(), 3);
}

TEST(SimBootLoader, APageBeyondTheImageIsRefused) {
    SimBootLoader loader;
    loader.take({0x1E});
    loader.take({0x01});
    for (std::uint8_t i = 0; i < 16; ++i) loader.take(part(i, 0));
    EXPECT_EQ(loader.take({0x04, 0x00, 0x02, 0x00, 0x00}), V::Refuse);  // 0x20000
    EXPECT_EQ(loader.take({0x04, 0x00, 0x01, 0xFF, 0x00}), V::Answer);  // the last page
}

}  // namespace
}  // namespace aq
