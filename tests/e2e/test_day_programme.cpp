// A day programme uploaded to every lamp behind the connection and downloaded back, through
// the real Qt Bluetooth central and the stand-in BlueZ.
#include "E2eFixture.h"
#include "ProgrammeTransfer.h"

namespace aq::test {
namespace {

class DayProgramme : public E2eFixture {};

TEST_F(DayProgramme, UploadedToAllLampsAndDownloadedBackUnchanged) {
    ASSERT_TRUE(start({"--lamps", "1", "--slaves", "2", "--delay-ms", "1"}));
    ASSERT_TRUE(scanFor(1));
    ASSERT_TRUE(connectAt(0).ready);
    std::optional<std::uint8_t> slaves;
    link().getSlaves([&](std::uint8_t n) { slaves = n; });
    ASSERT_TRUE(waitUntil([&] { return slaves.has_value(); }, 5.0));
    const unsigned lamps = *slaves + 1u;
    ASSERT_EQ(lamps, 3u);

    ASSERT_EQ(onWorker([lamps] { return uploadProgrammes(link(), lamps); }, 60.0), true);
    for (unsigned d = 0; d < lamps; ++d) {
        SCOPED_TRACE("lamp " + std::to_string(d));
        // What the lamp holds, seen from its side, and what the link reads back.
        EXPECT_EQ(standIn.programme(0, d), programmeFor(d));
        const auto back = onWorker([d] { return downloadProgramme(link(), d); }, 60.0);
        ASSERT_TRUE(back.has_value() && back->has_value());
        EXPECT_EQ(**back, programmeFor(d));
    }
    EXPECT_TRUE(log.matching("!!!").empty()) << "a command was abandoned";
    EXPECT_TRUE(link().is_connected());
}

}  // namespace
}  // namespace aq::test
