// The persisted table of lamp names: appended pairs, the last exact match
// wins, and stored values of any shape are read without a crash.
#include <gtest/gtest.h>

#include "state/LampNames.h"
#include "support/StoreFixture.h"

namespace aq::test {
namespace {

using List = PreferenceValue::List;

PreferenceValue pair(const char* uuid, const char* name) {
    return List{uuid, name};
}

struct LookUpCase {
    const char* name;
    std::optional<PreferenceValue> stored;
    const char* uuid;
    std::optional<std::string> expected;
};

void PrintTo(const LookUpCase& c, std::ostream* os) {
    *os << c.name;
}

class LookUp : public StoreFixture, public ::testing::WithParamInterface<LookUpCase> {};

TEST_P(LookUp, FindsTheLastExactMatch) {
    if (GetParam().stored) preferences.setValue(kUUIDNameArray, *GetParam().stored);
    EXPECT_EQ(GlobalStore::getNameForUUID(GetParam().uuid), GetParam().expected);
}

const char* const A = "0A1B2C3D-0000-0000-0000-00000000000A";
const char* const a = "0a1b2c3d-0000-0000-0000-00000000000a";
const char* const B = "0A1B2C3D-0000-0000-0000-00000000000B";

INSTANTIATE_TEST_SUITE_P(
    Tables, LookUp,
    ::testing::Values(
        LookUpCase{"noTable", std::nullopt, A, std::nullopt},
        LookUpCase{"emptyTable", List{}, A, std::nullopt},
        LookUpCase{"onePair", List{pair(A, "Tank")}, A, "Tank"},
        LookUpCase{"otherLamp", List{pair(B, "Tank")}, A, std::nullopt},
        LookUpCase{"laterPairOverrides", List{pair(A, "One"), pair(B, "Other"), pair(A, "Two")}, A,
                   "Two"},
        LookUpCase{"caseMatters", List{pair(a, "Tank")}, A, std::nullopt},
        LookUpCase{"noTrimming", List{pair("0A1B2C3D-0000-0000-0000-00000000000A ", "Tank")}, A,
                   std::nullopt},
        LookUpCase{"emptyNameIsAName", List{pair(A, "Tank"), pair(A, "")}, A, ""},
        LookUpCase{"tableIsAText", PreferenceValue("Tank"), A, std::nullopt},
        LookUpCase{"tableIsANumber", PreferenceValue(std::int64_t{7}), A, std::nullopt},
        LookUpCase{"malformedEntriesAreSkipped",
                   List{PreferenceValue(std::int64_t{5}), PreferenceValue(A), List{A},
                        List{A, "x", "y"}, List{A, std::int64_t{3}}, List{std::int64_t{3}, "Tank"},
                        List{}, PreferenceValue(), pair(A, "Tank")},
                   A, "Tank"},
        LookUpCase{"aMalformedLaterEntryDoesNotOverride",
                   List{pair(A, "Tank"), List{A}, List{A, List{"Nested"}}}, A, "Tank"},
        LookUpCase{"nestedPairIsNoPair", List{List{pair(A, "Tank")}}, A, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StoreFixture, AFirstSaveMakesAOnePairTableOnDisk) {
    GlobalStore::setNameForUUID(A, "Tank");
    EXPECT_EQ(GlobalStore::getNameForUUID(A), "Tank");
    EXPECT_EQ(preferences.value(kUUIDNameArray), PreferenceValue(List{pair(A, "Tank")}));
    EXPECT_EQ(preferences.synchronizeCount(), 1);
}

TEST_F(StoreFixture, SavesAppendEvenForAKnownLamp) {
    GlobalStore::setNameForUUID(A, "One");
    GlobalStore::setNameForUUID(A, "Two");
    EXPECT_EQ(preferences.value(kUUIDNameArray),
              PreferenceValue(List{pair(A, "One"), pair(A, "Two")}));
    EXPECT_EQ(GlobalStore::getNameForUUID(A), "Two");
    EXPECT_EQ(GlobalStore::getNameForUUID(a), std::nullopt);
}

TEST_F(StoreFixture, ASaveKeepsMalformedEntriesAndReplacesAValueThatIsNoList) {
    const List withJunk{List{A}, pair(B, "Other")};
    preferences.setValue(kUUIDNameArray, withJunk);
    GlobalStore::setNameForUUID(A, "Tank");
    EXPECT_EQ(preferences.value(kUUIDNameArray),
              PreferenceValue(List{List{A}, pair(B, "Other"), pair(A, "Tank")}));

    preferences.setValue(kUUIDNameArray, PreferenceValue("not a table"));
    GlobalStore::setNameForUUID(B, "Reef");
    EXPECT_EQ(preferences.value(kUUIDNameArray), PreferenceValue(List{pair(B, "Reef")}));
}

TEST_F(StoreFixture, ASaveThatChangesNoLookUpAppendsNothing) {
    struct Case {
        const char* name;
        List before;
        const char* uuid;
        const char* saved;
        bool appends;
    };
    const Case cases[] = {
        {"the name it has", {pair(A, "Tank")}, A, "Tank", false},
        {"the name it has, later", {pair(A, "One"), pair(B, "x"), pair(A, "Two")}, A, "Two", false},
        {"an overridden name", {pair(A, "One"), pair(A, "Two")}, A, "One", true},
        {"another lamp's name", {pair(B, "Tank")}, A, "Tank", true},
        {"the name of another case", {pair(a, "Tank")}, A, "Tank", true},
        {"beside a malformed override", {pair(A, "Tank"), List{A}}, A, "Tank", false},
    };
    for (const Case& c : cases) {
        preferences.setValue(kUUIDNameArray, c.before);
        const int writes = preferences.synchronizeCount();
        GlobalStore::setNameForUUID(c.uuid, c.saved);
        List after = c.before;
        if (c.appends) after.push_back(pair(c.uuid, c.saved));
        EXPECT_EQ(preferences.value(kUUIDNameArray), PreferenceValue(after)) << c.name;
        EXPECT_EQ(preferences.synchronizeCount(), writes + 1) << c.name << ": durable all the same";
        EXPECT_EQ(GlobalStore::getNameForUUID(c.uuid), c.saved) << c.name;
    }
}

// Preferences whose writes to disk fail.
class FailingPreferences : public MemoryPreferences {
public:
    bool synchronize() override { return false; }
};

TEST(LampNames, AFailedWriteIsReportedToTheCaller) {
    FailingPreferences failing;
    EXPECT_FALSE(appendLampName(failing, A, "Tank"));
    MemoryPreferences working;
    EXPECT_TRUE(appendLampName(working, A, "Tank"));
}

}  // namespace
}  // namespace aq::test
