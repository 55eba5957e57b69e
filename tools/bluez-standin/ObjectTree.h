#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <map>

namespace aq::standin {

// Interfaces of one object with their properties, and every object under "/": the shapes of
// org.freedesktop.DBus.ObjectManager (a{sa{sv}} and a{oa{sa{sv}}}).
using InterfaceList = QMap<QString, QVariantMap>;
using ManagedObjectList = QMap<QDBusObjectPath, InterfaceList>;

// Registers the compound D-Bus types the stand-in sends. Call once before the first message.
void registerDBusTypes();

// The objects the stand-in exports, kept the way BlueZ keeps them: one object manager at "/",
// org.freedesktop.DBus.Properties (Get, GetAll, Set, PropertiesChanged) on every object, and
// InterfacesAdded / InterfacesRemoved as objects come and go. Calls to the objects' own
// interfaces go to the handler each object was added with; nothing is answered on its behalf,
// so a handler may answer later, or never.
class ObjectTree : public QDBusVirtualObject {
public:
    // Takes one method call of the object's own interfaces; false: no such method (the caller
    // is told so).
    using MethodHandler = std::function<bool(const QDBusMessage& call)>;

    explicit ObjectTree(const QDBusConnection& connection);

    // Exports the object and announces it with InterfacesAdded. `writable` names the properties
    // Set may change, as "Interface.Property".
    void addObject(const QString& path, const InterfaceList& interfaces, MethodHandler handler,
                   const QStringList& writable = {});
    // An object outside the object manager (not listed, not announced): the test hook.
    void addPrivateObject(const QString& path, MethodHandler handler);
    // Withdraws the object and announces it with InterfacesRemoved.
    void removeObject(const QString& path);
    bool hasObject(const QString& path) const;

    QVariant property(const QString& path, const QString& interface, const QString& name) const;
    // Stores the values and sends one PropertiesChanged with those that differ from before.
    void setProperties(const QString& path, const QString& interface, const QVariantMap& values);
    void setProperty(const QString& path, const QString& interface, const QString& name,
                     const QVariant& value) {
        setProperties(path, interface, {{name, value}});
    }
    // Drops the properties and sends them as invalidated, as BlueZ does with RSSI when a scan
    // ends.
    void invalidateProperties(const QString& path, const QString& interface,
                              const QStringList& names);

    void reply(const QDBusMessage& call, const QList<QVariant>& arguments = {});
    void replyError(const QDBusMessage& call, const QString& name, const QString& text);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    struct Object {
        InterfaceList interfaces;
        MethodHandler handler;
        QStringList writable;
        bool managed = true;
    };

    ManagedObjectList managedObjects() const;
    void handleProperties(const QDBusMessage& call, Object& object);
    void send(const QDBusMessage& message);

    QDBusConnection _connection;
    std::map<QString, Object> _objects;
};

}  // namespace aq::standin

Q_DECLARE_METATYPE(aq::standin::InterfaceList)
Q_DECLARE_METATYPE(aq::standin::ManagedObjectList)
