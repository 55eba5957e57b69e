#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace aq::bridge {

// What the bridge needs of an MQTT connection. Every callback runs on the
// main thread. Publishes and subscriptions use QoS 1.
class MqttTransport {
public:
    virtual ~MqttTransport() = default;

    virtual void publish(const QString& topic, const QByteArray& payload, bool retain) = 0;
    virtual void subscribe(const QString& pattern) = 0;
    virtual bool isConnected() const = 0;

    // The session with the broker began (again): subscriptions and retained
    // messages are to be made anew.
    std::function<void()> onConnected;
    std::function<void()> onDisconnected;
    std::function<void(const QString& topic, const QByteArray& payload)> onMessage;
};

}  // namespace aq::bridge
