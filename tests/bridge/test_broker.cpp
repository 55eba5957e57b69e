// The bridge against a real mosquitto broker and simulated lamps: discovery,
// a command of every kind reaching the lamp, preset uploads, a lamp that
// drops and comes back, a broker restart, commands for lamps not there.
#include <QJsonArray>

#include "BridgeFixture.h"
#include "bridge/EntityMap.h"
#include "curve/DayAdjustmentChannel.h"
#include "session/PresetProgramme.h"

namespace aq::test {
namespace {

class BrokerTest : public BridgeFixture {
protected:
    // Every entity of the first lamp is announced to `watcher` (not by an empty message).
    bool allAnnounced(const TestClient& watcher) const {
        std::set<QString> distinct;
        for (const auto& c : watcher.on([&](const QString& t) {
                 return t.startsWith("homeassistant/") && t.endsWith("/config") &&
                        t.contains(key(0) + "_");
             })) {
            if (!c.payload.isEmpty()) distinct.insert(c.topic);
        }
        return distinct.size() == bridge::lampEntities().size() + lamps[0]->model().channels.size();
    }
};

TEST_F(BrokerTest, AnnouncesTheLampRetainedAndPublishesItsState) {
    startBridge();
    ASSERT_TRUE(waitForLamp(0));  // its state, with every value read, is published
    ASSERT_TRUE(waitUntil([&] { return allAnnounced(client); }, 10.0));
    EXPECT_EQ(client.last(topics().bridgeAvailability()), "online");
    // Retained: a client that comes later sees all of it at once.
    TestClient late;
    std::string error;
    ASSERT_TRUE(late.connect(broker.port(), error)) << error;
    ASSERT_TRUE(waitUntil([&] { return allAnnounced(late); }, 10.0));
    for (const auto& r : late.received()) EXPECT_TRUE(r.retained) << r.topic.toStdString();
}

TEST_F(BrokerTest, ACommandOfEveryKindReachesTheLamp) {
    startBridge();
    ASSERT_TRUE(waitForLamp(0));
    const std::uint8_t cloudsBefore = lamps[0]->model().cloudsPerDay;
    ASSERT_NE(cloudsBefore, 0);
    const struct {
        const char* entity;
        QByteArray payload;
        std::function<bool(const SimLampModel&)> holds;
    } cases[] = {
        {"moon", "OFF",
         [](const SimLampModel& m) {
             return std::all_of(m.devices.begin(), m.devices.end(),
                                [](const SimDevice& d) { return d.moonActive == 0; });
         }},
        {"demo_loop", "ON", [](const SimLampModel& m) { return m.demoLoop == 1; }},
        {"clouds", "OFF", [](const SimLampModel& m) { return m.cloudsPerDay == 0; }},
        {"clouds", "ON", [=](const SimLampModel& m) { return m.cloudsPerDay == cloudsBefore; }},
        {"lightning", "OFF", [](const SimLampModel& m) { return m.boltsPerHour == 0; }},
        {"moon_intensity", "55", [](const SimLampModel& m) { return m.moonMax == 55; }},
        {"clouds_per_day", "20", [](const SimLampModel& m) { return m.cloudsPerDay == 20; }},
        {"cloud_duration", "300", [](const SimLampModel& m) { return m.cloudDuration == 300; }},
        {"cloud_intensity", "70", [](const SimLampModel& m) { return m.cloudDimming == 70; }},
        {"bolts_per_hour", "33", [](const SimLampModel& m) { return m.boltsPerHour == 33; }},
        {"test_cloud", "PRESS", [](const SimLampModel& m) { return m.testClouds == 1; }},
        {"test_bolt", "PRESS", [](const SimLampModel& m) { return m.testBolts == 1; }},
        {"channel/1", R"({"state":"ON","brightness":128})",
         [](const SimLampModel& m) { return m.mode == 2 && m.devices[0].liveValues[1] == 128; }},
        {"channel/3", R"({"state":"ON"})",
         [](const SimLampModel& m) { return m.mode == 2 && m.devices[0].liveValues[3] == 255; }},
        {"channel/1", R"({"state":"OFF"})",
         [](const SimLampModel& m) { return m.mode == 2 && m.devices[0].liveValues[1] == 0; }},
        // The last channel off: back to the day programme.
        {"channel/3", R"({"state":"OFF"})", [](const SimLampModel& m) { return m.mode == 0; }},
    };
    for (const auto& c : cases) {
        const auto answer = command(0, c.entity, c.payload);
        ASSERT_TRUE(answer) << c.entity;
        EXPECT_TRUE((*answer)["ok"].toBool())
            << c.entity << ": " << (*answer)["message"].toString().toStdString();
        EXPECT_TRUE(c.holds(lamps[0]->model())) << c.entity << " " << c.payload.toStdString();
    }
    // The state follows: read back after the change.
    ASSERT_TRUE(waitUntil(
        [&] {
            const QJsonObject s = jsonOf(*client.last(topics().lampState(key(0))));
            return s["bolts_per_hour"].toInt() == 33 && s["moon"].toString() == "OFF";
        },
        10.0));
    EXPECT_EQ(jsonOf(*client.last(topics().channelState(key(0), 3)))["state"].toString(), "OFF");

    lamps[0]->setClock(LampDateTime{2001, 1, 1, 0, 0, 0});
    const auto clock = command(0, "set_clock", "PRESS");
    ASSERT_TRUE(clock);
    EXPECT_TRUE((*clock)["ok"].toBool());
    EXPECT_NE(lamps[0]->clock().year, 2001);

    // Commands for a lamp or a channel not there are refused.
    const auto unknown = commandTo("0123456789ab", "moon", "ON");
    ASSERT_TRUE(unknown);
    EXPECT_FALSE((*unknown)["ok"].toBool());
    EXPECT_TRUE((*unknown)["message"].toString().contains("no lamp"));
    EXPECT_FALSE(
        command(0, "channel/9", R"({"state":"ON"})").value_or(QJsonObject{})["ok"].toBool());
}

TEST_F(BrokerTest, APresetIsUploadedVerifiedAndAnswered) {
    startBridge();
    ASSERT_TRUE(waitForLamp(0));
    const std::size_t channels = lamps[0]->model().channels.size();
    std::vector<std::shared_ptr<DayAdjustmentChannel>> curves;
    for (std::size_t c = 0; c < channels; ++c) {
        auto curve = std::make_shared<DayAdjustmentChannel>(Color{1, 1, 1, 1});
        curve->addPoint({0.25, 0.0});
        curve->addPoint({0.5, 0.1 * static_cast<double>(c + 1)});
        curve->addPoint({0.75, 0.0});
        curves.push_back(curve);
    }
    const std::string text = presetText(curves);
    const auto answer = command(0, "preset", QByteArray::fromStdString(text), 60.0);
    ASSERT_TRUE(answer);
    EXPECT_TRUE((*answer)["ok"].toBool()) << (*answer)["message"].toString().toStdString();
    EXPECT_TRUE((*answer)["message"].toString().contains("verified"));
    // Every device got it; that each holds what was sent is the verifying read-back's (the
    // session's tests), shown to be on by the mismatch below.
    const PresetProgramme wanted = presetProgramme(text, channels);
    for (const SimDevice& device : lamps[0]->model().devices) {
        for (std::size_t c = 0; c < channels; ++c) {
            EXPECT_EQ(device.programme[c].size(), wanted.channels[c].size()) << c;
        }
    }
    // Not a programme for this lamp: refused before anything is sent.
    const auto refused = command(0, "preset", "no curves here");
    ASSERT_TRUE(refused);
    EXPECT_FALSE((*refused)["ok"].toBool());
    // A point the lamp keeps wrong is caught by the read-back.
    SimFaults spoil;
    // The upload's second write: the first channel's first point.
    spoil.spoilPointAt = lamps[0]->receivedCount() + 2;
    spoil.spoilPointByDropping = false;
    for (auto& curve : curves) curve->addPoint({0.9, 0.05});
    lamps[0]->setFaults(spoil);
    const auto mismatch = command(0, "preset", QByteArray::fromStdString(presetText(curves)), 60.0);
    ASSERT_TRUE(mismatch);
    EXPECT_FALSE((*mismatch)["ok"].toBool());
    EXPECT_EQ((*mismatch)["message"].toString(), "read back differs (lamp 0, channel 1, point 1)");
}

// The retry pauses themselves are the service timing tests' (virtual time).
TEST_F(BrokerTest, ALostLampGoesOfflineIsRetriedAndComesBack) {
    times.retryFirst = 0.05;
    times.retryMax = 0.4;
    times.scan = 0.5;
    startBridge({QString::fromStdString(lamps[0]->identifier())});
    ASSERT_TRUE(waitForLamp(0));
    ASSERT_TRUE(command(0, "channel/2", R"({"state":"ON"})"));
    ASSERT_EQ(lamps[0]->model().mode, 2);
    SimFaults away;
    away.refuseConnection = true;
    lamps[0]->setFaults(away);
    for (SimCentral* c : centrals) {
        for (const auto& p : c->lamps()) {
            if (p->state() == PeripheralState::Connected) c->switchOff(p);
        }
    }
    ASSERT_TRUE(waitUntil(
        [&] { return client.last(topics().lampAvailability(key(0))) == "offline"; }, 10.0));
    const auto refused = command(0, "moon", "ON");
    ASSERT_TRUE(refused);
    EXPECT_FALSE((*refused)["ok"].toBool());
    EXPECT_TRUE((*refused)["message"].toString().contains("not connected"));
    lamps[0]->setFaults({});
    client.clear();
    ASSERT_TRUE(waitForLamp(0));
    EXPECT_TRUE(command(0, "moon", "ON").value_or(QJsonObject{})["ok"].toBool());
    // Its lights went off with the link: the lamp is back on its day programme.
    EXPECT_EQ(lamps[0]->model().mode, 0);
    EXPECT_EQ(jsonOf(*client.last(topics().channelState(key(0), 2)))["state"].toString(), "OFF");
}

TEST_F(BrokerTest, AfterABrokerRestartEverythingIsPublishedAgain) {
    startBridge();
    ASSERT_TRUE(waitForLamp(0));
    const int port = broker.port();
    broker.stop();
    ASSERT_TRUE(waitUntil([&] { return !mqtt->isConnected(); }, 10.0));
    client.clear();
    std::string error;
    ASSERT_TRUE(broker.start(error, port)) << error;
    // Nothing is retained by the new broker: all of it comes from the bridge again.
    ASSERT_TRUE(waitUntil([&] { return allAnnounced(client); }, 30.0));
    ASSERT_TRUE(waitForLamp(0));
    EXPECT_EQ(client.last(topics().bridgeAvailability()), "online");
    EXPECT_TRUE(command(0, "demo_loop", "ON").value_or(QJsonObject{})["ok"].toBool());
}

class TwoLampsTest : public BridgeFixture {
protected:
    TwoLampsTest() : BridgeFixture(2) {}
};

TEST_F(TwoLampsTest, ASlowLampDoesNotHoldUpTheOther) {
    startBridge();
    ASSERT_TRUE(waitForLamp(0));
    ASSERT_TRUE(waitForLamp(1));
    SimFaults slow;
    slow.lateBy = 1.5;
    lamps[1]->setFaults(slow);
    client.publish(topics().command(key(1), "moon_intensity"), "10");
    const auto fast = command(0, "moon_intensity", "20", 1.0);
    ASSERT_TRUE(fast) << "the answer for the quick lamp waited for the slow one";
    EXPECT_TRUE((*fast)["ok"].toBool());
    EXPECT_FALSE(client.last(topics().result(key(1))).has_value());
    ASSERT_TRUE(waitUntil([&] { return client.last(topics().result(key(1))).has_value(); }, 20.0));
    EXPECT_EQ(lamps[1]->model().moonMax, 10);
}

TEST_F(BrokerTest, TheCleanEndLeavesLiveModeAndMarksEverythingOffline) {
    startBridge();
    ASSERT_TRUE(waitForLamp(0));
    ASSERT_TRUE(command(0, "channel/0", R"({"state":"ON","brightness":90})"));
    ASSERT_EQ(lamps[0]->model().mode, 2);
    service->stop(5.0);
    mqtt->stop(3.0);
    EXPECT_EQ(lamps[0]->model().mode, 0);
    ASSERT_TRUE(
        waitUntil([&] { return client.last(topics().bridgeAvailability()) == "offline"; }, 5.0));
    EXPECT_EQ(client.last(topics().lampAvailability(key(0))), "offline");
    EXPECT_EQ(jsonOf(*client.last(topics().channelState(key(0), 0)))["state"].toString(), "OFF");
}

}  // namespace
}  // namespace aq::test
