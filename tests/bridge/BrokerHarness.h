#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace aq::test {

// Handles Qt events until the condition holds or the time is up; the
// condition is looked at after every event and at least every 10 ms.
bool waitUntil(const std::function<bool()>& condition, double seconds);

// A real mosquitto broker for one test: a generated configuration (a
// listener on a free loopback port, anyone allowed, nothing persisted), run
// as a child process and stopped by its process id. It dies with the test
// process however that ends.
class Broker {
public:
    ~Broker() { stop(); }
    // The broker program, or empty when mosquitto is not installed.
    static QString program();
    // Starts on `port`, or on a free port when 0; false with the reason.
    bool start(std::string& error, int port = 0);
    void stop();
    int port() const { return _port; }
    bool running() const { return _process && _process->state() != QProcess::NotRunning; }

private:
    QTemporaryDir _dir;
    std::unique_ptr<QProcess> _process;
    int _port = 0;
};

// A test's own MQTT client over libmosquitto: subscribes to everything on
// every (re)connect and keeps what arrives.
class TestClient {
public:
    struct Received {
        QString topic;
        QByteArray payload;
        bool retained = false;
    };

    ~TestClient();
    bool connect(int port, std::string& error);
    void publish(const QString& topic, const QByteArray& payload, bool retain = false);
    bool connected() const;

    std::vector<Received> received() const;
    // The last message on the topic since the last clear().
    std::optional<QByteArray> last(const QString& topic) const;
    std::vector<Received> on(const std::function<bool(const QString&)>& topicMatches) const;
    void clear();

private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);

    mosquitto* _mosq = nullptr;
    mutable std::mutex _mutex;
    std::vector<Received> _received;
    bool _connected = false;
};

}  // namespace aq::test
