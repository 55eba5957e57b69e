// The service's timing on virtual time, with a recording stand-in for the
// broker: the retry pauses of a lamp that stays away, and the periodic
// refresh by reads.
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <regex>

#include "bridge/BridgeService.h"
#include "sim/DemoLamps.h"
#include "sim/SimCentral.h"
#include "sim/VirtualDispatch.h"
#include "state/MemoryPreferences.h"
#include "support/LogCapture.h"

namespace aq::test {
namespace {

class RecordingTransport : public bridge::MqttTransport {
public:
    void publish(const QString& topic, const QByteArray& payload, bool) override {
        published.push_back({topic, payload});
    }
    void subscribe(const QString&) override {}
    bool isConnected() const override { return true; }
    std::vector<std::pair<QString, QByteArray>> published;
};

class ServiceTimingTest : public ::testing::Test {
protected:
    void SetUp() override {
        SimCentral seed(dispatch, 0.01);
        lamp = makeDemoLamps(seed, 0, 0);
        config.nodeId = config.bridgeName = "room";
        config.lamps = {QString::fromStdString(lamp->identifier())};
    }
    void start() {
        service = std::make_unique<bridge::BridgeService>(
            config, mqtt, dispatch,
            [this] {
                auto central = std::make_unique<SimCentral>(dispatch, 0.01);
                central->addLamp(lamp);
                return std::unique_ptr<BleCentral>(std::move(central));
            },
            "test");
        service->setLampNames(&names);
        service->start();
    }
    void TearDown() override {
        if (service) service->stop(5.0);
    }

    VirtualDispatch dispatch;
    std::shared_ptr<SimModelLamp> lamp;
    bridge::BridgeConfig config;
    RecordingTransport mqtt;
    MemoryPreferences preferences;
    LampNameBook names{preferences};
    std::unique_ptr<bridge::BridgeService> service;
    LogCapture log;
};

TEST_F(ServiceTimingTest, AnAbsentLampIsTriedAgainAfterPausesDoublingToAMinute) {
    SimFaults away;
    away.refuseConnection = true;
    lamp->setFaults(away);
    start();
    dispatch.runLoopFor(300.0);
    std::vector<double> pauses;
    const std::regex pause("next try in ([0-9.]+) s");
    for (const std::string& entry : log.entries()) {
        std::smatch m;
        if (std::regex_search(entry, m, pause)) pauses.push_back(std::stod(m[1]));
    }
    ASSERT_GE(pauses.size(), 8u);
    const std::vector<double> expected{1, 2, 4, 8, 16, 32, 60, 60};
    EXPECT_EQ(std::vector<double>(pauses.begin(), pauses.begin() + 8), expected);

    // Back: served at the next try, and the pause starts from 1 s again.
    lamp->setFaults({});
    dispatch.runLoopFor(61.0);
    ASSERT_EQ(service->readyLamps().size(), 1u);
    EXPECT_EQ(mqtt.published.back().first.endsWith("/state"), true);
}

TEST_F(ServiceTimingTest, ValuesAreReadAgainEveryFiveMinutes) {
    start();
    dispatch.runLoopFor(30.0);
    ASSERT_EQ(service->readyLamps().size(), 1u);
    const auto states = [&] {
        return std::count_if(mqtt.published.begin(), mqtt.published.end(),
                             [](const auto& p) { return p.first.endsWith("/state") &&
                                                        !p.first.contains("/channel/"); });
    };
    const auto before = states();
    // The lamp's energy counter moves on; the next refresh shows it.
    lamp->updateModel([](SimLampModel& m) { m.powerConsumption = 999; });
    dispatch.runLoopFor(299.0 - 30.0);
    EXPECT_EQ(states(), before);
    dispatch.runLoopFor(2.0);
    EXPECT_EQ(states(), before + 1);
    EXPECT_TRUE(mqtt.published.back().second.contains("\"energy\":999"));
    dispatch.runLoopFor(300.0);
    EXPECT_EQ(states(), before + 2);
    // A clock that no longer answers shows no difference, not the last one read.
    ASSERT_TRUE(mqtt.published.back().second.contains("\"clock_offset\":"));
    ASSERT_FALSE(mqtt.published.back().second.contains("\"clock_offset\":null"));
    lamp->setFaults({.forCommands = {{0x91, SimFault::ShortAnswer, {}}}});
    dispatch.runLoopFor(300.0);
    EXPECT_TRUE(mqtt.published.back().second.contains("\"clock_offset\":null"));
}

TEST_F(ServiceTimingTest, ALampIsFoundByTheNameGivenInTheApp) {
    names.save(lamp->identifier(), "Tank");
    config.lamps = {QStringLiteral("Tank")};
    start();
    dispatch.runLoopFor(30.0);
    ASSERT_EQ(service->readyLamps().size(), 1u);
}

TEST_F(ServiceTimingTest, ALampNamedTwiceIsServedOnceAndStaysOnlineAfterABrokerRestart) {
    names.save(lamp->identifier(), "Tank");
    config.lamps = {QStringLiteral("Tank"), QString::fromStdString(lamp->identifier())};
    start();
    dispatch.runLoopFor(30.0);
    ASSERT_EQ(service->readyLamps().size(), 1u);
    mqtt.published.clear();
    mqtt.onConnected();  // the broker came back: everything is published again
    const QString availability =
        service->topics().lampAvailability(bridge::lampKey(lamp->identifier()));
    std::vector<QByteArray> said;
    for (const auto& [topic, payload] : mqtt.published) {
        if (topic == availability) said.push_back(payload);
    }
    EXPECT_EQ(said, std::vector<QByteArray>{"online"});
}

TEST_F(ServiceTimingTest, TheClockButtonSaysWhetherTheLampTookTheTime) {
    start();
    dispatch.runLoopFor(30.0);
    ASSERT_EQ(service->readyLamps().size(), 1u);
    const QString key = bridge::lampKey(lamp->identifier());
    const struct {
        SimFaults faults;
        bool ok;
    } cases[] = {
        {{}, true},
        // The lamp reads back a time other than the one sent.
        {{.forCommands = {{0x91, SimFault::GarbageAnswer, {}}}}, false},
        {{.forCommands = {{0x91, SimFault::NoAnswer, {}}}}, false},
    };
    for (const auto& c : cases) {
        lamp->setFaults(c.faults);
        mqtt.published.clear();
        service->handleMessage(service->topics().command(key, "set_clock"), "PRESS");
        dispatch.runLoopFor(10.0);
        const auto answer =
            std::find_if(mqtt.published.begin(), mqtt.published.end(),
                         [](const auto& p) { return p.first.endsWith("/result"); });
        ASSERT_NE(answer, mqtt.published.end());
        const QJsonObject o = QJsonDocument::fromJson(answer->second).object();
        EXPECT_EQ(o["ok"].toBool(), c.ok) << o["message"].toString().toStdString();
    }
}

TEST_F(ServiceTimingTest, TheCleanEndGivesUpOnALiveLampThatNoLongerAnswers) {
    start();
    dispatch.runLoopFor(30.0);
    ASSERT_EQ(service->readyLamps().size(), 1u);
    const QString key = bridge::lampKey(lamp->identifier());
    service->handleMessage(service->topics().channelCommand(key, 0), R"({"state":"ON"})");
    dispatch.runLoopFor(1.0);
    ASSERT_EQ(lamp->model().mode, 2);
    SimFaults silent;
    silent.noAnswerFrom = lamp->receivedCount() + 1;
    lamp->setFaults(silent);
    const double before = dispatch.now();
    service->stop(1.0);
    EXPECT_LT(dispatch.now() - before, 2.0);
    // What the lamp never answered is given up later, after the end.
    dispatch.runLoopFor(30.0);
}

}  // namespace
}  // namespace aq::test
