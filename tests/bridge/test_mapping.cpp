// The bridge's configuration and entity mapping, without a broker: what is
// accepted and refused, the discovery messages, the state and the commands.
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

#include "bridge/BridgeConfig.h"
#include "bridge/EntityMap.h"

namespace aq::bridge {
namespace {

QProcessEnvironment environment(std::initializer_list<std::pair<QString, QString>> values) {
    QProcessEnvironment env;
    for (const auto& [name, value] : values) env.insert(name, value);
    return env;
}

class ConfigTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& text) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(ConfigTest, ReadsAGoodFileAndTheSecretFromAFileOrTheEnvironment) {
    write("secret", "s3cret\n");
    // Named beside the configuration file.
    const QString ini = write("mqtt.ini", "[broker]\nurl=mqtt://broker.lan:1884\nuser=tank\n"
                                          "password_file=secret"
                                          "\n[bridge]\nname=Living room\nlamps=Reef, 00:11:22:33:44:55\n"
                                          "topic_prefix=home/aq\n");
    QString error;
    const auto config = readBridgeConfig(ini, true, {}, error);
    ASSERT_TRUE(config) << error.toStdString();
    EXPECT_EQ(config->broker.host, "broker.lan");
    EXPECT_EQ(config->broker.port, 1884);
    EXPECT_EQ(config->password, "s3cret");
    EXPECT_EQ(config->lamps, (QStringList{"Reef", "00:11:22:33:44:55"}));
    EXPECT_EQ(config->topicPrefix, "home/aq");
    EXPECT_EQ(config->nodeId, "Living_room");

    const QString plain = write("plain.ini", "[broker]\nuser=tank\n[bridge]\nlamps=all\n");
    const auto fromEnv =
        readBridgeConfig(plain, true, environment({{kPasswordVariable, "fromenv"}}), error);
    ASSERT_TRUE(fromEnv) << error.toStdString();
    EXPECT_EQ(fromEnv->password, "fromenv");
    EXPECT_TRUE(fromEnv->lamps.isEmpty());
    EXPECT_EQ(fromEnv->broker.host, "localhost");

    // Without --config a missing default file means the defaults.
    EXPECT_TRUE(readBridgeConfig(dir.filePath("absent.ini"), false, {}, error));
}

TEST_F(ConfigTest, RefusesABadFileWithOneLineSayingWhy) {
    const struct {
        const char* text;
        const char* says;
    } cases[] = {
        {"[broker]\nurl=http://x\n", "is not mqtt://"},
        {"[broker]\nurl=mqtt://\n", "names no host"},
        {"[broker]\nurl=mqtt://u:p@host\n", "must not hold a user or password"},
        {"[broker]\nurl=mqtt://host:99999\n", "mqtt://"},
        {"[broker]\npassword=x\n", "does not belong in the configuration"},
        {"[broker]\nuser=a\npassword_file=/nonexistent/secret\n", "cannot be read"},
        {"[broker]\nuser=a\npassword_file=empty\n", "holds no password"},
        {"[broker]\nurl=mqtts://host\n", "mqtts needs broker/ca_file"},
        {"[broker]\nca_file=/etc/hostname\n", "not mqtts"},
        {"[brokr]\nurl=mqtt://host\n", "unknown key \"brokr/url\""},
        {"[bridge]\ntopic_prefix=a/#\n", "no valid topic prefix"},
        {"[bridge]\ndiscovery_prefix=/ha\n", "no valid topic prefix"},
    };
    write("empty", "\n");
    for (const auto& c : cases) {
        const QString path = write("bad.ini", c.text);
        QString error;
        EXPECT_FALSE(readBridgeConfig(path, true, {}, error)) << c.text;
        EXPECT_TRUE(error.contains(c.says)) << c.text << " -> " << error.toStdString();
        EXPECT_FALSE(error.contains('\n')) << error.toStdString();
        EXPECT_TRUE(error.startsWith(path)) << error.toStdString();
    }
    QString error;
    EXPECT_FALSE(readBridgeConfig(dir.filePath("absent.ini"), true, {}, error));
    EXPECT_TRUE(error.contains("no such file"));
    // A password without a user is refused rather than silently unused.
    const QString noUser = write("nouser.ini", "[broker]\nurl=mqtt://host\n");
    EXPECT_FALSE(readBridgeConfig(noUser, true, environment({{kPasswordVariable, "x"}}), error));
}

TEST(LampKey, UsesTheAddressDigitsWhenTheIdentifierIsMadeOfThem) {
    EXPECT_EQ(lampKey("00000000-0000-0000-0000-0A1C0000D001"), "0a1c0000d001");
    EXPECT_EQ(lampKey("6F9619FF-8B86-D011-B42D-00C04FC964FF"), "6f9619ff8b86d011b42d00c04fc964ff");
}

class MappingTest : public ::testing::Test {
protected:
    TopicScheme topics{"aqlamp", "homeassistant", "room"};
    LampIdentity lamp{"0a1c0000d001", "00000000-0000-0000-0000-0A1C0000D001", "Reef", "1.0.7",
                      {"Royal Blue", "Red", ""}};
};

TEST_F(MappingTest, DiscoveryAnnouncesEveryEntityWithItsTopicsAndDevice) {
    const std::vector<Message> messages = discoveryMessages(topics, lamp, "room", "0.1.0");
    ASSERT_EQ(messages.size(), lampEntities().size() + lamp.channels.size());
    std::set<QString> ids;
    std::set<QString> components;
    for (const Message& m : messages) {
        const QStringList levels = m.topic.split('/');
        ASSERT_EQ(levels.size(), 5) << m.topic.toStdString();
        EXPECT_EQ(levels[0], "homeassistant");
        EXPECT_EQ(levels[2], "room");
        EXPECT_EQ(levels[4], "config");
        components.insert(levels[1]);
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(m.payload, &error);
        ASSERT_TRUE(doc.isObject()) << m.payload.toStdString();
        const QJsonObject o = doc.object();
        EXPECT_TRUE(ids.insert(o["unique_id"].toString()).second) << "duplicate unique_id";
        EXPECT_FALSE(o["name"].toString().isEmpty());
        const QJsonObject device = o["device"].toObject();
        EXPECT_EQ(device["identifiers"].toArray().first().toString(), "aqlamp_0a1c0000d001");
        EXPECT_EQ(device["name"].toString(), "Reef");
        EXPECT_EQ(device["sw_version"].toString(), "1.0.7");
        EXPECT_EQ(o["availability_mode"].toString(), "all");
        const QJsonArray availability = o["availability"].toArray();
        ASSERT_FALSE(availability.isEmpty());
        EXPECT_EQ(availability[0].toObject()["topic"].toString(), topics.bridgeAvailability());
        const QString component = levels[1];
        const QString object = levels[3].mid(lamp.key.size() + 1);
        if (object != "link") {
            ASSERT_EQ(availability.size(), 2) << m.topic.toStdString();
            EXPECT_EQ(availability[1].toObject()["topic"].toString(),
                      topics.lampAvailability(lamp.key));
        }
        if (component == "button") {
            EXPECT_FALSE(o.contains("state_topic"));
        } else if (component == "light") {
            EXPECT_EQ(o["schema"].toString(), "json");
            EXPECT_TRUE(o["brightness"].toBool());
            const int channel = object.mid(QString("channel_").size()).toInt();
            EXPECT_EQ(o["state_topic"].toString(), topics.channelState(lamp.key, channel));
            EXPECT_EQ(o["command_topic"].toString(), topics.channelCommand(lamp.key, channel));
        } else {
            EXPECT_EQ(o["state_topic"].toString(), topics.lampState(lamp.key));
            EXPECT_EQ(o["value_template"].toString(), "{{ value_json." + object + " }}");
        }
        if (component != "sensor" && component != "light") {
            EXPECT_EQ(o["command_topic"].toString(), topics.command(lamp.key, object));
            // Every command topic is one the bridge parses as a command.
            EXPECT_TRUE(parseCommand(topics, o["command_topic"].toString(), "ON").has_value());
        }
    }
    EXPECT_EQ(components, (std::set<QString>{"sensor", "switch", "number", "button", "light"}));
}

TEST_F(MappingTest, StateCarriesEveryValueAnEntityReads) {
    LampValues v;
    v.info.firmware = "1.0.7";
    v.info.serial = 9007199254740993ull;  // beyond what a double keeps
    v.info.energyKWh = 412;
    v.info.demoLoop = false;
    v.moon.active = {true, false};
    v.moon.intensity = 40;
    v.weather.cloudsPerDay = 0;
    v.weather.boltsPerHour = 12;
    v.clockOffset = -3.4;
    v.link = "connected";
    const QJsonObject o = QJsonDocument::fromJson(statePayload(v)).object();
    for (const EntityDef& e : lampEntities()) {
        if (e.kind != EntityKind::Button) {
            EXPECT_TRUE(o.contains(e.key)) << e.key;
        }
    }
    EXPECT_EQ(o["serial"].toString(), "0x0020000000000001");
    EXPECT_EQ(o["moon"].toString(), "ON");
    EXPECT_EQ(o["clouds"].toString(), "OFF");
    EXPECT_EQ(o["lightning"].toString(), "ON");
    EXPECT_EQ(o["clock_offset"].toInt(), -3);
    EXPECT_TRUE(o["cloud_duration"].isNull());  // not read: unknown, not 0
}

TEST_F(MappingTest, CommandsAreParsedOrRefusedWithAReason) {
    const QString base = "aqlamp/room/0a1c0000d001/";
    using K = Command::Kind;
    const struct {
        QString topic;
        QByteArray payload;
        K kind;
        const char* error;  // empty: accepted
        int value;          // number value, light brightness (-1 none), switch on (1/0)
    } cases[] = {
        {base + "moon/set", "on", K::Switch, "", 1},
        {base + "demo_loop/set", "OFF", K::Switch, "", 0},
        {base + "clouds/set", "maybe", K::Switch, "takes ON or OFF", 0},
        {base + "bolts_per_hour/set", "180", K::Number, "", 180},
        {base + "cloud_duration/set", "42.0", K::Number, "", 42},
        {base + "bolts_per_hour/set", "181", K::Number, "from 0 to 180", 0},
        {base + "moon_intensity/set", "nan", K::Number, "from 0 to 100", 0},
        {base + "set_clock/set", "PRESS", K::Button, "", 0},
        {base + "channel/2/set", R"({"state":"ON","brightness":128})", K::Light, "", 128},
        {base + "channel/2/set", R"({"state":"OFF"})", K::Light, "", -1},
        {base + "channel/2/set", R"({"brightness":128})", K::Light, "needs \"state\"", 0},
        {base + "channel/2/set", R"({"state":"ON","brightness":300})", K::Light, "0 ... 255", 0},
        {base + "channel/x/set", R"({"state":"ON"})", K::Light, "no channel", 0},
        {base + "channel/1/set", "ON", K::Light, "JSON object", 0},
        {base + "channel/1/set", R"({"state":"ON")" + QByteArray(100000, ' ') + "}", K::Light,
         "longer than", 0},
        {base + "moon/set", "ON" + QByteArray(100000, ' '), K::Switch, "longer than", 0},
        {base + "preset/set", "", K::Preset, "empty", 0},
        {base + "preset/set", QByteArray(5 * 1024 * 1024, 'x'), K::Preset, "larger than", 0},
        {base + "firmware/set", "1", K::Switch, "takes no commands", 0},
        {base + "nonsense/set", "1", K::Switch, "takes no commands", 0},
    };
    for (const auto& c : cases) {
        const auto command = parseCommand(topics, c.topic, c.payload);
        ASSERT_TRUE(command) << c.topic.toStdString();
        EXPECT_EQ(command->lamp, "0a1c0000d001");
        // The answer names the command as its topic does.
        EXPECT_TRUE(c.topic.endsWith(command->entity + "/set")) << command->entity.toStdString();
        EXPECT_TRUE(command->error.contains(c.error))
            << c.topic.toStdString() << " " << command->error.toStdString();
        if (*c.error) continue;
        EXPECT_TRUE(command->error.isEmpty()) << c.topic.toStdString();
        EXPECT_EQ(command->kind, c.kind) << c.topic.toStdString();
        if (c.kind == K::Number) {
            EXPECT_EQ(command->value, c.value);
        } else if (c.kind == K::Switch) {
            EXPECT_EQ(command->on, c.value == 1);
        } else if (c.kind == K::Light) {
            EXPECT_EQ(command->brightness.value_or(-1), c.value);
        }
    }
    // Not this bridge's commands: left alone.
    for (const QString& other : {QString("aqlamp/other/0a1c0000d001/moon/set"),
                                 base + "state", base + "channel/1/state", QString("aqlamp/room")}) {
        EXPECT_FALSE(parseCommand(topics, other, "ON")) << other.toStdString();
    }
}

}  // namespace
}  // namespace aq::bridge
