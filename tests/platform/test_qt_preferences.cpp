// Preferences over QSettings: values come back as they were stored, a save
// is on disk when it returns (and survives the program being killed), and
// whatever else is stored under the name table's key is read without a crash.
#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <functional>

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

TEST_F(QtPrefs, AValueComesBackFromTheFileUnchanged) {
    const std::pair<const char*, PreferenceValue> cases[] = {
        {"text", PreferenceValue("Reef Tank")},
        {"utf8Text", PreferenceValue("Caf\xC3\xA9 \xE2\x9C\x93")},
        {"number", PreferenceValue(std::int64_t{-42})},
        {"emptyList", PreferenceValue(List{})},
        // INI would read a one-element string list back as a text.
        {"oneTextList", PreferenceValue(List{"only"})},
        {"nameTable", PreferenceValue(List{List{"A", "One"}, List{"B", "Two"}})},
        {"mixedList", PreferenceValue(List{std::int64_t{1}, List{"A"}, "x"})},
    };
    for (const auto& [key, value] : cases) {
        {
            QtPreferences writer(path());
            writer.setValue(key, value);
            ASSERT_TRUE(writer.synchronize()) << key;
        }
        QtPreferences reader(path());
        EXPECT_EQ(reader.value(key), value) << key;
    }
}

// Runs `work` in a child process that is killed (SIGKILL, no clean-up at
// all) as soon as `work` returns.
void runThenKill(const std::function<void()>& work) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        work();
        ::kill(::getpid(), SIGKILL);
        _exit(99);  // not reached
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(WTERMSIG(status), SIGKILL);
}

// A save is on disk when it returns: nothing waits for a destructor to flush.
TEST_F(QtPrefs, NamesSavedRightBeforeTheProcessIsKilledAreThereNextTime) {
    {
        QtPreferences before(path());
        EXPECT_EQ(before.value(kUUIDNameArray), std::nullopt);
        ASSERT_TRUE(appendLampName(before, "00000000-0000-0000-0000-0000000000A1", "Old name"));
    }
    runThenKill([&] {
        QtPreferences preferences(path());
        appendLampName(preferences, "00000000-0000-0000-0000-0000000000A1", "Reef Tank");
        appendLampName(preferences, "00000000-0000-0000-0000-0000000000B2", "Quarantine");
    });
    QtPreferences after(path());
    EXPECT_EQ(lookUpLampName(after, "00000000-0000-0000-0000-0000000000A1"), "Reef Tank");
    EXPECT_EQ(lookUpLampName(after, "00000000-0000-0000-0000-0000000000B2"), "Quarantine");
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
    EXPECT_EQ(prefs.value(kUUIDNameArray)->list()->size(), 7u);
}

// A settings file as someone may have left it: written by hand, not by
// QSettings.
void writeRaw(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(text), text.size());
}

QByteArray readRaw(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const char* const kA = "00000000-0000-0000-0000-0000000000A1";

// A table the program cannot use (too deep, too big, lying about its size,
// cut short, of an unknown type, no list) reads as unusable without a crash
// and is started anew, the values around it kept.
TEST_F(QtPrefs, ADamagedTableReadsAsUnusableAndIsStartedAnew) {
    const std::pair<const char*, QByteArray> cases[] = {
        // A list in a list ... 60000 deep: Qt's decoding would overflow the stack.
        {"deep", "@Variant(" + QByteArray("\\0\\0\\0\\t\\0\\0\\0\\x1").repeated(60000) +
                     "\\0\\0\\0\\t\\0\\0\\0\\0)"},
        {"deepAmongGoodOnes",
         "@Variant(\\0\\0\\0\\t\\0\\0\\0\\0), @Variant(" +
             QByteArray("\\0\\0\\0\\b\\0\\0\\0\\x1\\0\\0\\0\\0").repeated(60000) + ")"},
        {"huge", "\"" + QByteArray(5 * 1024 * 1024, 'x') + "\""},
        // Claims two billion entries: Qt would reserve room for all of them.
        {"countLies", "@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)"},
        {"cutShort", "@Variant(\\0\\0\\0\\t\\0\\0\\0\\x2\\0\\0\\0\\n\\0\\0\\0\\x6\\0\\x41)"},
        {"unknownType", "@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x1)"},
        {"brokenJson", "\"[[\\\"00000000-0000-0000-0000-0000000000A1\\\", \""},
        {"deepJson", "\"" + QByteArray("[").repeated(5000) + "\""},
        {"aText", "Reef Tank"},
    };
    for (const auto& [name, value] : cases) {
        SCOPED_TRACE(name);
        // The value as it stands after "kUUIDNameArray=" in the file.
        writeRaw(path(),
                 "[General]\nkeep=1\nkUUIDNameArray=" + value + "\nafter=2\n\n[other]\nkept=3\n");
        {
            QtPreferences prefs(path());
            EXPECT_EQ(lookUpLampName(prefs, kA), std::nullopt);
            EXPECT_TRUE(lampNameTableUnreadable(prefs));
            // Neighbouring values in both sections are read as before.
            EXPECT_EQ(prefs.value("keep"), PreferenceValue("1"));
            EXPECT_EQ(prefs.value("other/kept"), PreferenceValue("3"));
            ASSERT_TRUE(appendLampName(prefs, kA, "Reef"));
            EXPECT_EQ(lookUpLampName(prefs, kA), "Reef");
            EXPECT_FALSE(lampNameTableUnreadable(prefs));
        }
        QtPreferences again(path());
        EXPECT_EQ(lookUpLampName(again, kA), "Reef");
        EXPECT_EQ(again.value("after"), PreferenceValue("2"));
        EXPECT_LT(readRaw(path()).size(), 4096);
    }
}

TEST_F(QtPrefs, NamesStoredByEarlierVersionsAreReadAndKeptAsJsonText) {
    // As QSettings wrote the table when lists were kept as variant lists.
    writeRaw(path(),
             "[General]\nkUUIDNameArray=@Variant(\\0\\0\\0\\t\\0\\0\\0\\x2\\0\\0\\0\\n\\0\\0\\0"
             "\\x4\\0\\x41\\0\\x31\\0\\0\\0\\n\\0\\0\\0\\b\\0T\\0\\x61\\0n\\0k), "
             "@Variant(\\0\\0\\0\\t\\0\\0\\0\\x2\\0\\0\\0\\n\\0\\0\\0\\x2\\0\\x42\\0\\0\\0"
             "\\n\\0\\0\\0\\x2\\0x)\n");
    {
        QtPreferences prefs(path());
        EXPECT_FALSE(lampNameTableUnreadable(prefs));
        EXPECT_EQ(lookUpLampName(prefs, "A1"), "Tank");
        EXPECT_EQ(lookUpLampName(prefs, "B"), "x");
        ASSERT_TRUE(appendLampName(prefs, "B", "Nano"));
    }
    EXPECT_TRUE(readRaw(path()).contains(R"(kUUIDNameArray="[[\"A1\",\"Tank\"],)"))
        << readRaw(path()).toStdString();
    QtPreferences again(path());
    EXPECT_EQ(lookUpLampName(again, "A1"), "Tank");
    EXPECT_EQ(lookUpLampName(again, "B"), "Nano");
    EXPECT_FALSE(QFile::exists(path() + ".damaged"));
}

TEST_F(QtPrefs, AFailedWriteIsReported) {
    // The file's folder cannot be made: a plain file stands in its place.
    ASSERT_TRUE(QFile(dir.filePath("blocked")).open(QIODevice::WriteOnly));
    QtPreferences prefs(dir.filePath("blocked/aqlamp.ini"));
    EXPECT_FALSE(appendLampName(prefs, "A", "Tank"));
}

}  // namespace
}  // namespace aq
