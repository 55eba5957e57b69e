// The program's command line, run as a user runs it and without a display.
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace aq::test {
namespace {

struct AppRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the program with no display at all, as from a plain terminal or a script.
AppRun runApp(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    process.setProcessEnvironment(env);
    process.start(qEnvironmentVariable("AQ_APP"), arguments);
    AppRun run;
    if (!process.waitForFinished(30000)) return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

TEST(CommandLine, AnswersInTextAndExitsWithoutADisplay) {
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* says;  // on standard error, or on standard output for exit code 0
    };
    const Case cases[] = {
        {{"--no-such-option"}, 1, "Unknown option 'no-such-option'"},
        {{"--simulate", "--sim-fault", "bogus"}, 1, "unknown simulated fault \"bogus\""},
        {{"--simulate", "--sim-fault", "drop-at=x"}, 1, "drop-at needs a command number"},
        {{"--sim-fault", "drop-at=200"}, 1, "--sim-fault works with --simulate only"},
        {{"--help"}, 0, "drop-at=N"},
        {{"--help"}, 0, "--sim-fault <fault>"},
        {{"--help"}, 0, "refuse-connect"},
    };
    for (const Case& c : cases) {
        const AppRun run = runApp(c.arguments);
        const QString where = c.arguments.join(' ');
        EXPECT_EQ(run.exitCode, c.exitCode) << where.toStdString() << "\n" << run.err.toStdString();
        const QString& text = c.exitCode == 0 ? run.out : run.err;
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.says)))
            << where.toStdString() << ": " << text.toStdString();
    }
}

}  // namespace
}  // namespace aq::test
