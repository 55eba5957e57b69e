#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace aq::bridge {

// The environment variable a password may come from (the other way is a
// file named in the configuration). Never the command line or the file itself.
inline constexpr const char* kPasswordVariable = "AQLAMP_MQTT_PASSWORD";

// Where the broker listens, from "mqtt://host[:port]" or "mqtts://host[:port]".
struct BrokerAddress {
    QString host;
    int port = 1883;
    bool tls = false;
};
// None, with the reason in `error`, for anything else.
std::optional<BrokerAddress> parseBrokerUrl(const QString& url, QString& error);

// What the bridge is told to do.
struct BridgeConfig {
    BrokerAddress broker{QStringLiteral("localhost"), 1883, false};
    QString caFile;    // mqtts only
    QString user;      // empty: anonymous
    QString password;  // never logged
    QString topicPrefix = QStringLiteral("aqlamp");
    QString discoveryPrefix = QStringLiteral("homeassistant");
    // Lamps to serve by name, identifier or address; empty serves all found.
    QStringList lamps;
    // The bridge's name as shown, and as the node of its topics (letters,
    // digits, '_' and '-' only).
    QString bridgeName;
    QString nodeId;
};

// A topic level a home-automation system accepts as a node or object id:
// letters, digits, '_' and '-', everything else as '_'.
QString topicId(const QString& text);

// The configuration file when --config does not name one:
// $XDG_CONFIG_HOME/aqlamp/mqtt.ini (or ~/.config/aqlamp/mqtt.ini).
QString defaultConfigPath(const QProcessEnvironment& env);

// Reads and checks the INI file. A missing file is an error only when
// `mustExist`; the defaults then apply. On error: none, and one line saying
// what is wrong and where.
std::optional<BridgeConfig> readBridgeConfig(const QString& path, bool mustExist,
                                             const QProcessEnvironment& env, QString& error);

}  // namespace aq::bridge
