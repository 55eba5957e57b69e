// Discovery, connection and the first reads through the real Qt Bluetooth central, against
// the stand-in BlueZ serving two lamps with two slaves each.
#include <ctime>

#include "E2eFixture.h"
#include "link/LampUuids.h"
#include "state/Channel.h"

namespace aq::test {
namespace {

const std::string kLamp1 = "00000000-0000-0000-0000-C04A51000001";
const std::string kLamp2 = "00000000-0000-0000-0000-C04A51000002";

class DiscoveryAndConnect : public E2eFixture {
protected:
    // The lamps are heard again every 100 ms while the scan runs, as real ones are.
    DiscoveryAndConnect()
        : E2eFixture({"--lamps", "2", "--slaves", "2", "--advertise-ms", "100"}) {}

    // The row the connection page shows for the lamp: the stored name, else the advertised one.
    static std::string shownName(const PeripheralPtr& lamp) {
        return GlobalStore::getNameForUUID(lamp->identifier())
            .value_or(lamp->name().value_or("(none)"));
    }

    std::optional<std::size_t> indexOf(const std::string& identifier) {
        const auto lamps = link().peripherals();
        for (std::size_t i = 0; i < lamps.size(); ++i) {
            if (lamps[i]->identifier() == identifier) return i;
        }
        return std::nullopt;
    }
};

TEST_F(DiscoveryAndConnect, ListsConnectsReadsAndListsAgainByTheStoredName) {
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
        EXPECT_EQ(shownName(lamp), first ? "AQ Lamp 1" : "AQ Lamp 2");
        EXPECT_EQ(lamp->state(), PeripheralState::Disconnected);
    }
    EXPECT_TRUE(link().BTLEisPoweredOn());

    // --- connect to the second lamp, as the user would pick it from the table.
    const auto index = indexOf(kLamp2);
    ASSERT_TRUE(index.has_value());
    const PeripheralPtr chosen = link().peripherals()[*index];
    const ConnectResult connected = connectAt(*index);
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

    // --- what the connection page reads: name, channels, presettings.
    ASSERT_TRUE(readLampIntoStore());
    EXPECT_EQ(store().connectedUUID(), kLamp2);
    EXPECT_EQ(GlobalStore::getNameForUUID(kLamp2), "Tank 2");
    EXPECT_EQ(GlobalStore::getNameForUUID(kLamp1), std::nullopt);
    const auto channels = store().channels();
    const std::vector<std::string> names = {"Royal Blue", "Red",   "Moonlight",
                                            "Navy Blue",  "White", "Purple"};
    ASSERT_EQ(channels.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(channels[i]->name(), names[i]);
    // Royal blue is 0x41 0x69 0xE1 on the lamp.
    const Color blue = channels[0]->color();
    EXPECT_NEAR(blue.red, 0x41 / 255.0, 1e-6);
    EXPECT_NEAR(blue.green, 0x69 / 255.0, 1e-6);
    EXPECT_NEAR(blue.blue, 0xE1 / 255.0, 1e-6);
    EXPECT_EQ(store().presets(),
              (std::vector<std::string>{"Reef", "Planted", "Cichlid", "Marine", "Nano", "User"}));

    // --- the info page's chain: each request sent from the previous answer's handler.
    std::optional<LampDateTime> clock;
    std::optional<unsigned> slaves;
    std::optional<std::string> firmware;
    std::optional<std::uint64_t> serial;
    std::optional<std::uint32_t> energy;
    const std::time_t asked = std::time(nullptr);
    link().getRTC([&](const LampDateTime& t) {
        clock = t;
        link().getSlaves([&](std::uint8_t n) {
            slaves = n;
            link().getFirmware([&](const std::string& text) {
                firmware = text;
                link().getSerialNo([&](std::uint64_t value) {
                    serial = value;
                    link().getPowerConsumption([&](std::uint32_t value) { energy = value; });
                });
            });
        });
    });
    ASSERT_TRUE(waitUntil([&] { return energy.has_value(); }, 10.0))
        << "the info chain stopped; clock " << clock.has_value() << " slaves " << slaves.has_value()
        << " firmware " << firmware.has_value() << " serial " << serial.has_value();
    EXPECT_EQ(slaves, 2u);
    EXPECT_EQ(firmware, "1.0.7");
    EXPECT_EQ(serial, 0x0000A0C120240117ull);
    EXPECT_EQ(energy, 412u);
    // The stand-in set its lamps' clocks to the local time when it started.
    ASSERT_TRUE(clock->valid());
    std::tm local{};
    localtime_r(&asked, &local);
    const LampDateTime now{local.tm_year + 1900,    unsigned(local.tm_mon + 1),
                           unsigned(local.tm_mday), unsigned(local.tm_hour),
                           unsigned(local.tm_min),  unsigned(std::min(local.tm_sec, 59))};
    const auto drift = *clock->toLocalSeconds() - *now.toLocalSeconds();
    EXPECT_LE(std::abs(drift.count()), 60)
        << "the lamp's clock is off by " << drift.count() << " s";

    // --- back to the connection page: the lamp is listed again, as the same handle, under
    // the name it told.
    link().disconnect();
    EXPECT_FALSE(link().is_connected());
    ASSERT_TRUE(waitUntil([&] { return chosen->state() == PeripheralState::Disconnected; }, 5.0));
    ASSERT_TRUE(scanFor(2));
    lamps = link().peripherals();
    const auto again = indexOf(kLamp2);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(lamps[*again], chosen);
    EXPECT_EQ(shownName(lamps[*again]), "Tank 2");
    EXPECT_EQ(shownName(lamps[1 - *again]), "AQ Lamp 1");

    // --- and it connects again.
    const ConnectResult reconnected = connectAt(*again);
    EXPECT_TRUE(reconnected.ready);
    EXPECT_TRUE(link().is_connected());
    std::optional<std::string> name;
    link().getName([&](const std::string& text) { name = text; });
    ASSERT_TRUE(waitUntil([&] { return name.has_value(); }, 5.0));
    EXPECT_EQ(name, "Tank 2");
}

}  // namespace
}  // namespace aq::test
