#include "bridge/MosquittoClient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <mosquitto.h>

#include "link/Log.h"

namespace aq::bridge {

namespace {
constexpr int kQos = 1;
constexpr int kKeepAliveSeconds = 30;

void initLibraryOnce() {
    static const int once = mosquitto_lib_init();
    (void)once;
}
}  // namespace

MosquittoClient::MosquittoClient(const BridgeConfig& config, const QString& clientId,
                                 const QString& willTopic, QObject* parent)
    : QObject(parent), _config(config), _clientId(clientId), _willTopic(willTopic) {}

MosquittoClient::~MosquittoClient() {
    if (_mosq) {
        if (_loopRunning) {
            mosquitto_disconnect(_mosq);
            mosquitto_loop_stop(_mosq, true);
        }
        mosquitto_destroy(_mosq);
    }
}

bool MosquittoClient::start(QString& error) {
    initLibraryOnce();
    _mosq = mosquitto_new(_clientId.toUtf8().constData(), true, this);
    if (!_mosq) {
        error = QStringLiteral("cannot make an MQTT client");
        return false;
    }
    mosquitto_int_option(_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // Small messages go out at once: with Nagle's algorithm every answer
    // would wait for the broker's delayed acknowledgement (about 40 ms).
    mosquitto_int_option(_mosq, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_connect_callback_set(_mosq, &MosquittoClient::onConnect);
    mosquitto_disconnect_callback_set(_mosq, &MosquittoClient::onDisconnect);
    mosquitto_message_callback_set(_mosq, &MosquittoClient::onMessageArrived);
    mosquitto_publish_callback_set(_mosq, &MosquittoClient::onPublished);
    mosquitto_reconnect_delay_set(_mosq, 1, 60, true);
    const QByteArray offline("offline");
    int rc = mosquitto_will_set(_mosq, _willTopic.toUtf8().constData(), offline.size(),
                                offline.constData(), kQos, true);
    if (rc == MOSQ_ERR_SUCCESS && !_config.user.isEmpty()) {
        rc = mosquitto_username_pw_set(
            _mosq, _config.user.toUtf8().constData(),
            _config.password.isEmpty() ? nullptr : _config.password.toUtf8().constData());
    }
    if (rc == MOSQ_ERR_SUCCESS && _config.broker.tls) {
        rc = mosquitto_tls_set(_mosq, _config.caFile.toUtf8().constData(), nullptr, nullptr,
                               nullptr, nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        error = QStringLiteral("MQTT settings refused: %1").arg(mosquitto_strerror(rc));
        return false;
    }
    logLine(format("connecting to the broker %s:%d as %s", _config.broker.host.toUtf8().constData(),
                   _config.broker.port,
                   _config.user.isEmpty() ? "(anonymous)" : _config.user.toUtf8().constData()));
    rc = mosquitto_connect_async(_mosq, _config.broker.host.toUtf8().constData(),
                                 _config.broker.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        // The loop tries again until the broker answers.
        logLine(format("broker not reached yet: %s", mosquitto_strerror(rc)));
    }
    rc = mosquitto_loop_start(_mosq);
    if (rc != MOSQ_ERR_SUCCESS) {
        error = QStringLiteral("cannot start the MQTT loop: %1").arg(mosquitto_strerror(rc));
        return false;
    }
    _loopRunning = true;
    return true;
}

void MosquittoClient::stop(double seconds) {
    if (!_mosq || !_loopRunning) return;
    const QDeadlineTimer deadline(static_cast<qint64>(seconds * 1000));
    while (_connected.load() && !deadline.hasExpired()) {
        {
            std::lock_guard lock(_mutex);
            if (_unacknowledged.empty()) break;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    mosquitto_disconnect(_mosq);
    mosquitto_loop_stop(_mosq, false);
    _loopRunning = false;
    _connected.store(false);
}

void MosquittoClient::publish(const QString& topic, const QByteArray& payload, bool retain) {
    if (!_mosq) return;
    int mid = 0;
    const int rc = mosquitto_publish(_mosq, &mid, topic.toUtf8().constData(),
                                     static_cast<int>(payload.size()), payload.constData(), kQos,
                                     retain);
    if (rc == MOSQ_ERR_SUCCESS) {
        std::lock_guard lock(_mutex);
        // The loop thread may have seen the acknowledgement before this
        // thread got the message id back.
        if (!_ackedEarly.erase(mid)) _unacknowledged.insert(mid);
    } else if (rc != MOSQ_ERR_NO_CONN) {
        logLine(format("publish to %s failed: %s", topic.toUtf8().constData(), mosquitto_strerror(rc)));
    }
}

void MosquittoClient::subscribe(const QString& pattern) {
    if (!_mosq) return;
    mosquitto_subscribe(_mosq, nullptr, pattern.toUtf8().constData(), kQos);
}

void MosquittoClient::onConnect(mosquitto*, void* self, int rc) {
    auto* client = static_cast<MosquittoClient*>(self);
    QMetaObject::invokeMethod(
        client,
        [client, rc] {
            if (rc != 0) {
                logLine(format("the broker refused the connection: %s", mosquitto_connack_string(rc)));
                return;
            }
            logLine("connected to the broker");
            client->_connected.store(true);
            if (client->onConnected) client->onConnected();
        },
        Qt::QueuedConnection);
}

void MosquittoClient::onDisconnect(mosquitto*, void* self, int rc) {
    auto* client = static_cast<MosquittoClient*>(self);
    QMetaObject::invokeMethod(
        client,
        [client, rc] {
            const bool was = client->_connected.exchange(false);
            {
                // What was not acknowledged is lost with the session.
                std::lock_guard lock(client->_mutex);
                client->_unacknowledged.clear();
                client->_ackedEarly.clear();
            }
            if (rc != 0 && was) logLine(format("broker connection lost: %s", mosquitto_strerror(rc)));
            if (was && client->onDisconnected) client->onDisconnected();
        },
        Qt::QueuedConnection);
}

void MosquittoClient::onMessageArrived(mosquitto*, void* self, const mosquitto_message* message) {
    auto* client = static_cast<MosquittoClient*>(self);
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char*>(message->payload), message->payloadlen);
    QMetaObject::invokeMethod(
        client,
        [client, topic, payload] {
            if (client->onMessage) client->onMessage(topic, payload);
        },
        Qt::QueuedConnection);
}

void MosquittoClient::onPublished(mosquitto*, void* self, int mid) {
    auto* client = static_cast<MosquittoClient*>(self);
    std::lock_guard lock(client->_mutex);
    if (!client->_unacknowledged.erase(mid)) client->_ackedEarly.insert(mid);
}

}  // namespace aq::bridge
