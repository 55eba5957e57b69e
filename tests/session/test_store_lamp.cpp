// The store on the demo lamps, filled the way the connection page fills it
// after a connection: name on the main thread, channels and presettings on a
// worker; and the store's lists shared between a writing worker and readers.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "sim/DemoLamps.h"
#include "support/StoreFixture.h"

namespace aq::test {
namespace {

class StoreOnLamp : public StoreFixture {
protected:
    void SetUp() override {
        demo = makeDemoLamps(central, 2);
        StoreFixture::SetUp();
        BTLEController& link = store().btController();
        link.start_scanning([] {});
        ASSERT_TRUE(dispatch.runUntilTrue([&] { return !link.peripherals().empty(); }));
        bool ready = false;
        link.connect_periperal_at(
            0, [&] { ready = true; }, [] {});
        ASSERT_TRUE(ready);
        store().setConnectedUUID(link.peripheral()->identifier());
    }

    // What the connection page's worker does once the link is ready.
    void readChannelsAndPresets() {
        dispatch.runOnWorker([] {
            BTLEController& link = store().btController();
            GlobalStore::channelClear();
            const std::uint8_t count = link.getChannels().value_or(0);
            for (std::uint8_t c = 0; c < count; ++c) {
                const auto name = link.getChannelName(c);
                const auto colour = link.getChannelColor(c);
                if (name && colour) GlobalStore::channelAdd(*name, colorFromLamp(*colour));
            }
            std::vector<std::string> presets;
            for (std::uint8_t p = 0; p < 6; ++p) {
                presets.push_back(link.getPresettingName(p).value_or(""));
            }
            store().setPresets(presets);
        });
        ASSERT_TRUE(dispatch.runUntilIdle());
    }

    std::shared_ptr<SimModelLamp> demo;
};

TEST_F(StoreOnLamp, ChannelsAndSixPresettingNamesComeFromTheLamp) {
    readChannelsAndPresets();
    const SimLampModel m = demo->model();
    ASSERT_EQ(GlobalStore::channelCount(), m.channels.size());
    for (std::uint8_t c = 0; c < m.channels.size(); ++c) {
        EXPECT_EQ(GlobalStore::channelName(c), m.channels[c].name);
        EXPECT_EQ(GlobalStore::channelColor(c),
                  (Color{m.channels[c].red / 255.0f, m.channels[c].green / 255.0f,
                         m.channels[c].blue / 255.0f, 1.0}));
    }
    std::vector<std::string> expected;
    for (const auto& p : m.presettings) expected.push_back(p.name);
    EXPECT_EQ(store().presets(), expected);
    // The log shows each of them being read, one command at a time.
    EXPECT_EQ(log.matching("--> <96").size(), m.channels.size());
    EXPECT_EQ(log.matching("--> <9f").size(), 6u);
    EXPECT_EQ(log.matching("r:").size(), m.channels.size());
}

TEST_F(StoreOnLamp, TheLampsNameIsKeptUnderItsIdentifier) {
    std::optional<std::string> name;
    store().btController().getName([&](const std::string& n) {
        name = n;
        GlobalStore::setNameForUUID(*store().connectedUUID(), n);
    });
    ASSERT_TRUE(dispatch.runUntilIdle());
    ASSERT_EQ(name, demo->model().nameText());
    EXPECT_EQ(GlobalStore::getNameForUUID(demo->identifier()), name);
}

TEST_F(StoreOnLamp, TheInfoPageBuildsOneDevicePerLamp) {
    store().btController().getSlaves([](std::uint8_t slaves) {
        store().setDevices({});
        for (unsigned i = 0; i <= slaves; ++i) GlobalStore::deviceAdd();
    });
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(GlobalStore::deviceCount(), 3);
}

TEST_F(StoreFixture, ListsRefilledByAWorkerAreReadWholeByTheMainThread) {
    // Real threads, no waiting on time: a worker refills the lists while the
    // main thread reads them. Every value read must be one that was written.
    const std::set<std::string> valid{"Royal Blue", "Red", "Moonlight", "White"};
    (void)store();
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int round = 0; round < 300; ++round) {
            GlobalStore::channelClear();
            for (const auto& n : valid) GlobalStore::channelAdd(n, Color{0.5, 0.5, 0.5, 1.0});
            store().setPresets({"Reef", "Planted"});
            store().setDevices(std::vector<Device>(static_cast<std::size_t>(round % 4)));
        }
        done = true;
    });
    bool allValid = true;
    // At least one read, however fast the writer is.
    do {
        const std::uint8_t count = GlobalStore::channelCount();
        for (std::uint8_t c = 0; c < count; ++c) {
            if (auto n = GlobalStore::channelName(c)) allValid = allValid && valid.count(*n) == 1;
        }
        for (const auto& c : store().channels()) allValid = allValid && valid.count(c->name()) == 1;
        const auto presets = store().presets();
        allValid = allValid && (presets.empty() || presets.size() == 2);
        allValid = allValid && GlobalStore::deviceCount() < 4;
    } while (!done);
    writer.join();
    EXPECT_TRUE(allValid);
    EXPECT_EQ(GlobalStore::channelCount(), 4);
}

}  // namespace
}  // namespace aq::test
