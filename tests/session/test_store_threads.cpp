// The store's lists shared between a worker that refills them and readers.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "support/StoreFixture.h"

namespace aq::test {
namespace {

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
