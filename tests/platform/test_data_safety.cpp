// What the user keeps survives the program being killed: the lamp names are
// on disk once a save returns.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/QtPreferences.h"
#include "state/LampNames.h"

namespace aq {
namespace {

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

TEST(DataSafety, ANameSavedRightBeforeTheProcessIsKilledIsThereNextTime) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("aqlamp.ini"));
    {
        QtPreferences before(ini);
        ASSERT_TRUE(appendLampName(before, "00000000-0000-0000-0000-0000000000A1", "Old name"));
    }
    runThenKill([&] {
        QtPreferences preferences(ini);
        appendLampName(preferences, "00000000-0000-0000-0000-0000000000A1", "Reef Tank");
        appendLampName(preferences, "00000000-0000-0000-0000-0000000000B2", "Quarantine");
    });
    QtPreferences after(ini);
    EXPECT_EQ(lookUpLampName(after, "00000000-0000-0000-0000-0000000000A1"), "Reef Tank");
    EXPECT_EQ(lookUpLampName(after, "00000000-0000-0000-0000-0000000000B2"), "Quarantine");
}

}  // namespace
}  // namespace aq

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
