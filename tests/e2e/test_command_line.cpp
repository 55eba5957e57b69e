// The programs as a user or a script runs them, without a display: aqlamp's command line, and
// aqlampctl against the stand-in BlueZ (scan, info as JSON, a programme uploaded and verified).
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>

#include "StandInBus.h"
#include "session/PresetProgramme.h"

namespace aq::test {
namespace {

struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// Runs the program the environment variable names, with no display at all and with settings
// and log of its own under `home`.
ProgramRun runProgram(const char* variable, const QStringList& arguments,
                      const QTemporaryDir& home) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_STATE_HOME", home.filePath("state"));
    process.setProcessEnvironment(env);
    process.start(qEnvironmentVariable(variable), arguments);
    ProgramRun run;
    if (!process.waitForFinished(60000)) return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

TEST(CommandLine, AqlampAnswersInTextAndExitsWithoutADisplay) {
    const struct {
        QStringList arguments;
        int exitCode;
        const char* says;  // on standard error, or on standard output for exit code 0
    } cases[] = {
        {{"--no-such-option"}, 1, "Unknown option 'no-such-option'"},
        {{"--simulate", "--sim-fault", "bogus"}, 1, "unknown simulated fault \"bogus\""},
        {{"--simulate", "--sim-fault", "drop-at=x"}, 1, "drop-at needs a command number"},
        {{"--sim-fault", "drop-at=200"}, 1, "--sim-fault works with --simulate only"},
        {{"--help"}, 0, "--sim-fault <fault>"},
    };
    const QTemporaryDir home;
    for (const auto& c : cases) {
        const ProgramRun run = runProgram("AQ_APP", c.arguments, home);
        const std::string where = c.arguments.join(' ').toStdString();
        EXPECT_EQ(run.exitCode, c.exitCode) << where << "\n" << run.err.toStdString();
        const QString text = c.exitCode == 0 ? QString::fromLocal8Bit(run.out) : run.err;
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.says)))
            << where << ": " << text.toStdString();
    }
}

class CtlScenario : public ::testing::Test {
protected:
    void TearDown() override {
        if (HasFailure()) std::cerr << "---- stand-in log\n" << standIn.log() << "----\n";
        standIn.stop();
    }
    ProgramRun ctl(const QStringList& arguments) { return runProgram("AQ_CTL", arguments, home); }

    StandIn standIn;
    QTemporaryDir home;
};

TEST_F(CtlScenario, ScanInfoAndAnUploadTheLampHoldsAndVerifies) {
    std::string error;
    ASSERT_TRUE(standIn.start({"--slaves", "0", "--delay-ms", "2"}, error)) << error;
    const ProgramRun scan = ctl({"scan", "--json", "--time", "3"});
    ASSERT_EQ(scan.exitCode, 0) << scan.err.toStdString();
    const QJsonArray found = QJsonDocument::fromJson(scan.out).array();
    ASSERT_EQ(found.size(), 1) << scan.out.toStdString();
    const QString lamp = found[0].toObject()["identifier"].toString();
    ASSERT_FALSE(lamp.isEmpty());

    const ProgramRun info = ctl({"--lamp", lamp, "info", "--json"});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(info.out).object();
    EXPECT_EQ(o["identifier"].toString(), lamp);
    const int channels = o["channels"].toArray().size();
    ASSERT_GT(channels, 0);
    EXPECT_EQ(o["slaves"].toInt(), 0);

    // A presetting's programme sent as the day programme: verified by reading it back, and
    // held by the lamp as sent.
    const QString preset = home.filePath("preset.aqp");
    const ProgramRun saved = ctl({"--lamp", lamp, "presetting", "download", "2", "-o", preset});
    ASSERT_EQ(saved.exitCode, 0) << saved.err.toStdString();
    const ProgramRun upload = ctl({"--lamp", lamp, "programme", "upload", preset, "--json"});
    ASSERT_EQ(upload.exitCode, 0) << upload.err.toStdString();
    EXPECT_TRUE(QJsonDocument::fromJson(upload.out)["verified"].toBool());

    QFile file(preset);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const PresetProgramme sent = presetProgramme(file.readAll().toStdString(), channels);
    ASSERT_TRUE(sent.complete);
    const auto held = standIn.programme(0, 0);
    ASSERT_EQ(held.size(), sent.channels.size());
    for (std::size_t c = 0; c < held.size(); ++c) {
        ASSERT_EQ(held[c].size(), sent.channels[c].size()) << "channel " << c;
        for (std::size_t p = 0; p < held[c].size(); ++p) {
            EXPECT_EQ(held[c][p].first, sent.channels[c][p].offset) << c << "/" << p;
            EXPECT_EQ(held[c][p].second, sent.channels[c][p].level) << c << "/" << p;
        }
    }
    // The same file sent again finds nothing to send.
    const ProgramRun same = ctl({"--lamp", lamp, "programme", "upload", preset});
    ASSERT_EQ(same.exitCode, 0) << same.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(same.out).trimmed(), "The lamp already holds this programme.");
}

}  // namespace
}  // namespace aq::test
