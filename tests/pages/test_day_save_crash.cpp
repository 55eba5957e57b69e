// A preset save cut short at any point, the process dying before the new
// file is put in place, leaves the old file whole, never a partial one.
#include <QDir>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "DayPageFixture.h"

namespace {
// Set in a child process: the process dies the moment a file is about to be
// renamed into place, as after a crash between writing and renaming.
bool dieOnRename = false;
constexpr int kDied = 42;
}  // namespace

// Interposes the C library's rename for this test program (Qt puts a saved
// file in place with it).
extern "C" int rename(const char* from, const char* to) {
    if (dieOnRename) _exit(kDied);
    using Rename = int (*)(const char*, const char*);
    static const auto real = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
    return real(from, to);
}

namespace aq::test {
namespace {

class DaySaveCrash : public DayPageFixture {};

TEST_F(DaySaveCrash, DyingBeforeTheRenameLeavesTheOldFileAndNoPartOfTheNew) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("reef.aqp"));
    writeFile(path, "0000,0100;1000,0100");
    // Something new and much longer than the old file to be written.
    for (std::uint8_t ch = 0; ch < 6; ++ch) {
        std::vector<CurvePoint> points;
        for (int i = 0; i < 100; ++i) points.push_back({i / 100.0, (i % 10) / 10.0});
        graph().adjustChannelAt(ch, points.data(), std::uint8_t(points.size()));
    }

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dieOnRename = true;
        page->saveToFile(path);
        _exit(0);  // the save never reached its rename: the test is void
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), kDied) << "the save did not go through rename";

    EXPECT_EQ(readFile(path), QByteArray("0000,0100;1000,0100"));
    // The half-done save left at most its own temporary file beside it.
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files)) {
        if (name == QStringLiteral("reef.aqp")) continue;
        EXPECT_FALSE(name.endsWith(QStringLiteral(".aqp"))) << name.toStdString();
    }

    // Without the crash the new text replaces the old whole.
    ASSERT_TRUE(page->saveToFile(path));
    EXPECT_EQ(readFile(path), QByteArray::fromStdString(graph().channelsAsString()));
}

}  // namespace
}  // namespace aq::test
