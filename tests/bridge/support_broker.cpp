// The real broker and the tests' MQTT client, and one QCoreApplication for
// every test of the folder.
#include "BrokerHarness.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>
#include <mosquitto.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace aq::test {

namespace {

class ApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "bridge_test";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
        mosquitto_lib_init();
    }
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

int freePort() {
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

bool accepts(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(s);
    return ok;
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, double seconds) {
    const QDeadlineTimer deadline(static_cast<qint64>(seconds * 1000.0));
    QTimer wake;
    wake.start(10);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

QString Broker::program() {
    const QString path = qEnvironmentVariable("AQ_MOSQUITTO", "/usr/sbin/mosquitto");
    return QFileInfo(path).isExecutable() ? path : QString();
}

bool Broker::start(std::string& error, int port) {
    stop();
    if (program().isEmpty()) {
        error = "mosquitto is not installed";
        return false;
    }
    _port = port ? port : freePort();
    const QString conf = _dir.filePath("mosquitto.conf");
    QFile file(conf);
    if (!file.open(QIODevice::WriteOnly)) {
        error = "cannot write " + conf.toStdString();
        return false;
    }
    file.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n"
                              "log_dest stderr\n")
                   .arg(_port)
                   .toUtf8());
    file.close();
    _process = std::make_unique<QProcess>();
    _process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
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
    while (!accepts(_port)) {
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

void Broker::stop() {
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

TestClient::~TestClient() {
    if (!_mosq) return;
    mosquitto_disconnect(_mosq);
    mosquitto_loop_stop(_mosq, true);
    mosquitto_destroy(_mosq);
}

bool TestClient::connect(int port, std::string& error) {
    _mosq = mosquitto_new(nullptr, true, this);
    mosquitto_connect_callback_set(_mosq, &TestClient::onConnect);
    mosquitto_disconnect_callback_set(_mosq, &TestClient::onDisconnect);
    mosquitto_message_callback_set(_mosq, &TestClient::onMessage);
    mosquitto_reconnect_delay_set(_mosq, 1, 1, false);
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

bool TestClient::connected() const {
    std::lock_guard lock(_mutex);
    return _connected;
}

void TestClient::onConnect(mosquitto* mosq, void* self, int rc) {
    if (rc != 0) return;
    mosquitto_subscribe(mosq, nullptr, "#", 1);
    auto* client = static_cast<TestClient*>(self);
    std::lock_guard lock(client->_mutex);
    client->_connected = true;
}

void TestClient::onDisconnect(mosquitto*, void* self, int) {
    auto* client = static_cast<TestClient*>(self);
    std::lock_guard lock(client->_mutex);
    client->_connected = false;
}

void TestClient::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto* client = static_cast<TestClient*>(self);
    std::lock_guard lock(client->_mutex);
    client->_received.push_back(
        {QString::fromUtf8(message->topic),
         QByteArray(static_cast<const char*>(message->payload), message->payloadlen),
         message->retain});
}

void TestClient::publish(const QString& topic, const QByteArray& payload, bool retain) {
    mosquitto_publish(_mosq, nullptr, topic.toUtf8().constData(), static_cast<int>(payload.size()),
                      payload.constData(), 1, retain);
}

std::vector<TestClient::Received> TestClient::received() const {
    std::lock_guard lock(_mutex);
    return _received;
}

std::optional<QByteArray> TestClient::last(const QString& topic) const {
    std::lock_guard lock(_mutex);
    for (auto it = _received.rbegin(); it != _received.rend(); ++it) {
        if (it->topic == topic) return it->payload;
    }
    return std::nullopt;
}

std::vector<TestClient::Received> TestClient::on(
    const std::function<bool(const QString&)>& topicMatches) const {
    std::vector<Received> hits;
    for (const Received& r : received()) {
        if (topicMatches(r.topic)) hits.push_back(r);
    }
    return hits;
}

void TestClient::clear() {
    std::lock_guard lock(_mutex);
    _received.clear();
}

}  // namespace aq::test
