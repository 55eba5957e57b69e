#pragma once

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "bridge/BridgeService.h"
#include "bridge/MosquittoClient.h"
#include "platform/QtDispatch.h"
#include "sim/DemoLamps.h"
#include "sim/SimCentral.h"
#include "support/BrokerHarness.h"
#include "support/LogCapture.h"

namespace aq::test {

// The bridge in this process on the Qt event loop, simulated lamps on a
// short delay, a real broker and a test client watching every topic.
class BridgeFixture : public ::testing::Test {
protected:
    static constexpr double kDelay = 0.003;

    explicit BridgeFixture(int lamps = 1) : _lampCount(lamps) {}

    void SetUp() override {
        if (Broker::program().isEmpty()) {
            GTEST_SKIP() << "mosquitto is not installed (tools/setup.sh installs it): "
                            "the broker tests are skipped";
        }
        std::string error;
        ASSERT_TRUE(broker.start(error)) << error;
        ASSERT_TRUE(client.connect(broker.port(), error)) << error;
        SimCentral seed(dispatch, kDelay);
        for (int i = 0; i < _lampCount; ++i) {
            lamps.push_back(makeDemoLamps(seed, 1, static_cast<std::size_t>(i)));
        }
        config.broker = {QStringLiteral("127.0.0.1"), broker.port(), false};
        config.bridgeName = config.nodeId = QStringLiteral("test");
    }

    void TearDown() override {
        if (service) service->stop(5.0);
        if (mqtt) mqtt->stop(3.0);
        service.reset();
        mqtt.reset();
        if (HasFailure()) {
            for (const std::string& entry : log.entries()) std::cerr << entry;
        }
    }

    // Starts the bridge serving `names` (all found when empty).
    void startBridge(const QStringList& names = {}) {
        config.lamps = names;
        mqtt = std::make_unique<bridge::MosquittoClient>(config, "bridge-under-test",
                                                         topics().bridgeAvailability());
        service = std::make_unique<bridge::BridgeService>(
            config, *mqtt, dispatch,
            [this] {
                auto central = std::make_unique<SimCentral>(dispatch, kDelay);
                for (const auto& lamp : lamps) central->addLamp(lamp);
                centrals.push_back(central.get());
                return std::unique_ptr<BleCentral>(std::move(central));
            },
            "test", times);
        QString error;
        ASSERT_TRUE(mqtt->start(error)) << error.toStdString();
        service->start();
    }

    const bridge::TopicScheme& topics() const {
        static const bridge::TopicScheme scheme("aqlamp", "homeassistant", "test");
        return scheme;
    }
    QString key(std::size_t lamp) const { return bridge::lampKey(lamps.at(lamp)->identifier()); }

    // Waits for the lamp's state to be published with every value read.
    bool waitForLamp(std::size_t lamp, double seconds = 20.0) {
        return waitUntil(
            [&] {
                const auto state = client.last(topics().lampState(key(lamp)));
                return state && jsonOf(*state)["link"].toString() == "connected" &&
                       !jsonOf(*state)["firmware"].isNull() &&
                       client.last(topics().lampAvailability(key(lamp))) == "online";
            },
            seconds);
    }

    // Sends a command and waits for its answer on the result topic.
    std::optional<QJsonObject> command(std::size_t lamp, const QString& entity,
                                       const QByteArray& payload, double seconds = 20.0) {
        return commandTo(key(lamp), entity, payload, seconds);
    }
    std::optional<QJsonObject> commandTo(const QString& lampKey, const QString& entity,
                                         const QByteArray& payload, double seconds = 20.0) {
        const QString result = topics().result(lampKey);
        const std::size_t before = client.on([&](const QString& t) { return t == result; }).size();
        const QString topic = entity.startsWith("channel/")
                                  ? topics().channelCommand(lampKey, entity.mid(8).toInt())
                                  : topics().command(lampKey, entity);
        client.publish(topic, payload);
        std::optional<QJsonObject> answer;
        waitUntil(
            [&] {
                const auto all = client.on([&](const QString& t) { return t == result; });
                if (all.size() <= before) return false;
                answer = jsonOf(all.back().payload);
                return true;
            },
            seconds);
        return answer;
    }

    static QJsonObject jsonOf(const QByteArray& payload) {
        return QJsonDocument::fromJson(payload).object();
    }

    QtDispatch dispatch;
    Broker broker;
    TestClient client;
    std::vector<std::shared_ptr<SimModelLamp>> lamps;
    std::vector<SimCentral*> centrals;  // owned by the bridge's sessions
    bridge::BridgeConfig config;
    bridge::BridgeTimes times;
    std::unique_ptr<bridge::MosquittoClient> mqtt;
    std::unique_ptr<bridge::BridgeService> service;
    LogCapture log;

private:
    int _lampCount;
};

}  // namespace aq::test
