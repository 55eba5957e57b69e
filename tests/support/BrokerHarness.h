#pragma once

// Header only: the bridge tests and the end-to-end tests share it.
#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <mosquitto.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include "EventWait.h"

namespace aq::test {

// The benchmarks' name for the event wait.
inline bool processEventsUntil(const std::function<bool()>& condition, double seconds) {
    return waitUntil(condition, seconds);
}

// A real mosquitto broker for one test: a generated configuration (a
// listener on a free loopback port, anyone allowed, nothing persisted), run
// as a child process and stopped by its process id. It dies with the test
// process however that ends.
class Broker {
public:
    ~Broker() { stop(); }

    // The broker program, or empty when mosquitto is not installed.
    static QString program() {
        const QString path = qEnvironmentVariable("AQ_MOSQUITTO", "/usr/sbin/mosquitto");
        return QFileInfo(path).isExecutable() ? path : QString();
    }

    // Starts on `port`, or on a free port when 0; false with the reason.
    bool start(std::string& error, int port = 0) {
        stop();
        if (program().isEmpty()) {
            error = "mosquitto is not installed";
            return false;
        }
        _port = port ? port : loopback(0, &::bind);
        QFile conf(_dir.filePath("mosquitto.conf"));
        if (!conf.open(QIODevice::WriteOnly)) {
            error = "cannot write " + conf.fileName().toStdString();
            return false;
        }
        // Run as whoever runs the test: a broker started as root would switch to
        // the mosquitto user, and a change of user clears the death signal below.
        const passwd* me = getpwuid(geteuid());
        conf.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n"
                                  "persistence false\nlog_dest stderr\nset_tcp_nodelay true\n"
                                  "user %2\n")
                       .arg(_port)
                       .arg(QString::fromLocal8Bit(me ? me->pw_name : "root"))
                       .toUtf8());
        conf.close();
        _process = std::make_unique<QProcess>();
        _process->setStandardOutputFile(QProcess::nullDevice());
        _process->setStandardErrorFile(_dir.filePath("broker.log"), QIODevice::Append);
        _process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
        _process->start(program(), {"-c", conf.fileName()});
        if (!_process->waitForStarted(5000)) {
            error = "mosquitto did not start";
            return false;
        }
        const QDeadlineTimer deadline(10000);
        while (!loopback(_port, &::connect)) {
            if (deadline.hasExpired() || _process->state() == QProcess::NotRunning) {
                QFile log(_dir.filePath("broker.log"));
                log.open(QIODevice::ReadOnly);
                error = "mosquitto did not listen on port " + std::to_string(_port) + ": " +
                        log.readAll().toStdString();
                stop();
                return false;
            }
            QThread::msleep(10);
        }
        return true;
    }

    // SIGTERM to the broker's own process id.
    void stop() {
        if (_process && _process->state() != QProcess::NotRunning) {
            _process->terminate();
            if (!_process->waitForFinished(5000)) {
                _process->kill();
                _process->waitForFinished(5000);
            }
        }
        _process.reset();
    }

    int port() const { return _port; }

private:
    // Binds (port 0: the free port given) or connects a socket to a loopback port;
    // the port bound, or whether the connect succeeded.
    template <typename Call>
    static int loopback(int port, Call call) {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        socklen_t length = sizeof(address);
        int result = call(s, reinterpret_cast<sockaddr*>(&address), length) == 0;
        if (result && port == 0 &&
            getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            result = ntohs(address.sin_port);
        }
        close(s);
        return result;
    }

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

    ~TestClient() {
        if (!_mosq) return;
        mosquitto_disconnect(_mosq);
        mosquitto_loop_stop(_mosq, true);
        mosquitto_destroy(_mosq);
    }

    bool connect(int port, std::string& error) {
        static const int initialised = mosquitto_lib_init();
        (void)initialised;
        _mosq = mosquitto_new(nullptr, true, this);
        mosquitto_connect_callback_set(_mosq, [](mosquitto* mosq, void* self, int rc) {
            if (rc != 0) return;
            mosquitto_subscribe(mosq, nullptr, "#", 1);
            static_cast<TestClient*>(self)->setConnected(true);
        });
        mosquitto_disconnect_callback_set(_mosq, [](mosquitto*, void* self, int) {
            static_cast<TestClient*>(self)->setConnected(false);
        });
        mosquitto_message_callback_set(_mosq, &TestClient::onMessage);
        mosquitto_reconnect_delay_set(_mosq, 1, 1, false);
        mosquitto_int_option(_mosq, MOSQ_OPT_TCP_NODELAY, 1);
        int rc = mosquitto_connect(_mosq, "127.0.0.1", port, 30);
        if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop_start(_mosq);
        if (rc != MOSQ_ERR_SUCCESS) {
            error = mosquitto_strerror(rc);
            return false;
        }
        if (!waitUntil([this] { return connected(); }, 10.0)) {
            error = "the test client did not connect";
            return false;
        }
        return true;
    }

    void publish(const QString& topic, const QByteArray& payload, bool retain = false) {
        mosquitto_publish(_mosq, nullptr, topic.toUtf8().constData(),
                          static_cast<int>(payload.size()), payload.constData(), 1, retain);
    }

    bool connected() const {
        std::lock_guard lock(_mutex);
        return _connected;
    }

    std::vector<Received> received() const {
        std::lock_guard lock(_mutex);
        return _received;
    }

    // The last message on the topic since the last clear().
    std::optional<QByteArray> last(const QString& topic) const {
        std::lock_guard lock(_mutex);
        for (auto it = _received.rbegin(); it != _received.rend(); ++it) {
            if (it->topic == topic) return it->payload;
        }
        return std::nullopt;
    }

    std::vector<Received> on(const std::function<bool(const QString&)>& topicMatches) const {
        std::vector<Received> hits;
        for (const Received& r : received()) {
            if (topicMatches(r.topic)) hits.push_back(r);
        }
        return hits;
    }

    void clear() {
        std::lock_guard lock(_mutex);
        _received.clear();
    }

private:
    void setConnected(bool connected) {
        std::lock_guard lock(_mutex);
        _connected = connected;
    }

    static void onMessage(mosquitto*, void* self, const mosquitto_message* message) {
        auto* client = static_cast<TestClient*>(self);
        std::lock_guard lock(client->_mutex);
        client->_received.push_back(
            {QString::fromUtf8(message->topic),
             QByteArray(static_cast<const char*>(message->payload), message->payloadlen),
             message->retain});
        // Wakes the event loop of a test waiting for it.
        if (auto* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app, [] {}, Qt::QueuedConnection);
        }
    }

    mosquitto* _mosq = nullptr;
    mutable std::mutex _mutex;
    std::vector<Received> _received;
    bool _connected = false;
};

}  // namespace aq::test
