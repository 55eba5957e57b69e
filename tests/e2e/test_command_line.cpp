// The programs as a user or a script runs them, without a display: aqlamp's and aqlamp-mqtt's
// command lines; aqlampctl against the stand-in BlueZ (a scan as JSON, a programme uploaded and
// verified; its other commands are the command tests'); aqlamp-mqtt against the stand-in and a
// real mosquitto broker (its mapping and service are the bridge tests').
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
#include "support/BrokerHarness.h"

namespace aq::test {
namespace {

struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// No display at all, and settings and log of the program's own under `home`.
QProcessEnvironment environmentIn(const QTemporaryDir& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_STATE_HOME", home.filePath("state"));
    return env;
}

// Runs the program the environment variable names, until it ends.
ProgramRun runProgram(const char* variable, const QStringList& arguments,
                      const QTemporaryDir& home) {
    QProcess process;
    process.setProcessEnvironment(environmentIn(home));
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

class OnTheStandIn : public ::testing::Test {
protected:
    void TearDown() override {
        if (HasFailure()) {
            std::cerr << "---- stand-in log\n" << standIn.log() << "----\n";
            QFile bridgeLog(home.filePath("mqtt.log"));
            if (bridgeLog.open(QIODevice::ReadOnly))
                std::cerr << "---- aqlamp-mqtt\n" << bridgeLog.readAll().toStdString();
        }
        standIn.stop();
    }
    ProgramRun ctl(const QStringList& arguments) { return runProgram("AQ_CTL", arguments, home); }

    StandIn standIn;
    QTemporaryDir home;
};

TEST_F(OnTheStandIn, AqlampctlScansAndUploadsAProgrammeTheLampHoldsAndVerifies) {
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

TEST_F(OnTheStandIn, TheBridgeAnnouncesTheLampCarriesACommandAndEndsCleanlyOnSigterm) {
    if (Broker::program().isEmpty()) GTEST_SKIP() << "mosquitto is not installed";
    Broker broker;
    TestClient client;
    std::string error;
    ASSERT_TRUE(broker.start(error)) << error;
    ASSERT_TRUE(client.connect(broker.port(), error)) << error;
    ASSERT_TRUE(standIn.start({"--lamps", "1", "--slaves", "0"}, error)) << error;
    const QString config = home.filePath("mqtt.ini");
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("[broker]\nurl=mqtt://127.0.0.1:%1\n[bridge]\nname=e2e\nlamps=all\n")
                   .arg(broker.port())
                   .toUtf8());
    file.close();
    QProcess bridge;  // killed by its destructor should the test end early
    QProcessEnvironment env = environmentIn(home);
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    bridge.setProcessEnvironment(env);
    bridge.setStandardErrorFile(home.filePath("mqtt.log"));
    bridge.start(qEnvironmentVariable("AQ_MQTT"), {"--config", config});
    ASSERT_TRUE(bridge.waitForStarted(10000));

    const QString lamp = "aqlamp/e2e/c04a51000001/";  // the stand-in's first lamp
    const auto stateHas = [&](const char* key, const QJsonValue& value) {
        const auto s = client.last(lamp + "state");
        return s && QJsonDocument::fromJson(*s).object()[key] == value;
    };
    ASSERT_TRUE(waitUntil([&] { return stateHas("link", "connected"); }, 60.0));
    const auto configs = client.on([](const QString& t) {
        return t.startsWith("homeassistant/") && t.contains("/e2e/c04a51000001_");
    });
    EXPECT_GE(configs.size(), 17u);
    EXPECT_EQ(client.last("aqlamp/e2e/availability"), "online");

    client.publish(lamp + "moon_intensity/set", "33");
    // The state is read back from the lamp after the change.
    ASSERT_TRUE(waitUntil([&] { return stateHas("moon_intensity", 33); }, 30.0));
    const auto result = client.last(lamp + "result");
    ASSERT_TRUE(result);
    EXPECT_TRUE(QJsonDocument::fromJson(*result).object()["ok"].toBool());

    bridge.terminate();  // SIGTERM
    ASSERT_TRUE(bridge.waitForFinished(20000));
    EXPECT_EQ(bridge.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(bridge.exitCode(), 0);
    EXPECT_TRUE(
        waitUntil([&] { return client.last("aqlamp/e2e/availability") == "offline"; }, 5.0));
}

}  // namespace
}  // namespace aq::test
