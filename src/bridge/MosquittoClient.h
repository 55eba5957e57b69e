#pragma once

#include <QObject>

#include <atomic>
#include <mutex>
#include <set>

#include "bridge/BridgeConfig.h"
#include "bridge/MqttTransport.h"

struct mosquitto;
struct mosquitto_message;

namespace aq::bridge {

// The MQTT connection over libmosquitto. Its network loop runs on
// libmosquitto's own thread, which reconnects by itself (1 s doubling to
// 60 s); every callback is handed to the main thread. The last will marks
// the bridge offline, retained. The password is given to the library and
// never logged.
class MosquittoClient : public QObject, public MqttTransport {
    Q_OBJECT
public:
    MosquittoClient(const BridgeConfig& config, const QString& clientId, const QString& willTopic,
                    QObject* parent = nullptr);
    ~MosquittoClient() override;

    // Starts connecting; false with the reason when the library refuses the
    // settings (a broken CA file, say). An unreachable broker is no error:
    // it is tried again until it answers.
    bool start(QString& error);
    // Waits (the event loop running) until what was published has been
    // acknowledged or `seconds` passed, then disconnects and stops the loop.
    void stop(double seconds);

    void publish(const QString& topic, const QByteArray& payload, bool retain) override;
    void subscribe(const QString& pattern) override;
    bool isConnected() const override { return _connected.load(); }

private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onMessageArrived(mosquitto*, void* self, const mosquitto_message* message);
    static void onPublished(mosquitto*, void* self, int mid);

    BridgeConfig _config;
    QString _clientId;
    QString _willTopic;
    mosquitto* _mosq = nullptr;
    bool _loopRunning = false;
    std::atomic<bool> _connected{false};
    std::mutex _mutex;
    std::set<int> _unacknowledged;
    std::set<int> _ackedEarly;
};

}  // namespace aq::bridge
