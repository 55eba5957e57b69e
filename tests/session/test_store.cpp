// The global store's lists and its single lamp link.
#include <gtest/gtest.h>

#include "support/StoreFixture.h"

namespace aq::test {
namespace {

const char* const kDefaultNames[] = {"Royal Blue", "Red",   "Moonlight",
                                     "Navy Blue",  "White", "Purple"};

class Store : public StoreFixture {
protected:
    void addDefaultChannels() {
        double shade = 0.0;
        for (const char* name : kDefaultNames) {
            GlobalStore::channelAdd(name, Color{shade, 0.5, 1.0 - shade, 1.0});
            shade += 0.2;
        }
    }
    static std::vector<std::string> names() {
        std::vector<std::string> out;
        for (const auto& c : store().channels()) out.push_back(c->name());
        return out;
    }
};

struct IndexCase {
    int index;
    std::optional<std::string> name;
};

class ChannelIndex : public Store, public ::testing::WithParamInterface<IndexCase> {};

TEST_P(ChannelIndex, AnIndexBeyondTheCountGivesNothing) {
    addDefaultChannels();
    const auto index = static_cast<std::uint8_t>(GetParam().index);
    EXPECT_EQ(GlobalStore::channelName(index), GetParam().name);
    EXPECT_EQ(GlobalStore::channelColor(index).has_value(), GetParam().name.has_value());
    GlobalStore::channelRemove(index);
    EXPECT_EQ(GlobalStore::channelCount(), GetParam().name ? 5 : 6);
    if (GetParam().name) {
        std::vector<std::string> left(std::begin(kDefaultNames), std::end(kDefaultNames));
        left.erase(left.begin() + GetParam().index);
        EXPECT_EQ(names(), left);
    }
}

INSTANTIATE_TEST_SUITE_P(Indices, ChannelIndex,
                         ::testing::Values(IndexCase{0, "Royal Blue"}, IndexCase{1, "Red"},
                                           IndexCase{5, "Purple"}, IndexCase{6, std::nullopt},
                                           IndexCase{255, std::nullopt}));

TEST_F(Store, AnAddedChannelKeepsItsNameAndColourAndHasNoCurve) {
    addDefaultChannels();
    GlobalStore::channelAdd("UV", Color{0.25, 0.0, 0.75, 1.0});
    const std::uint8_t last = GlobalStore::channelCount() - 1;
    EXPECT_EQ(GlobalStore::channelName(last), "UV");
    EXPECT_EQ(GlobalStore::channelColor(last), (Color{0.25, 0.0, 0.75, 1.0}));
    EXPECT_EQ(store().channel(last)->presentChannel(), nullptr);
}

TEST_F(Store, ClearAndCounts) {
    addDefaultChannels();
    GlobalStore::channelClear();
    EXPECT_EQ(GlobalStore::channelCount(), 0);
    EXPECT_EQ(GlobalStore::deviceCount(), 0);
    for (int i = 0; i < 3; ++i) GlobalStore::deviceAdd();
    EXPECT_EQ(GlobalStore::deviceCount(), 3);
    store().setDevices({});
    EXPECT_EQ(GlobalStore::deviceCount(), 0);
}

TEST_F(Store, CountsNeverWrapPast255) {
    // A lamp reporting 255 slaves would make 256 devices, which an 8-bit
    // count would show as none at all.
    for (int i = 0; i < 256; ++i) GlobalStore::deviceAdd();
    EXPECT_EQ(GlobalStore::deviceCount(), 255);
    for (int i = 0; i < 256; ++i) GlobalStore::channelAdd("c", Color{});
    EXPECT_EQ(GlobalStore::channelCount(), 255);
    EXPECT_EQ(GlobalStore::channelName(254), "c");
    EXPECT_EQ(log.matching("refused").size(), 2u);
}

// Counts how often a lamp link takes the central.
class CountingCentral : public SimCentral {
public:
    using SimCentral::SimCentral;
    void setDelegate(BleCentralDelegate* d) override {
        if (d) ++links;
        SimCentral::setDelegate(d);
    }
    int links = 0;
};

TEST(StoreLife, MadeOnceOnFirstUseWithTheConfiguredCentral) {
    VirtualDispatch dispatch;
    CountingCentral chosen(dispatch, 0.01);
    CountingCentral other(dispatch, 0.01);
    MemoryPreferences preferences;
    GlobalStore::configure(chosen, dispatch, preferences);
    EXPECT_EQ(chosen.links, 0);  // nothing made before first use
    GlobalStore& first = GlobalStore::sharedInstance();
    GlobalStore& second = GlobalStore::sharedInstance();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(&first.btController(), &second.btController());
    EXPECT_EQ(chosen.links, 1);
    // The central is chosen once: a later choice changes nothing.
    GlobalStore::configure(other, dispatch, preferences);
    EXPECT_EQ(&GlobalStore::sharedInstance(), &first);
    EXPECT_EQ(other.links, 0);
    GlobalStore::reset();
}

TEST(StoreLifeDeathTest, TheStoreOutlivesTheCentralAtExit) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // main() owns the central and dispatch and ends before the process does;
    // ending the store at exit would reach into them after they are gone.
    EXPECT_EXIT(
        {
            auto dispatch = std::make_unique<VirtualDispatch>();
            auto central = std::make_unique<SimCentral>(*dispatch, 0.01);
            MemoryPreferences preferences;
            GlobalStore::configure(*central, *dispatch, preferences);
            (void)GlobalStore::sharedInstance();
            central.reset();
            dispatch.reset();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(StoreLifeDeathTest, UseBeforeConfigurationEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(GlobalStore::sharedInstance(), "before GlobalStore::configure");
}

}  // namespace
}  // namespace aq::test
