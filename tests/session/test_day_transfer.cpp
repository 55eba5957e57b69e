// The transfers' planning and checking, without a lamp: which channels an
// upload sends, how a read-back differs, what is known of a lamp.
#include <gtest/gtest.h>

#include "session/DayTransfer.h"
#include "session/LampProgrammeState.h"

namespace aq {
namespace {

TEST(ChangedChannels, AreThoseNotKnownToHoldTheWantedPoints) {
    const LampChannel a{{60, 10}, {600, 200}, {1200, 0}};
    const LampChannel moved{{60, 10}, {610, 200}, {1200, 0}};
    const LampChannel added{{60, 10}, {600, 200}, {900, 50}, {1200, 0}};
    struct Case {
        const char* name;
        std::optional<KnownProgramme> known;
        std::vector<LampChannel> wanted;
        std::vector<std::uint8_t> changed;
    };
    const Case cases[] = {
        {"no change", KnownProgramme{a, a, LampChannel{}}, {a, a, {}}, {}},
        {"one point moved", KnownProgramme{a, a, a}, {a, moved, a}, {1}},
        {"a point added", KnownProgramme{a, a, a}, {a, a, added}, {2}},
        {"a channel emptied", KnownProgramme{a, a, a}, {{}, a, a}, {0}},
        {"a new device", std::nullopt, {a, {}, a}, {0, 1, 2}},
        {"a channel not known", KnownProgramme{a, std::nullopt}, {a, a, a}, {1, 2}},
        {"points in another order", KnownProgramme{LampChannel{a[1], a[0], a[2]}}, {a}, {0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(changedChannels(c.wanted, c.known), c.changed) << c.name;
    }
}

TEST(PlanUpload, CountsAWriteAndEachPointPerChannelTwiceWhenVerified) {
    const std::vector<LampChannel> wanted{{{60, 10}, {600, 200}, {1200, 0}}, {}};
    for (const bool verify : {false, true}) {
        const UploadPlan plan = planUpload({0, 1}, wanted, LampMemory{}, true, verify);
        ASSERT_EQ(plan.targets.size(), 2u);
        EXPECT_EQ(plan.targets[1].channels, (std::vector<std::uint8_t>{0, 1}));
        EXPECT_EQ(plan.commandTotal, (verify ? 2 : 1) * 2 * ((1 + 3) + (1 + 0)));
    }
}

TEST(FirstMismatch, NamesTheFirstPointOrTheCountThatDiffers) {
    const LampChannel sent{{60, 10}, {600, 200}, {1200, 0}};
    struct Case {
        const char* name;
        LampChannel read;
        bool differs;
        int point;
    };
    const Case cases[] = {
        {"as sent", sent, false, 0},
        {"a point dropped", {{60, 10}, {0, 0}, {1200, 0}}, true, 1},
        {"a point altered", {{60, 10}, {600, 201}, {1200, 0}}, true, 1},
        {"a point short", {{60, 10}, {600, 200}}, true, -1},
        {"a point more", {{60, 10}, {600, 200}, {1200, 0}, {1300, 5}}, true, -1},
    };
    for (const Case& c : cases) {
        const auto m = firstMismatch(sent, c.read);
        ASSERT_EQ(m.has_value(), c.differs) << c.name;
        if (!m) continue;
        EXPECT_EQ(m->point, c.point) << c.name;
        EXPECT_EQ(m->readCount, int(c.read.size())) << c.name;
        if (m->point >= 0) {
            EXPECT_NE(m->read, m->sent) << c.name;
        }
    }
}

TEST(LampProgrammeState, KnowsOnlyUnderTheLampAndEpochItLearntUnder) {
    LampProgrammeState state;
    const LampChannel a{{60, 10}};
    state.remember("lamp A", 7, 1, 2, a);
    const auto known = state.known("lamp A", 7, 1);
    ASSERT_TRUE(known);
    ASSERT_EQ(known->size(), 3u);
    EXPECT_FALSE((*known)[0]);
    EXPECT_EQ((*known)[2], a);
    EXPECT_FALSE(state.known("lamp A", 7, 0)) << "another device";
    EXPECT_FALSE(state.known("lamp B", 7, 1)) << "another lamp";
    EXPECT_FALSE(state.known("lamp A", 8, 1)) << "another epoch";
    // Learning under a new epoch forgets the old one's knowledge.
    state.remember("lamp A", 8, 0, 0, a);
    EXPECT_FALSE(state.known("lamp A", 7, 1));
    state.forgetChannel("lamp A", 8, 0, 0);
    EXPECT_FALSE(state.known("lamp A", 8, 0));
}

}  // namespace
}  // namespace aq
