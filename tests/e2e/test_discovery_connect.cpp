// Discovery, connection and the first reads through the real Qt Bluetooth central, against
// the stand-in BlueZ serving two lamps with two slaves each.
#include "E2eFixture.h"
#include "link/LampUuids.h"

namespace aq::test {
namespace {

const std::string kLamp1 = "00000000-0000-0000-0000-C04A51000001";
const std::string kLamp2 = "00000000-0000-0000-0000-C04A51000002";

class DiscoveryAndConnect : public E2eFixture {
protected:
    // The row the connection page shows for the lamp: the stored name, else the advertised one.
    static std::string shownName(const PeripheralPtr& lamp) {
        return GlobalStore::getNameForUUID(lamp->identifier())
            .value_or(lamp->name().value_or("(none)"));
    }
};

TEST_F(DiscoveryAndConnect, ListsConnectsReadsAndListsAgainByTheStoredName) {
    // The lamps are heard again every 100 ms while the scan runs, as real ones are.
    ASSERT_TRUE(start({"--lamps", "2", "--slaves", "2", "--advertise-ms", "100"}));
    // --- discovery: each lamp once, by its advertised name, repeats and all.
    ASSERT_TRUE(scanFor(2));
    ASSERT_TRUE(waitUntil([&] { return discoveries >= 6; }, 5.0))
        << "the lamps' later advertisements were not reported";
    auto lamps = link().peripherals();
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
    ASSERT_TRUE(link().rw_characteristic());
    ASSERT_TRUE(link().test_characteristic());
    ASSERT_TRUE(link().bl_characteristic());
    EXPECT_EQ(link().rw_characteristic()->uuid(), kCommandCharacteristicUUID);
    EXPECT_EQ(link().test_characteristic()->uuid(), kTestCharacteristicUUID);
    EXPECT_EQ(link().bl_characteristic()->uuid(), kBootLoaderCharacteristicUUID);
    EXPECT_EQ(log.matching("connection is ready").size(), 1u);

    // --- what the connection page reads: name, channels, presettings, slaves.
    const auto lamp = readLamp();
    ASSERT_TRUE(lamp);
    EXPECT_EQ(GlobalStore::getNameForUUID(kLamp2), "Tank 2");
    EXPECT_EQ(GlobalStore::getNameForUUID(kLamp1), std::nullopt);
    const std::vector<std::string> names = {"Royal Blue", "Red",   "Moonlight",
                                            "Navy Blue",  "White", "Purple"};
    ASSERT_EQ(lamp->channels.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(lamp->channels[i].name, names[i]);
    EXPECT_EQ(lamp->presettings,
              (std::vector<std::string>{"Reef", "Planted", "Cichlid", "Marine", "Nano", "User"}));
    EXPECT_EQ(lamp->slaves, 2);

    // --- back to the connection page: the lamp is listed again, as the same handle, under
    // the name it told.
    link().disconnect();
    EXPECT_FALSE(link().is_connected());
    ASSERT_TRUE(waitUntil([&] { return chosen->state() == PeripheralState::Disconnected; }, 5.0));
    ASSERT_TRUE(scanFor(2));
    lamps = link().peripherals();
    const std::size_t again = indexOf(kLamp2);
    ASSERT_LT(again, 2u);
    EXPECT_EQ(lamps[again], chosen);
    EXPECT_EQ(shownName(lamps[again]), "Tank 2");
    EXPECT_EQ(shownName(lamps[1 - again]), "AQ Lamp 1");

    // --- and it connects again.
    const ConnectResult reconnected = connectAt(again);
    EXPECT_TRUE(reconnected.ready);
    EXPECT_TRUE(link().is_connected());
    std::optional<std::string> name;
    link().getName([&](const std::string& text) { name = text; });
    ASSERT_TRUE(waitUntil([&] { return name.has_value(); }, 5.0));
    EXPECT_EQ(name, "Tank 2");
}

}  // namespace
}  // namespace aq::test
