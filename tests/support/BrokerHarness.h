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

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <mosquitto.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>


namespace aq::test {

// Handles Qt events until the condition holds or the time is up; the
// condition is looked at after every event and at least every 10 ms.
bool processEventsUntil(const std::function<bool()>& condition, double seconds);

// Header only: the bridge tests and the end-to-end tests share it.

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

namespace broker_detail {

inline int freePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(s);
    return port;
}

inline bool accepts(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(s);
    return ok;
}

}  // namespace broker_detail

inline bool processEventsUntil(const std::function<bool()>& condition, double seconds) {
    const QDeadlineTimer deadline(static_cast<qint64>(seconds * 1000.0));
    QTimer wake;
    wake.start(10);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

inline QString Broker::program() {
    const QString path = qEnvironmentVariable("AQ_MOSQUITTO", "/usr/sbin/mosquitto");
    return QFileInfo(path).isExecutable() ? path : QString();
}

inline bool Broker::start(std::string& error, int port) {
    stop();
    if (program().isEmpty()) {
        error = "mosquitto is not installed";
        return false;
    }
    _port = port ? port : broker_detail::freePort();
    const QString conf = _dir.filePath("mosquitto.conf");
    QFile file(conf);
    if (!file.open(QIODevice::WriteOnly)) {
        error = "cannot write " + conf.toStdString();
        return false;
    }
    // Run as whoever runs the test: a broker started as root would switch to
    // the mosquitto user, and a change of user clears the death signal below.
    const passwd* me = getpwuid(geteuid());
    file.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n"
                              "log_dest stderr\nset_tcp_nodelay true\nuser %2\n")
                   .arg(_port)
                   .arg(QString::fromLocal8Bit(me ? me->pw_name : "root"))
                   .toUtf8());
    file.close();
    _process = std::make_unique<QProcess>();
    _process->setStandardOutputFile(QProcess::nullDevice());
    _process->setStandardErrorFile(_dir.filePath("broker.log"), QIODevice::Append);
    // The broker goes with the test process, however that ends.
    _process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    _process->start(program(), {"-c", conf});
    if (!_process->waitForStarted(5000)) {
        error = "mosquitto did not start";
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!broker_detail::accepts(_port)) {
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

inline void Broker::stop() {
    if (!_process) return;
    if (_process->state() != QProcess::NotRunning) {
        // SIGTERM to the broker's own process id.
        _process->terminate();
        if (!_process->waitForFinished(5000)) {
            _process->kill();
            _process->waitForFinished(5000);
        }
    }
    _process.reset();
}

inline TestClient::~TestClient() {
    if (!_mosq) return;
    mosquitto_disconnect(_mosq);
    mosquitto_loop_stop(_mosq, true);
    mosquitto_destroy(_mosq);
}

inline bool TestClient::connect(int port, std::string& error) {
    static const int initialised = mosquitto_lib_init();
    (void)initialised;
    _mosq = mosquitto_new(nullptr, true, this);
    mosquitto_connect_callback_set(_mosq, &TestClient::onConnect);
    mosquitto_disconnect_callback_set(_mosq, &TestClient::onDisconnect);
    mosquitto_message_callback_set(_mosq, &TestClient::onMessage);
    mosquitto_reconnect_delay_set(_mosq, 1, 1, false);
    mosquitto_int_option(_mosq, MOSQ_OPT_TCP_NODELAY, 1);
    int rc = mosquitto_connect(_mosq, "127.0.0.1", port, 30);
    if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop_start(_mosq);
    if (rc != MOSQ_ERR_SUCCESS) {
        error = mosquitto_strerror(rc);
        return false;
    }
    if (!processEventsUntil([this] { return connected(); }, 10.0)) {
        error = "the test client did not connect";
        return false;
    }
    return true;
}

inline bool TestClient::connected() const {
    std::lock_guard lock(_mutex);
    return _connected;
}

inline void TestClient::onConnect(mosquitto* mosq, void* self, int rc) {
    if (rc != 0) return;
    mosquitto_subscribe(mosq, nullptr, "#", 1);
    auto* client = static_cast<TestClient*>(self);
    std::lock_guard lock(client->_mutex);
    client->_connected = true;
}

inline void TestClient::onDisconnect(mosquitto*, void* self, int) {
    auto* client = static_cast<TestClient*>(self);
    std::lock_guard lock(client->_mutex);
    client->_connected = false;
}

inline void TestClient::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto* client = static_cast<TestClient*>(self);
    std::lock_guard lock(client->_mutex);
    client->_received.push_back(
        {QString::fromUtf8(message->topic),
         QByteArray(static_cast<const char*>(message->payload), message->payloadlen),
         message->retain});
    // Wakes the event loop of a test waiting for it.
    if (auto* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(app, [] {}, Qt::QueuedConnection);
    }
}

inline void TestClient::publish(const QString& topic, const QByteArray& payload, bool retain) {
    mosquitto_publish(_mosq, nullptr, topic.toUtf8().constData(), static_cast<int>(payload.size()),
                      payload.constData(), 1, retain);
}

inline std::vector<TestClient::Received> TestClient::received() const {
    std::lock_guard lock(_mutex);
    return _received;
}

inline std::optional<QByteArray> TestClient::last(const QString& topic) const {
    std::lock_guard lock(_mutex);
    for (auto it = _received.rbegin(); it != _received.rend(); ++it) {
        if (it->topic == topic) return it->payload;
    }
    return std::nullopt;
}

inline std::vector<TestClient::Received> TestClient::on(
    const std::function<bool(const QString&)>& topicMatches) const {
    std::vector<Received> hits;
    for (const Received& r : received()) {
        if (topicMatches(r.topic)) hits.push_back(r);
    }
    return hits;
}

inline void TestClient::clear() {
    std::lock_guard lock(_mutex);
    _received.clear();
}

}  // namespace aq::test
