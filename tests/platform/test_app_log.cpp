// The programs' log: entries go through Qt's logging categories, so a rule
// that switches a category off keeps its lines out of the log, Qt's own
// messages land in the same file, and the file never outgrows two
// generations of its size limit.
#include <gtest/gtest.h>

#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include "link/Log.h"
#include "platform/AppLog.h"

namespace aq {
namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(RotatingLogFile, KeepsTwoGenerationsWithinTheLimit) {
    QTemporaryDir dir;
    const QString path = dir.filePath("state/aqlamp/t.log");
    RotatingLogFile file(path, 100);
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(file.append(QByteArray("line ") + QByteArray::number(i) + '\n'));
    }
    const QByteArray current = readAll(path);
    const QByteArray older = readAll(path + ".1");
    EXPECT_LE(current.size(), 100);
    EXPECT_LE(older.size(), 100);
    EXPECT_GT(older.size(), 80) << "a generation is filled before it rotates";
    EXPECT_TRUE(current.endsWith("line 29\n"));
    // Each line is in exactly one place, newest generation last, no third file.
    EXPECT_TRUE((older + current).contains("line 20\n"));
    EXPECT_FALSE((older + current).contains("line 5\n"));
    EXPECT_FALSE(QFile::exists(path + ".2"));
}

TEST(ApplicationLog, CategoriesRulesAndQtMessagesReachTheFile) {
    // The log is installed once per process: its folder lives as long.
    static QTemporaryDir dir;
    qputenv("XDG_STATE_HOME", dir.path().toUtf8());
    const QString path = applicationLogPath("aqlamp-test");
    EXPECT_EQ(path, dir.path() + "/aqlamp/aqlamp-test.log");
    installApplicationLog("aqlamp-test", false);
    QLoggingCategory::setFilterRules("aqlamp.ui.info=false");

    logLineIn("aqlamp.link", "000001 --> <9b00>");
    logLineIn("aqlamp.ui", "onEnter info");
    logLine("connection is ready");
    static const QLoggingCategory bluetooth("qt.bluetooth.bluez");
    qCWarning(bluetooth) << "adapter gone";

    const QByteArray log = readAll(path);
    EXPECT_TRUE(log.contains("aqlamp.link info: 000001 --> <9b00>\n")) << log.constData();
    EXPECT_TRUE(log.contains("aqlamp.link info: connection is ready\n"));
    EXPECT_FALSE(log.contains("onEnter info")) << "a category switched off writes nothing";
    EXPECT_TRUE(log.contains("qt.bluetooth.bluez warning: adapter gone\n"));
    QLoggingCategory::setFilterRules(QString());
}

}  // namespace
}  // namespace aq
