#include "ObjectTree.h"

#include <QDBusMetaType>
#include <QDBusVariant>

namespace aq::standin {

namespace {

const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kIntrospectableInterface = QStringLiteral("org.freedesktop.DBus.Introspectable");
const QString kObjectManagerInterface = QStringLiteral("org.freedesktop.DBus.ObjectManager");

}  // namespace

void registerDBusTypes() {
    qDBusRegisterMetaType<InterfaceList>();
    qDBusRegisterMetaType<ManagedObjectList>();
    qDBusRegisterMetaType<QList<QByteArray>>();
    qDBusRegisterMetaType<QList<uint>>();
}

ObjectTree::ObjectTree(const QDBusConnection& connection) : _connection(connection) {}

void ObjectTree::send(const QDBusMessage& message) {
    _connection.send(message);
}

void ObjectTree::addObject(const QString& path, const InterfaceList& interfaces,
                           MethodHandler handler, const QStringList& writable) {
    _objects[path] = Object{interfaces, std::move(handler), writable, true};
    // BlueZ lists the two standard interfaces with every object it announces.
    InterfaceList announced = interfaces;
    announced.insert(kIntrospectableInterface, {});
    announced.insert(kPropertiesInterface, {});
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/"), kObjectManagerInterface,
                                                     QStringLiteral("InterfacesAdded"));
    signal << QVariant::fromValue(QDBusObjectPath(path)) << QVariant::fromValue(announced);
    send(signal);
}

void ObjectTree::addPrivateObject(const QString& path, MethodHandler handler) {
    _objects[path] = Object{{}, std::move(handler), {}, false};
}

void ObjectTree::removeObject(const QString& path) {
    const auto found = _objects.find(path);
    if (found == _objects.end()) return;
    QStringList names = found->second.interfaces.keys();
    const bool managed = found->second.managed;
    _objects.erase(found);
    if (!managed) return;
    names << kIntrospectableInterface << kPropertiesInterface;
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/"), kObjectManagerInterface,
                                                     QStringLiteral("InterfacesRemoved"));
    signal << QVariant::fromValue(QDBusObjectPath(path)) << names;
    send(signal);
}

bool ObjectTree::hasObject(const QString& path) const {
    return _objects.count(path) > 0;
}

QVariant ObjectTree::property(const QString& path, const QString& interface,
                              const QString& name) const {
    const auto found = _objects.find(path);
    if (found == _objects.end()) return {};
    return found->second.interfaces.value(interface).value(name);
}

void ObjectTree::setProperties(const QString& path, const QString& interface,
                               const QVariantMap& values) {
    const auto found = _objects.find(path);
    if (found == _objects.end()) return;
    QVariantMap& properties = found->second.interfaces[interface];
    QVariantMap changed;
    for (auto it = values.begin(); it != values.end(); ++it) {
        const auto old = properties.constFind(it.key());
        if (old != properties.constEnd() && old.value() == it.value()) continue;
        properties.insert(it.key(), it.value());
        changed.insert(it.key(), it.value());
    }
    if (changed.isEmpty() || !found->second.managed) return;
    QDBusMessage signal =
        QDBusMessage::createSignal(path, kPropertiesInterface, QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    send(signal);
}

void ObjectTree::invalidateProperties(const QString& path, const QString& interface,
                                      const QStringList& names) {
    const auto found = _objects.find(path);
    if (found == _objects.end()) return;
    QVariantMap& properties = found->second.interfaces[interface];
    QStringList dropped;
    for (const QString& name : names) {
        if (properties.remove(name) > 0) dropped << name;
    }
    if (dropped.isEmpty()) return;
    QDBusMessage signal =
        QDBusMessage::createSignal(path, kPropertiesInterface, QStringLiteral("PropertiesChanged"));
    signal << interface << QVariantMap() << dropped;
    send(signal);
}

void ObjectTree::reply(const QDBusMessage& call, const QList<QVariant>& arguments) {
    send(call.createReply(arguments));
}

void ObjectTree::replyError(const QDBusMessage& call, const QString& name, const QString& text) {
    send(call.createErrorReply(name, text));
}

ManagedObjectList ObjectTree::managedObjects() const {
    ManagedObjectList list;
    for (const auto& [path, object] : _objects) {
        if (!object.managed) continue;
        InterfaceList interfaces = object.interfaces;
        interfaces.insert(kIntrospectableInterface, {});
        interfaces.insert(kPropertiesInterface, {});
        list.insert(QDBusObjectPath(path), interfaces);
    }
    return list;
}

QString ObjectTree::introspect(const QString& path) const {
    // Names only: Qt's BlueZ backend calls fixed methods and never introspects; this is for
    // people looking at the bus with the usual tools.
    QString xml;
    if (path == QLatin1String("/"))
        xml += QStringLiteral("<interface name=\"%1\"/>").arg(kObjectManagerInterface);
    const auto found = _objects.find(path);
    if (found == _objects.end()) return xml;
    for (const QString& name : found->second.interfaces.keys())
        xml += QStringLiteral("<interface name=\"%1\"/>").arg(name);
    xml += QStringLiteral("<interface name=\"%1\"/>").arg(kPropertiesInterface);
    return xml;
}

bool ObjectTree::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    const QString path = message.path();
    if (path == QLatin1String("/") && message.interface() == kObjectManagerInterface &&
        message.member() == QLatin1String("GetManagedObjects")) {
        reply(message, {QVariant::fromValue(managedObjects())});
        return true;
    }
    const auto found = _objects.find(path);
    if (found == _objects.end()) {
        replyError(message, QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
                   QStringLiteral("No such object %1").arg(path));
        return true;
    }
    if (message.interface() == kPropertiesInterface) {
        handleProperties(message, found->second);
        return true;
    }
    // Copied: the handler may add or remove objects, this one included.
    const MethodHandler handler = found->second.handler;
    if (!handler || !handler(message)) {
        replyError(message, QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                   QStringLiteral("No method %1.%2 on %3")
                       .arg(message.interface(), message.member(), path));
    }
    return true;
}

void ObjectTree::handleProperties(const QDBusMessage& call, Object& object) {
    const QList<QVariant> args = call.arguments();
    const QString member = call.member();
    const QString interface = args.value(0).toString();
    const auto invalidArgs = [&](const QString& text) {
        replyError(call, QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"), text);
    };
    if (!object.interfaces.contains(interface)) {
        invalidArgs(QStringLiteral("No such interface '%1'").arg(interface));
        return;
    }
    QVariantMap& properties = object.interfaces[interface];
    if (member == QLatin1String("GetAll")) {
        reply(call, {QVariant::fromValue(properties)});
        return;
    }
    const QString name = args.value(1).toString();
    const auto found = properties.constFind(name);
    if (member == QLatin1String("Get")) {
        // BlueZ leaves out a property that has no value (RSSI outside a scan) and
        // answers a Get for it with InvalidArgs.
        if (found == properties.constEnd()) {
            invalidArgs(QStringLiteral("No such property '%1'").arg(name));
            return;
        }
        reply(call, {QVariant::fromValue(QDBusVariant(found.value()))});
        return;
    }
    if (member == QLatin1String("Set")) {
        if (found == properties.constEnd()) {
            invalidArgs(QStringLiteral("No such property '%1'").arg(name));
            return;
        }
        if (!object.writable.contains(interface + QLatin1Char('.') + name)) {
            replyError(call, QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly"),
                       QStringLiteral("Property '%1' is not writable").arg(name));
            return;
        }
        const QVariant value = qvariant_cast<QDBusVariant>(args.value(2)).variant();
        if (value.metaType() != found.value().metaType()) {
            invalidArgs(QStringLiteral("Wrong type for '%1'").arg(name));
            return;
        }
        reply(call);
        setProperties(call.path(), interface, {{name, value}});
        return;
    }
    replyError(call, QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
               QStringLiteral("No method %1").arg(member));
}

}  // namespace aq::standin
