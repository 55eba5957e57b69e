#include "bridge/BridgeConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QUrl>

#include <set>

namespace aq::bridge {

namespace {

// Every key the file may hold; anything else is a typo to be told of.
const std::set<QString>& knownKeys() {
    static const std::set<QString> keys{
        "broker/url",           "broker/user",         "broker/password_file", "broker/ca_file",
        "bridge/name",          "bridge/topic_prefix", "bridge/discovery_prefix", "bridge/lamps",
    };
    return keys;
}

bool validTopicPrefix(const QString& prefix) {
    return !prefix.isEmpty() && !prefix.startsWith('/') && !prefix.endsWith('/') &&
           !prefix.contains('+') && !prefix.contains('#') && !prefix.contains(QChar(0));
}

}  // namespace

QString topicId(const QString& text) {
    QString id;
    for (const QChar c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-';
        id += plain ? c : QChar('_');
    }
    return id;
}

std::optional<BrokerAddress> parseBrokerUrl(const QString& text, QString& error) {
    const QUrl url(text, QUrl::StrictMode);
    BrokerAddress address;
    if (!url.isValid() || (url.scheme() != "mqtt" && url.scheme() != "mqtts")) {
        error = QStringLiteral("broker url \"%1\" is not mqtt://host[:port] or mqtts://host[:port]")
                    .arg(text);
        return std::nullopt;
    }
    address.tls = url.scheme() == "mqtts";
    address.host = url.host();
    if (address.host.isEmpty()) {
        error = QStringLiteral("broker url \"%1\" names no host").arg(text);
        return std::nullopt;
    }
    if (!url.userInfo().isEmpty()) {
        error = QStringLiteral("broker url must not hold a user or password (use broker/user "
                               "and broker/password_file or %1)")
                    .arg(kPasswordVariable);
        return std::nullopt;
    }
    if ((!url.path().isEmpty() && url.path() != "/") || url.hasQuery() || url.hasFragment()) {
        error = QStringLiteral("broker url \"%1\" has more than a host and port").arg(text);
        return std::nullopt;
    }
    address.port = url.port(address.tls ? 8883 : 1883);
    if (address.port < 1 || address.port > 65535) {
        error = QStringLiteral("broker url \"%1\" has no valid port").arg(text);
        return std::nullopt;
    }
    return address;
}

QString defaultConfigPath(const QProcessEnvironment& env) {
    QString base = env.value("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = env.value("HOME", QDir::homePath()) + "/.config";
    }
    return base + "/aqlamp/mqtt.ini";
}

std::optional<BridgeConfig> readBridgeConfig(const QString& path, bool mustExist,
                                             const QProcessEnvironment& env, QString& error) {
    BridgeConfig config;
    const QFileInfo file(path);
    const auto fail = [&](const QString& what) {
        error = QStringLiteral("%1: %2").arg(path, what);
        return std::nullopt;
    };
    if (file.exists()) {
        if (!file.isFile() || !file.isReadable()) return fail("cannot be read");
        QSettings ini(path, QSettings::IniFormat);
        if (ini.status() != QSettings::NoError) return fail("is not a valid INI file");
        for (const QString& key : ini.allKeys()) {
            if (!knownKeys().count(key)) {
                if (key == "broker/password") {
                    return fail(QStringLiteral("a password does not belong in the configuration: "
                                               "name a file with broker/password_file or set %1")
                                    .arg(kPasswordVariable));
                }
                return fail(QStringLiteral("unknown key \"%1\"").arg(key));
            }
        }
        if (ini.contains("broker/url")) {
            const auto address = parseBrokerUrl(ini.value("broker/url").toString(), error);
            if (!address) return fail(error);
            config.broker = *address;
        }
        // Files named relative to the configuration are beside it, wherever
        // the bridge was started from.
        const QDir beside = file.absoluteDir();
        const auto pathOf = [&](const char* key) {
            const QString named = ini.value(key).toString();
            return named.isEmpty() ? named : beside.filePath(named);
        };
        config.user = ini.value("broker/user").toString();
        config.caFile = pathOf("broker/ca_file");
        const QString passwordFile = pathOf("broker/password_file");
        if (!passwordFile.isEmpty()) {
            QFile secret(passwordFile);
            if (!secret.open(QIODevice::ReadOnly)) {
                return fail(QStringLiteral("password file %1 cannot be read").arg(passwordFile));
            }
            // One line, no longer than MQTT lets a password be; its line end
            // is no part of the password.
            config.password = QString::fromUtf8(secret.readLine(65536))
                                  .remove(QRegularExpression("[\r\n]+$"));
            if (config.password.isEmpty()) {
                return fail(QStringLiteral("password file %1 holds no password").arg(passwordFile));
            }
        }
        config.topicPrefix = ini.value("bridge/topic_prefix", config.topicPrefix).toString();
        config.discoveryPrefix =
            ini.value("bridge/discovery_prefix", config.discoveryPrefix).toString();
        config.bridgeName = ini.value("bridge/name").toString().trimmed();
        // QSettings reads an unquoted comma list as a list.
        const QVariant lamps = ini.value("bridge/lamps");
        QStringList names = lamps.typeId() == QMetaType::QStringList
                                ? lamps.toStringList()
                                : lamps.toString().split(',', Qt::SkipEmptyParts);
        for (QString& n : names) n = n.trimmed();
        names.removeAll(QString());
        if (!(names.size() == 1 && names.front().compare("all", Qt::CaseInsensitive) == 0)) {
            config.lamps = names;
        }
    } else if (mustExist) {
        return fail("no such file");
    }
    if (config.password.isEmpty()) config.password = env.value(kPasswordVariable);
    if (!config.password.isEmpty() && config.user.isEmpty()) {
        return fail("a password is given but no broker/user");
    }
    if (config.broker.tls) {
        if (config.caFile.isEmpty()) return fail("mqtts needs broker/ca_file");
        if (!QFileInfo(config.caFile).isReadable()) {
            return fail(QStringLiteral("CA file %1 cannot be read").arg(config.caFile));
        }
    } else if (!config.caFile.isEmpty()) {
        return fail("broker/ca_file is given but the broker url is not mqtts://");
    }
    if (!validTopicPrefix(config.topicPrefix)) {
        return fail(QStringLiteral("bridge/topic_prefix \"%1\" is no valid topic prefix")
                        .arg(config.topicPrefix));
    }
    if (!validTopicPrefix(config.discoveryPrefix)) {
        return fail(QStringLiteral("bridge/discovery_prefix \"%1\" is no valid topic prefix")
                        .arg(config.discoveryPrefix));
    }
    if (config.bridgeName.isEmpty()) config.bridgeName = QSysInfo::machineHostName();
    if (config.bridgeName.isEmpty()) config.bridgeName = QStringLiteral("aqlamp");
    config.nodeId = topicId(config.bridgeName);
    return config;
}

}  // namespace aq::bridge
