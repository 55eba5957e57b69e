#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

#include "session/LampSession.h"

namespace aq::bridge {

// Where everything of one bridge goes on the broker. A lamp's topics sit
// under the bridge's node, so several bridges share one broker without
// answering for each other's lamps:
//   <prefix>/<node>/availability                       online / offline (last will)
//   <prefix>/<node>/<lamp>/availability                 follows the lamp's link
//   <prefix>/<node>/<lamp>/state                        retained JSON of every value
//   <prefix>/<node>/<lamp>/channel/<n>/state            retained JSON light state
//   <prefix>/<node>/<lamp>/<entity>/set                 commands
//   <prefix>/<node>/<lamp>/channel/<n>/set              light commands (JSON)
//   <prefix>/<node>/<lamp>/preset/set                   a preset file's text
//   <prefix>/<node>/<lamp>/result                       what became of a command
// and the discovery messages under
//   <discovery_prefix>/<component>/<node>/<lamp>_<entity>/config.
class TopicScheme {
public:
    TopicScheme(QString prefix, QString discoveryPrefix, QString node);

    QString bridgeAvailability() const;
    QString lampAvailability(const QString& lamp) const;
    QString lampState(const QString& lamp) const;
    QString channelState(const QString& lamp, int channel) const;
    QString command(const QString& lamp, const QString& entity) const;
    QString channelCommand(const QString& lamp, int channel) const;
    QString result(const QString& lamp) const;
    QString discovery(const QString& component, const QString& lamp,
                      const QString& object) const;
    // What the bridge subscribes to: every command of its node.
    QStringList subscriptions() const;
    // The lamp and the rest of a topic below the node, or none for a topic
    // that is not under this bridge's node.
    std::optional<std::pair<QString, QStringList>> lampTopic(const QString& topic) const;

    const QString& node() const { return _node; }

private:
    QString _prefix;
    QString _discoveryPrefix;
    QString _node;
};

// A lamp's topic level from its identifier: the Bluetooth address digits
// when the identifier is made from one, else the identifier's hex digits;
// lower case.
QString lampKey(const std::string& identifier);

enum class EntityKind { Sensor, Switch, Number, Button, Light };

// One entity of the fixed set every lamp has (the channel lights come from
// the lamp's channels). `key` is the entity's topic level, object id and
// state field.
struct EntityDef {
    EntityKind kind;
    const char* key;
    const char* name;
    int min = 0;      // numbers
    int max = 0;      // numbers
    const char* unit = nullptr;
    const char* deviceClass = nullptr;
    const char* stateClass = nullptr;
    const char* icon = nullptr;
    bool diagnostic = false;
};
const std::vector<EntityDef>& lampEntities();
const EntityDef* findEntity(const QString& key);

// What a discovery message says of the lamp.
struct LampIdentity {
    QString key;         // lampKey of the identifier
    QString identifier;  // the lamp's identifier
    QString name;
    QString firmware;
    std::vector<QString> channels;  // the channels' names
};

struct Message {
    QString topic;
    QByteArray payload;
};

// The retained discovery messages of one lamp: every entity of the table and
// one light per channel, each a JSON object with its unique id, name, device,
// topics and availability (bridge and lamp, both needed).
std::vector<Message> discoveryMessages(const TopicScheme& topics, const LampIdentity& lamp,
                                       const QString& bridgeName, const QString& bridgeVersion);
// The empty retained messages that remove what discoveryMessages announced.
std::vector<Message> discoveryRemovals(const TopicScheme& topics, const LampIdentity& lamp);

// Everything the state topic tells, as read from the lamp.
struct LampValues {
    LampInfo info;
    MoonSettings moon;
    WeatherSettings weather;
    // The lamp's clock minus the host's, in seconds, when read.
    std::optional<double> clockOffset;
    QString link;  // "connected", "connecting", "lost", ...
};
QByteArray statePayload(const LampValues& values);

// A channel light's state, JSON schema: {"state":"ON","brightness":n}.
struct ChannelLight {
    bool on = false;
    int brightness = 255;  // 1 ... 255, kept while off
};
QByteArray channelPayload(const ChannelLight& light);

// A command a message asks for. `error` is set for a message that is ours
// but cannot be followed (it is answered on the result topic).
struct Command {
    enum class Kind { Switch, Number, Button, Light, Preset };
    Kind kind = Kind::Switch;
    QString lamp;
    QString entity;       // the entity key; "channel/<n>" for lights, "preset"
    bool on = false;      // switches, lights
    int value = 0;        // numbers
    int channel = -1;     // lights
    std::optional<int> brightness;  // lights
    QByteArray text;      // presets
    QString error;
};
// None when the topic is no command topic of this bridge.
std::optional<Command> parseCommand(const TopicScheme& topics, const QString& topic,
                                    const QByteArray& payload);

// The answer on the result topic: {"command":..., "ok":..., "message":...}.
QByteArray resultPayload(const QString& command, bool ok, const QString& message);

}  // namespace aq::bridge
