// The built aqlamp-mqtt as a user runs it: real Qt Bluetooth against the
// stand-in BlueZ, a real mosquitto broker, discovery seen and a command
// reaching the lamp; SIGTERM ends it cleanly. (Its command line is the command-line tests'.)
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "StandInBus.h"
#include "support/BrokerHarness.h"

namespace aq::test {
namespace {

const QString kKey = "c04a51000001";  // the stand-in's first lamp

class MqttBridgeEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (Broker::program().isEmpty()) {
            GTEST_SKIP() << "mosquitto is not installed (tools/setup.sh installs it)";
        }
        std::string error;
        ASSERT_TRUE(broker.start(error)) << error;
        ASSERT_TRUE(client.connect(broker.port(), error)) << error;
    }

    void TearDown() override {
        if (bridge.state() != QProcess::NotRunning) {
            bridge.kill();
            bridge.waitForFinished(5000);
        }
        if (HasFailure()) {
            std::cerr << "---- aqlamp-mqtt\n" << bridge.readAllStandardError().toStdString();
            std::cerr << "---- stand-in\n" << standIn.log();
        }
        standIn.stop();
    }

    QTemporaryDir dir;
    StandIn standIn;
    Broker broker;
    TestClient client;
    QProcess bridge;
};

TEST_F(MqttBridgeEndToEnd, AnnouncesTheLampAndCarriesACommandToIt) {
    std::string error;
    ASSERT_TRUE(standIn.start({"--lamps", "1", "--slaves", "0"}, error)) << error;
    const QString config = dir.filePath("mqtt.ini");
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("[broker]\nurl=mqtt://127.0.0.1:%1\n[bridge]\nname=e2e\nlamps=all\n")
                   .arg(broker.port())
                   .toUtf8());
    file.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The log file goes to the test's folder, not the user's.
    env.insert("XDG_STATE_HOME", dir.path());
    env.insert("XDG_CONFIG_HOME", dir.path());
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    bridge.setProcessEnvironment(env);
    bridge.start(qEnvironmentVariable("AQ_MQTT"), {"--config", config});
    ASSERT_TRUE(bridge.waitForStarted(10000));
    const QString state = "aqlamp/e2e/" + kKey + "/state";
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto s = client.last(state);
            return s && QJsonDocument::fromJson(*s).object()["link"].toString() == "connected";
        },
        60.0));
    const auto configs = client.on([](const QString& t) {
        return t.startsWith("homeassistant/") && t.contains("/e2e/" + kKey + "_");
    });
    EXPECT_GE(configs.size(), 17u);
    EXPECT_EQ(client.last("aqlamp/e2e/availability"), "online");

    client.publish("aqlamp/e2e/" + kKey + "/moon_intensity/set", "33");
    // The state is read back from the lamp after the change.
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto s = client.last(state);
            return s && QJsonDocument::fromJson(*s).object()["moon_intensity"].toInt() == 33;
        },
        30.0));
    const auto result = client.last("aqlamp/e2e/" + kKey + "/result");
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
