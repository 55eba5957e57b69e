// Discovery, connection and the info reads through the real Qt Bluetooth central, against
// the stand-in BlueZ serving two lamps with two slaves each; the adapter's states as BlueZ
// reports them.
#include "E2eFixture.h"
#include "link/LampUuids.h"

namespace aq::test {
namespace {

const std::string kLamp1 = "00000000-0000-0000-0000-C04A51000001";
const std::string kLamp2 = "00000000-0000-0000-0000-C04A51000002";

class DiscoveryAndConnect : public E2eFixture {};

TEST_F(DiscoveryAndConnect, ListsConnectsAnswersAndListsTheSameLampAgain) {
    // The lamps are heard again every 100 ms while the scan runs, as real ones are.
    ASSERT_TRUE(start({"--lamps", "2", "--slaves", "2", "--advertise-ms", "100"}));
    // --- discovery: each lamp once, by its advertised name, repeats and all.
    ASSERT_TRUE(scanFor(2));
    ASSERT_TRUE(waitUntil([&] { return discoveries >= 6; }, 5.0))
        << "the lamps' later advertisements were not reported";
    const auto lamps = link().peripherals();
    ASSERT_EQ(lamps.size(), 2u);
    for (const auto& lamp : lamps) {
        const bool first = lamp->identifier() == kLamp1;
        EXPECT_TRUE(first || lamp->identifier() == kLamp2) << lamp->identifier();
        EXPECT_EQ(lamp->name(), first ? "AQ Lamp 1" : "AQ Lamp 2");
        EXPECT_EQ(lamp->state(), PeripheralState::Disconnected);
    }
    EXPECT_TRUE(link().BTLEisPoweredOn());

    // --- connect to the second lamp, as the user would pick it from the table.
    const std::size_t index = indexOf(kLamp2);
    ASSERT_LT(index, 2u);
    const PeripheralPtr chosen = link().peripherals()[index];
    const ConnectResult connected = connectAt(index);
    ASSERT_TRUE(connected.ready);
    EXPECT_FALSE(connected.failed);
    EXPECT_TRUE(link().is_connected());
    EXPECT_FALSE(link().is_scanning());
    EXPECT_EQ(link().peripheral(), chosen);
    EXPECT_LT(connected.seconds, 2.5) << "the connect waited past the period it became ready in";
    ASSERT_TRUE(link().rw_characteristic() && link().test_characteristic() &&
                link().bl_characteristic());
    EXPECT_EQ(link().rw_characteristic()->uuid(), kCommandCharacteristicUUID);
    EXPECT_EQ(link().test_characteristic()->uuid(), kTestCharacteristicUUID);
    EXPECT_EQ(link().bl_characteristic()->uuid(), kBootLoaderCharacteristicUUID);
    EXPECT_EQ(log.matching("connection is ready").size(), 1u);

    // --- the reads the info page makes, through BlueZ.
    std::optional<LampInfo> info;
    store().session().readInfo(false, {}, [&](const LampInfo& read) { info = read; });
    ASSERT_TRUE(waitUntil([&] { return info.has_value(); }, 10.0));
    EXPECT_TRUE(info->clock.has_value());
    EXPECT_EQ(info->slaves, 2);

    // --- back to the connection page: the lamp is listed again, as the same handle.
    link().disconnect();
    EXPECT_FALSE(link().is_connected());
    ASSERT_TRUE(waitUntil([&] { return chosen->state() == PeripheralState::Disconnected; }, 5.0));
    ASSERT_TRUE(scanFor(2));
    const std::size_t again = indexOf(kLamp2);
    ASSERT_LT(again, 2u);
    EXPECT_EQ(link().peripherals()[again], chosen);

    // --- and it connects again.
    EXPECT_TRUE(connectAt(again).ready);
    EXPECT_TRUE(link().is_connected());
}

struct AdapterCase {
    QStringList options;
    CentralState state;
    bool canPowerOn;
};

class Adapters : public E2eFixture, public ::testing::WithParamInterface<AdapterCase> {};

INSTANTIATE_TEST_SUITE_P(
    E2e, Adapters,
    ::testing::Values(AdapterCase{{"--no-adapter"}, CentralState::Unsupported, false},
                      AdapterCase{{"--adapter-off"}, CentralState::PoweredOff, true}));

// Without an adapter, or with it switched off, the link says so (the connection page shows it);
// a switched-off adapter can be turned on from the application.
TEST_P(Adapters, AreReportedAndASwitchedOffOneIsTurnedOn) {
    ASSERT_TRUE(start(GetParam().options));
    EXPECT_TRUE(waitUntil([&] { return link().centralState() == GetParam().state; }, 5.0));
    EXPECT_FALSE(link().BTLEisPoweredOn());
    ASSERT_EQ(central->canPowerOn(), GetParam().canPowerOn);
    if (!GetParam().canPowerOn) return;
    link().powerOn();
    EXPECT_TRUE(waitUntil([] { return link().BTLEisPoweredOn(); }, 5.0));
    EXPECT_TRUE(scanFor(1));
}

}  // namespace
}  // namespace aq::test
