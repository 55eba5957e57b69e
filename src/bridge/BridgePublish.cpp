// What the bridge publishes: discovery, availability, state and answers.
#include "bridge/BridgeLamp.h"
#include "bridge/BridgeService.h"
#include "link/Log.h"

namespace aq::bridge {

namespace {
const char* kOnline = "online";

std::string text(const QString& s) { return s.toStdString(); }
}  // namespace

void BridgeService::brokerConnected() {
    if (_stopping) return;
    for (const QString& pattern : _topics.subscriptions()) _mqtt.subscribe(pattern);
    _mqtt.publish(_topics.bridgeAvailability(), kOnline, true);
    // After a broker restart nothing retained may be left: all of it again.
    for (const auto& lamp : _lamps) {
        if (lamp->key.isEmpty()) continue;
        if (!lamp->identity.firmware.isEmpty() || lamp->announced) announce(*lamp);
        publishAvailability(*lamp);
        if (lamp->announced) publishState(*lamp);
        for (int i = 0; i < static_cast<int>(lamp->lights.size()); ++i) publishChannel(*lamp, i);
    }
}

void BridgeService::announce(Lamp& lamp) {
    for (const Message& m : discoveryMessages(_topics, lamp.identity, _config.bridgeName, _version)) {
        _mqtt.publish(m.topic, m.payload, true);
    }
    lamp.announced = true;
}

void BridgeService::publishAvailability(const Lamp& lamp) {
    if (lamp.key.isEmpty()) return;
    _mqtt.publish(_topics.lampAvailability(lamp.key),
                  lamp.phase == Lamp::Phase::Ready && !_stopping ? kOnline : "offline", true);
}

void BridgeService::publishState(const Lamp& lamp) {
    if (lamp.key.isEmpty()) return;
    _mqtt.publish(_topics.lampState(lamp.key), statePayload(lamp.values), true);
}

void BridgeService::publishChannel(const Lamp& lamp, int channel) {
    if (lamp.key.isEmpty() || channel < 0 || channel >= static_cast<int>(lamp.lights.size())) {
        return;
    }
    _mqtt.publish(_topics.channelState(lamp.key, channel),
                  channelPayload(lamp.lights[static_cast<std::size_t>(channel)]), true);
}

void BridgeService::answer(const QString& lamp, const QString& command, bool ok,
                           const QString& message) {
    if (!ok) {
        logLine(format("lamp %s: %s refused: %s", text(lamp).c_str(), text(command).c_str(),
                       text(message).c_str()));
    }
    _mqtt.publish(_topics.result(lamp), resultPayload(command, ok, message), false);
}

}  // namespace aq::bridge
