// The programs as a user or a script runs them, without a display: aqlamp's and aqlamp-mqtt's
// command lines, and aqlampctl against the stand-in BlueZ (a scan as JSON, a programme uploaded and
// verified; its other commands are the command tests').
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

TEST(CommandLine, AqlampAndTheBridgeAnswerInTextAndExitWithoutADisplay) {
    const QTemporaryDir home;
    // The configuration's refusals are the bridge's mapping tests' table; here the program's
    // end: status 1, one line, and the secret it refused not repeated.
    const QString badConfig = home.filePath("mqtt.ini");
    QFile file(badConfig);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[broker]\npassword=secret\n");
    file.close();
    const struct {
        const char* program;  // the environment variable naming it
        QStringList arguments;
        int exitCode;
        const char* says;  // on standard error, or on standard output for exit code 0
    } cases[] = {
        {"AQ_APP", {"--no-such-option"}, 1, "Unknown option 'no-such-option'"},
        {"AQ_APP", {"--simulate", "--sim-fault", "bogus"}, 1, "unknown simulated fault \"bogus\""},
        {"AQ_APP", {"--simulate", "--sim-fault", "drop-at=x"}, 1, "drop-at needs a command number"},
        {"AQ_APP", {"--sim-fault", "drop-at=200"}, 1, "--sim-fault works with --simulate only"},
        {"AQ_APP", {"--help"}, 0, "--sim-fault <fault>"},
        {"AQ_MQTT", {"--config", badConfig}, 1, "does not belong in the configuration"},
        {"AQ_MQTT", {"--help"}, 0, "--config <file>"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = runProgram(c.program, c.arguments, home);
        const std::string where = c.program + (" " + c.arguments.join(' ').toStdString());
        EXPECT_EQ(run.exitCode, c.exitCode) << where << "\n" << run.err.toStdString();
        const QString text = c.exitCode == 0 ? QString::fromLocal8Bit(run.out) : run.err;
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.says)))
            << where << ": " << text.toStdString();
        if (c.exitCode == 0) continue;
        EXPECT_FALSE(run.err.trimmed().contains('\n')) << where << ": " << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("secret")) << where;
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

TEST_F(CtlScenario, ScanAndAnUploadTheLampHoldsAndVerifies) {
    std::string error;
    ASSERT_TRUE(standIn.start({"--slaves", "0", "--delay-ms", "2"}, error)) << error;
    const ProgramRun scan = ctl({"scan", "--json", "--time", "3"});
    ASSERT_EQ(scan.exitCode, 0) << scan.err.toStdString();
    const QJsonArray found = QJsonDocument::fromJson(scan.out).array();
    ASSERT_EQ(found.size(), 1) << scan.out.toStdString();
    const QString lamp = found[0].toObject()["identifier"].toString();
    ASSERT_FALSE(lamp.isEmpty());

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
    const PresetProgramme sent = presetProgramme(file.readAll().toStdString(), 6);
    ASSERT_TRUE(sent.complete);
    LampProgramme wanted;
    for (const LampChannel& channel : sent.channels) {
        SetPoints& points = wanted.emplace_back();
        for (const LampPoint& p : channel) points.emplace_back(p.offset, p.level);
    }
    EXPECT_EQ(standIn.programme(0, 0), wanted);
}

}  // namespace
}  // namespace aq::test
