#include "bridge/EntityMap.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

#include "curve/PresetFile.h"

namespace aq::bridge {

namespace {

const char* componentOf(EntityKind kind) {
    switch (kind) {
        case EntityKind::Sensor:
            return "sensor";
        case EntityKind::Switch:
            return "switch";
        case EntityKind::Number:
            return "number";
        case EntityKind::Button:
            return "button";
        case EntityKind::Light:
            return "light";
    }
    return "sensor";
}

QJsonValue onOff(const std::optional<bool>& on) {
    if (!on) return QJsonValue::Null;
    return *on ? QStringLiteral("ON") : QStringLiteral("OFF");
}

template <class T>
QJsonValue number(const std::optional<T>& value) {
    return value ? QJsonValue(static_cast<double>(*value)) : QJsonValue(QJsonValue::Null);
}

std::optional<bool> parseOnOff(const QByteArray& payload) {
    const QByteArray p = payload.trimmed().toUpper();
    if (p == "ON") return true;
    if (p == "OFF") return false;
    return std::nullopt;
}

}  // namespace

TopicScheme::TopicScheme(QString prefix, QString discoveryPrefix, QString node)
    : _prefix(std::move(prefix)), _discoveryPrefix(std::move(discoveryPrefix)), _node(std::move(node)) {}

QString TopicScheme::bridgeAvailability() const {
    return QStringLiteral("%1/%2/availability").arg(_prefix, _node);
}
QString TopicScheme::lampAvailability(const QString& lamp) const {
    return QStringLiteral("%1/%2/%3/availability").arg(_prefix, _node, lamp);
}
QString TopicScheme::lampState(const QString& lamp) const {
    return QStringLiteral("%1/%2/%3/state").arg(_prefix, _node, lamp);
}
QString TopicScheme::channelState(const QString& lamp, int channel) const {
    return QStringLiteral("%1/%2/%3/channel/%4/state").arg(_prefix, _node, lamp).arg(channel);
}
QString TopicScheme::command(const QString& lamp, const QString& entity) const {
    return QStringLiteral("%1/%2/%3/%4/set").arg(_prefix, _node, lamp, entity);
}
QString TopicScheme::channelCommand(const QString& lamp, int channel) const {
    return QStringLiteral("%1/%2/%3/channel/%4/set").arg(_prefix, _node, lamp).arg(channel);
}
QString TopicScheme::result(const QString& lamp) const {
    return QStringLiteral("%1/%2/%3/result").arg(_prefix, _node, lamp);
}
QString TopicScheme::discovery(const QString& component, const QString& lamp,
                               const QString& object) const {
    return QStringLiteral("%1/%2/%3/%4_%5/config").arg(_discoveryPrefix, component, _node, lamp, object);
}
QStringList TopicScheme::subscriptions() const {
    return {QStringLiteral("%1/%2/+/+/set").arg(_prefix, _node),
            QStringLiteral("%1/%2/+/channel/+/set").arg(_prefix, _node)};
}

std::optional<std::pair<QString, QStringList>> TopicScheme::lampTopic(const QString& topic) const {
    const QString head = _prefix + '/' + _node + '/';
    if (!topic.startsWith(head)) return std::nullopt;
    QStringList levels = topic.mid(head.size()).split('/');
    if (levels.size() < 2 || levels.front().isEmpty()) return std::nullopt;
    const QString lamp = levels.takeFirst();
    return std::make_pair(lamp, levels);
}

QString lampKey(const std::string& identifier) {
    QString digits;
    for (const char c : identifier) {
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += QChar(c).toLower();
    }
    // Identifiers made from an address: twenty zeros, then its twelve digits.
    if (digits.size() == 32 && digits.startsWith(QString(20, '0'))) return digits.right(12);
    return digits.isEmpty() ? QStringLiteral("lamp") : digits;
}

const std::vector<EntityDef>& lampEntities() {
    using K = EntityKind;
    static const std::vector<EntityDef> entities{
        {K::Sensor, "firmware", "Firmware", 0, 0, nullptr, nullptr, nullptr, "mdi:chip", true},
        {K::Sensor, "serial", "Serial number", 0, 0, nullptr, nullptr, nullptr, "mdi:identifier", true},
        {K::Sensor, "energy", "Energy", 0, 0, "kWh", "energy", "total_increasing", nullptr, false},
        {K::Sensor, "clock_offset", "Clock difference", 0, 0, "s", nullptr, "measurement",
         "mdi:clock-alert-outline", true},
        {K::Sensor, "link", "Link", 0, 0, nullptr, nullptr, nullptr, "mdi:bluetooth", true},
        {K::Switch, "demo_loop", "Demo loop", 0, 0, nullptr, nullptr, nullptr, "mdi:play-circle-outline"},
        {K::Switch, "moon", "Moon", 0, 0, nullptr, nullptr, nullptr, "mdi:weather-night"},
        {K::Switch, "clouds", "Clouds", 0, 0, nullptr, nullptr, nullptr, "mdi:weather-cloudy"},
        {K::Switch, "lightning", "Lightning", 0, 0, nullptr, nullptr, nullptr, "mdi:weather-lightning"},
        {K::Number, "moon_intensity", "Moon intensity", 0, 100, "%", nullptr, nullptr, "mdi:weather-night"},
        {K::Number, "clouds_per_day", "Clouds per day", 0, 255, nullptr, nullptr, nullptr, "mdi:weather-cloudy"},
        {K::Number, "cloud_duration", "Cloud duration", 0, 999, "min", nullptr, nullptr, "mdi:timer-outline"},
        {K::Number, "cloud_intensity", "Cloud intensity", 0, 100, "%", nullptr, nullptr, "mdi:weather-cloudy"},
        {K::Number, "bolts_per_hour", "Bolts per hour", 0, 180, nullptr, nullptr, nullptr, "mdi:weather-lightning"},
        {K::Button, "set_clock", "Set clock to host time", 0, 0, nullptr, nullptr, nullptr, "mdi:clock-check-outline"},
        {K::Button, "test_cloud", "Test cloud", 0, 0, nullptr, nullptr, nullptr, "mdi:weather-cloudy"},
        {K::Button, "test_bolt", "Test bolt", 0, 0, nullptr, nullptr, nullptr, "mdi:flash"},
    };
    return entities;
}

const EntityDef* findEntity(const QString& key) {
    for (const EntityDef& e : lampEntities()) {
        if (key == QLatin1String(e.key)) return &e;
    }
    return nullptr;
}

std::vector<Message> discoveryMessages(const TopicScheme& topics, const LampIdentity& lamp,
                                       const QString& bridgeName, const QString& bridgeVersion) {
    const QJsonObject device{
        {"identifiers", QJsonArray{QStringLiteral("aqlamp_%1").arg(lamp.key)}},
        {"name", lamp.name.isEmpty() ? QStringLiteral("Aquarium lamp %1").arg(lamp.key) : lamp.name},
        {"sw_version", lamp.firmware},
        {"manufacturer", QStringLiteral("aqlamp")},
        {"model", QStringLiteral("Bluetooth LE aquarium lamp")},
    };
    // The bridge that announced it, so several bridges on one broker are told apart.
    const QJsonObject origin{{"name", QStringLiteral("aqlamp-mqtt %1").arg(bridgeName).trimmed()},
                             {"sw_version", bridgeVersion}};
    const QJsonArray bothAvailable{QJsonObject{{"topic", topics.bridgeAvailability()}},
                                   QJsonObject{{"topic", topics.lampAvailability(lamp.key)}}};
    const QJsonArray bridgeAvailable{QJsonObject{{"topic", topics.bridgeAvailability()}}};
    auto base = [&](const QString& object, const QString& name) {
        QJsonObject o{{"unique_id", QStringLiteral("aqlamp_%1_%2").arg(lamp.key, object)},
                      {"object_id", QStringLiteral("aqlamp_%1_%2").arg(lamp.key, object)},
                      {"name", name},
                      {"device", device},
                      {"origin", origin},
                      {"availability", bothAvailable},
                      {"availability_mode", QStringLiteral("all")},
                      {"payload_available", QStringLiteral("online")},
                      {"payload_not_available", QStringLiteral("offline")}};
        return o;
    };
    std::vector<Message> messages;
    for (const EntityDef& e : lampEntities()) {
        const QString key = QLatin1String(e.key);
        QJsonObject o = base(key, QLatin1String(e.name));
        if (e.icon) o["icon"] = QLatin1String(e.icon);
        if (e.diagnostic) o["entity_category"] = QStringLiteral("diagnostic");
        if (e.kind != EntityKind::Button) {
            o["state_topic"] = topics.lampState(lamp.key);
            o["value_template"] = QStringLiteral("{{ value_json.%1 }}").arg(key);
        }
        switch (e.kind) {
            case EntityKind::Sensor:
                if (e.unit) o["unit_of_measurement"] = QLatin1String(e.unit);
                if (e.deviceClass) o["device_class"] = QLatin1String(e.deviceClass);
                if (e.stateClass) o["state_class"] = QLatin1String(e.stateClass);
                // The link's state is worth seeing while the lamp is away.
                if (key == "link") o["availability"] = bridgeAvailable;
                break;
            case EntityKind::Switch:
                o["command_topic"] = topics.command(lamp.key, key);
                o["payload_on"] = QStringLiteral("ON");
                o["payload_off"] = QStringLiteral("OFF");
                o["state_on"] = QStringLiteral("ON");
                o["state_off"] = QStringLiteral("OFF");
                break;
            case EntityKind::Number:
                o["command_topic"] = topics.command(lamp.key, key);
                o["min"] = e.min;
                o["max"] = e.max;
                o["step"] = 1;
                o["mode"] = QStringLiteral("box");
                if (e.unit) o["unit_of_measurement"] = QLatin1String(e.unit);
                break;
            case EntityKind::Button:
                o["command_topic"] = topics.command(lamp.key, key);
                o["payload_press"] = QStringLiteral("PRESS");
                break;
            case EntityKind::Light:
                break;
        }
        messages.push_back({topics.discovery(componentOf(e.kind), lamp.key, key),
                            QJsonDocument(o).toJson(QJsonDocument::Compact)});
    }
    for (std::size_t i = 0; i < lamp.channels.size(); ++i) {
        const int channel = static_cast<int>(i);
        const QString object = QStringLiteral("channel_%1").arg(channel);
        const QString name = lamp.channels[i].isEmpty()
                                 ? QStringLiteral("Channel %1").arg(channel + 1)
                                 : lamp.channels[i];
        QJsonObject o = base(object, name);
        o["schema"] = QStringLiteral("json");
        o["state_topic"] = topics.channelState(lamp.key, channel);
        o["command_topic"] = topics.channelCommand(lamp.key, channel);
        o["brightness"] = true;
        o["brightness_scale"] = 255;
        o["supported_color_modes"] = QJsonArray{QStringLiteral("brightness")};
        o["icon"] = QStringLiteral("mdi:led-strip-variant");
        messages.push_back({topics.discovery("light", lamp.key, object),
                            QJsonDocument(o).toJson(QJsonDocument::Compact)});
    }
    return messages;
}

std::vector<Message> discoveryRemovals(const TopicScheme& topics, const LampIdentity& lamp) {
    std::vector<Message> removals;
    for (const Message& m : discoveryMessages(topics, lamp, {}, {})) removals.push_back({m.topic, {}});
    return removals;
}

QByteArray statePayload(const LampValues& v) {
    const WeatherSettings& w = v.weather;
    std::optional<bool> moonOn;
    if (!v.moon.active.empty()) moonOn = v.moon.active.front();
    std::optional<bool> clouds;
    if (w.cloudsPerDay) clouds = *w.cloudsPerDay != 0;
    std::optional<bool> lightning;
    if (w.boltsPerHour) lightning = *w.boltsPerHour != 0;
    QJsonObject o{
        {"firmware", v.info.firmware ? QJsonValue(QString::fromStdString(*v.info.firmware))
                                     : QJsonValue(QJsonValue::Null)},
        // As text: a serial number may be beyond what a JSON number keeps exactly.
        {"serial", v.info.serial ? QJsonValue(QString::fromStdString(serialText(*v.info.serial)))
                                 : QJsonValue(QJsonValue::Null)},
        {"energy", number(v.info.energyKWh)},
        {"clock_offset", v.clockOffset ? QJsonValue(std::round(*v.clockOffset))
                                       : QJsonValue(QJsonValue::Null)},
        {"link", v.link},
        {"demo_loop", onOff(v.info.demoLoop)},
        {"moon", onOff(moonOn)},
        {"clouds", onOff(clouds)},
        {"lightning", onOff(lightning)},
        {"moon_intensity", number(v.moon.intensity)},
        {"clouds_per_day", number(w.cloudsPerDay)},
        {"cloud_duration", number(w.cloudDuration)},
        {"cloud_intensity", number(w.cloudDimming)},
        {"bolts_per_hour", number(w.boltsPerHour)},
    };
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray channelPayload(const ChannelLight& light) {
    QJsonObject o{{"state", light.on ? QStringLiteral("ON") : QStringLiteral("OFF")},
                  {"brightness", light.brightness},
                  {"color_mode", QStringLiteral("brightness")}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<Command> parseCommand(const TopicScheme& topics, const QString& topic,
                                    const QByteArray& payload) {
    const auto where = topics.lampTopic(topic);
    if (!where || where->second.isEmpty() || where->second.back() != "set") return std::nullopt;
    const QStringList& rest = where->second;
    Command c;
    c.lamp = where->first;
    const bool light = rest.size() == 3 && rest[0] == "channel";
    // A light is answered as the channel it names, refused or not.
    c.entity = light ? QStringLiteral("channel/%1").arg(rest[1]) : rest[0];
    // Every command but a preset is a word, a number or a small JSON object:
    // anything much larger is refused before it is parsed on the main thread.
    constexpr qsizetype kMaxCommandSize = 4096;
    if (c.entity != "preset" && payload.size() > kMaxCommandSize) {
        c.error = QStringLiteral("the command is longer than %1 bytes").arg(kMaxCommandSize);
        return c;
    }
    if (light) {
        c.kind = Command::Kind::Light;
        bool ok = false;
        c.channel = rest[1].toInt(&ok);
        if (!ok || c.channel < 0) {
            c.error = QStringLiteral("no channel \"%1\"").arg(rest[1]);
            return c;
        }
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
        if (!doc.isObject()) {
            c.error = QStringLiteral("a light command is a JSON object");
            return c;
        }
        const QJsonObject o = doc.object();
        const QString state = o.value("state").toString().toUpper();
        if (state != "ON" && state != "OFF") {
            c.error = QStringLiteral("a light command needs \"state\": \"ON\" or \"OFF\"");
            return c;
        }
        c.on = state == "ON";
        if (o.contains("brightness")) {
            const double b = o.value("brightness").toDouble(-1);
            if (!o.value("brightness").isDouble() || b < 0 || b > 255) {
                c.error = QStringLiteral("brightness must be 0 ... 255");
                return c;
            }
            c.brightness = static_cast<int>(std::lround(b));
        }
        return c;
    }
    if (rest.size() != 2) {
        c.error = QStringLiteral("unknown command topic %1").arg(topic);
        return c;
    }
    if (c.entity == "preset") {
        c.kind = Command::Kind::Preset;
        c.text = payload;
        if (payload.trimmed().isEmpty()) c.error = QStringLiteral("the preset text is empty");
        // As large as a preset file may be, and no larger.
        if (static_cast<std::size_t>(payload.size()) > kMaxPresetFileSize) {
            c.error = QStringLiteral("the preset text is larger than a preset file may be");
            c.text.clear();
        }
        return c;
    }
    const EntityDef* e = findEntity(c.entity);
    if (!e || e->kind == EntityKind::Sensor || e->kind == EntityKind::Light) {
        c.error = QStringLiteral("\"%1\" takes no commands").arg(c.entity);
        return c;
    }
    switch (e->kind) {
        case EntityKind::Switch: {
            c.kind = Command::Kind::Switch;
            const auto on = parseOnOff(payload);
            if (!on) {
                c.error = QStringLiteral("%1 takes ON or OFF").arg(c.entity);
            } else {
                c.on = *on;
            }
            break;
        }
        case EntityKind::Number: {
            c.kind = Command::Kind::Number;
            bool ok = false;
            const double v = payload.trimmed().toDouble(&ok);
            if (!ok || !std::isfinite(v) || v < e->min || v > e->max) {
                c.error = QStringLiteral("%1 takes a number from %2 to %3")
                              .arg(c.entity)
                              .arg(e->min)
                              .arg(e->max);
            } else {
                c.value = static_cast<int>(std::lround(v));
            }
            break;
        }
        case EntityKind::Button:
            c.kind = Command::Kind::Button;
            break;
        default:
            break;
    }
    return c;
}

QByteArray resultPayload(const QString& command, bool ok, const QString& message) {
    const QJsonObject o{{"command", command}, {"ok", ok}, {"message", message}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

}  // namespace aq::bridge
