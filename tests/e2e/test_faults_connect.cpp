// Faults around finding and connecting a lamp, through the real Qt Bluetooth central: a lamp
// that refuses the connection, a service UUID that comes late, a switched-off lamp's late
// failure. (A lamp that is never ready is the link tests': BlueZ adds nothing to it.)
#include "E2eFixture.h"

namespace aq::test {
namespace {

class ConnectFaults : public E2eFixture {};

TEST_F(ConnectFaults, ARefusedConnectEndsAtOnceAndALaterConnectWorks) {
    ASSERT_TRUE(start({"--refuse-connect"}));
    ASSERT_TRUE(scanFor(1));
    const PeripheralPtr lamp = link().peripherals()[0];
    const ConnectResult connected = connectAt(0);
    EXPECT_FALSE(connected.ready);
    EXPECT_TRUE(connected.failed);
    // Ended within the wait period in which the failure arrived, not after ten.
    EXPECT_LT(connected.seconds, 2.5);
    EXPECT_EQ(link().connectFailure(), BTLEController::ConnectFailure::Refused);
    EXPECT_EQ(log.matching("failed to conntect to").size(), 1u);
    EXPECT_FALSE(link().is_connected());
    EXPECT_EQ(link().peripheral(), nullptr);
    EXPECT_EQ(standIn.writeCount(0), 0);
    expectRecovers(lamp);
}

TEST_F(ConnectFaults, ALampSeenBeforeItsServiceUuidIsStillFoundAndConnects) {
    // The lamp is first seen without its service; the UUID follows 300 ms later.
    ASSERT_TRUE(start({"--late-uuid-ms", "300"}));
    ASSERT_TRUE(scanFor(1, 10.0));
    const std::string standInLog = standIn.log();
    const auto seen = standInLog.find("seen without its service UUID");
    const auto arrives = standInLog.find("service UUID arrives");
    ASSERT_NE(seen, std::string::npos);
    ASSERT_NE(arrives, std::string::npos);
    EXPECT_LT(seen, arrives);
    EXPECT_EQ(link().peripherals()[0]->name(), "AQ Lamp 1");
    EXPECT_TRUE(connectAt(0).ready);
}

// BlueZ's late failure of the abandoned attempt must not drop the lamp connected since. Only
// BlueZ lets an attempt outlive the link's wait; the simulated central never does.
TEST_F(ConnectFaults, ASwitchedOffLampsLateConnectFailureLeavesTheLampConnectedSinceAlone) {
    // The first lamp is off: BlueZ keeps trying to connect it for 13 s, longer than the link's
    // ten wait periods, then gives up.
    ASSERT_TRUE(start({"--lamps", "2", "--fault-lamp", "0", "--absent-connect-ms", "13000"}));
    ASSERT_TRUE(scanFor(2));
    const std::string off = "00000000-0000-0000-0000-C04A51000001";
    const ConnectResult first = connectAt(indexOf(off));
    EXPECT_FALSE(first.ready);
    EXPECT_TRUE(first.failed) << "the connect that never completed reported nothing";

    // The user picks the other lamp meanwhile.
    ASSERT_TRUE(scanFor(2));
    const std::size_t other = indexOf("00000000-0000-0000-0000-C04A51000002");
    ASSERT_LT(other, 2u);
    const PeripheralPtr lamp = link().peripherals()[other];
    ASSERT_TRUE(connectAt(other).ready);

    // BlueZ gives up on the first lamp now, and Qt says so; the lamp in use must not care.
    ASSERT_TRUE(waitUntil(
        [&] { return !log.matching("Bluetooth: connecting to " + off + " failed").empty(); },
        10.0));
    EXPECT_TRUE(link().is_connected());
    EXPECT_EQ(link().peripheral(), lamp);
    EXPECT_TRUE(link().rw_characteristic());
    EXPECT_EQ(onWorker([] { return link().getChannels(); }, 10.0), std::optional<std::uint8_t>(6));
}

}  // namespace
}  // namespace aq::test
