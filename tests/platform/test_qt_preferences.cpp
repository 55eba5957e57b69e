// Preferences over QSettings: values come back as they were stored, a save
// is on disk when it returns, and whatever else is stored under the name
// table's key is read without a crash.
#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "platform/QtPreferences.h"
#include "state/LampNames.h"

namespace aq {
namespace {

using List = PreferenceValue::List;

class QtPrefs : public ::testing::Test {
protected:
    QString path() const { return dir.filePath("aqlamp.ini"); }
    QTemporaryDir dir;
};

struct RoundTripCase {
    const char* name;
    PreferenceValue value;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.name;
}

class QtRoundTrip : public QtPrefs, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(QtRoundTrip, AValueComesBackFromTheFileUnchanged) {
    {
        QtPreferences writer(path());
        writer.setValue("key", GetParam().value);
        ASSERT_TRUE(writer.synchronize());
    }
    QtPreferences reader(path());
    EXPECT_EQ(reader.value("key"), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Values, QtRoundTrip,
    ::testing::Values(
        RoundTripCase{"text", PreferenceValue("Reef Tank")},
        RoundTripCase{"utf8Text", PreferenceValue("Caf\xC3\xA9 \xE2\x9C\x93")},
        RoundTripCase{"number", PreferenceValue(std::int64_t{-42})},
        RoundTripCase{"emptyList", PreferenceValue(List{})},
        // INI would read a one-element string list back as a text.
        RoundTripCase{"oneTextList", PreferenceValue(List{"only"})},
        RoundTripCase{"nameTable", PreferenceValue(List{List{"A", "One"}, List{"B", "Two"}})},
        RoundTripCase{"mixedList", PreferenceValue(List{std::int64_t{1}, List{"A"}, "x"})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(QtPrefs, AMissingKeyHasNoValue) {
    QtPreferences prefs(path());
    EXPECT_EQ(prefs.value(kUUIDNameArray), std::nullopt);
    EXPECT_EQ(lookUpLampName(prefs, "A"), std::nullopt);
}

TEST_F(QtPrefs, ASavedNameIsOnDiskWhenTheSaveReturns) {
    QtPreferences prefs(path());
    ASSERT_TRUE(appendLampName(prefs, "00000000-0000-0000-0000-0000000000A1", "Tank"));
    // Read by another reader of the same file while the writer still lives:
    // nothing waits for a destructor to flush.
    QSettings other(path(), QSettings::IniFormat);
    QtPreferences second(path());
    EXPECT_EQ(lookUpLampName(second, "00000000-0000-0000-0000-0000000000A1"), "Tank");
    EXPECT_TRUE(other.contains(kUUIDNameArray));
}

TEST_F(QtPrefs, WhateverIsStoredUnderTheTableKeyIsReadEntryByEntry) {
    {
        QSettings raw(path(), QSettings::IniFormat);
        raw.setValue(kUUIDNameArray, QVariantList{QVariantList{"A", "Tank"}, 5, QVariantList{"A"},
                                                  QVariantList{"A", 7}, QStringList{"B", "Nano"},
                                                  QVariantMap{{"A", "Map"}}, QByteArray("A")});
        raw.sync();
    }
    QtPreferences prefs(path());
    EXPECT_EQ(lookUpLampName(prefs, "A"), "Tank");
    EXPECT_EQ(lookUpLampName(prefs, "B"), "Nano");
    // Saving keeps the entries it cannot read and appends.
    ASSERT_TRUE(appendLampName(prefs, "A", "Reef"));
    EXPECT_EQ(lookUpLampName(prefs, "A"), "Reef");
    EXPECT_EQ(prefs.value(kUUIDNameArray)->list()->size(), 8u);

    {
        QSettings raw(path(), QSettings::IniFormat);
        raw.setValue(kUUIDNameArray, "just a text");
        raw.sync();
    }
    QtPreferences again(path());
    EXPECT_EQ(lookUpLampName(again, "A"), std::nullopt);
}

TEST_F(QtPrefs, AFailedWriteIsReported) {
    // The file's folder cannot be made: a plain file stands in its place.
    QFile blocker(dir.filePath("blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QtPreferences prefs(dir.filePath("blocked/aqlamp.ini"));
    EXPECT_FALSE(appendLampName(prefs, "A", "Tank"));
}

}  // namespace
}  // namespace aq
