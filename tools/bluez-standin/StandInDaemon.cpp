#include "StandInDaemon.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>

#include <cstdio>

#include "link/LampUuids.h"

namespace aq::standin {

namespace {

const QString kAdapterPath = QStringLiteral("/org/bluez/hci0");
const QString kAdapter = QStringLiteral("org.bluez.Adapter1");
const QString kControlPath = QStringLiteral("/org/aqlamp/standin");
const QString kControl = QStringLiteral("org.aqlamp.StandIn1");

}  // namespace

StandInDaemon::StandInDaemon(const QDBusConnection& connection, const StandInOptions& options)
    : _connection(connection), _options(options), _tree(_connection) {
    _advertising.setInterval(std::max(1, options.advertiseMs));
    QObject::connect(&_advertising, &QTimer::timeout, this, [this] {
        for (const auto& device : _devices) device->advertise();
    });
}

StandInDaemon::~StandInDaemon() {
    _devices.clear();
    _connection.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
}

bool StandInDaemon::start(QString& error) {
    if (!_connection.registerVirtualObject(QStringLiteral("/"), &_tree, QDBusConnection::SubPath)) {
        error =
            QStringLiteral("cannot register the object tree: ") + _connection.lastError().message();
        return false;
    }
    // The root object of a real bluetoothd; the stand-in offers none of its managers' methods.
    _tree.addObject(QStringLiteral("/org/bluez"),
                    {{"org.bluez.AgentManager1", {}}, {"org.bluez.ProfileManager1", {}}}, {});
    if (!_options.noAdapter) exportAdapter();
    _tree.addPrivateObject(kControlPath,
                           [this](const QDBusMessage& call) { return onControlCall(call); });

    // Last: a client that sees the name finds the objects there.
    if (!_connection.registerService(QStringLiteral("org.bluez"))) {
        error = QStringLiteral("cannot own org.bluez: ") + _connection.lastError().message();
        return false;
    }
    return true;
}

void StandInDaemon::exportAdapter() {
    _tree.addObject(
        kAdapterPath,
        {{kAdapter,
          {{"Address", QStringLiteral("00:1A:7D:A5:00:01")},
           {"AddressType", QStringLiteral("public")},
           {"Name", QStringLiteral("aq-standin")},
           {"Alias", QStringLiteral("aq-standin")},
           {"Class", QVariant::fromValue(quint32(0x0c010c))},
           {"Powered", !_options.adapterOff},
           {"Discoverable", false},
           {"DiscoverableTimeout", QVariant::fromValue(quint32(180))},
           {"Pairable", true},
           {"PairableTimeout", QVariant::fromValue(quint32(0))},
           {"Discovering", false},
           {"UUIDs", QStringList{}},
           {"Modalias", QStringLiteral("usb:v1D6Bp0246d0542")},
           {"Roles", QStringList{"central", "peripheral"}}}}},
        [this](const QDBusMessage& call) { return onAdapterCall(call); },
        {kAdapter + ".Powered", kAdapter + ".Discoverable", kAdapter + ".Pairable",
         kAdapter + ".Alias", kAdapter + ".DiscoverableTimeout", kAdapter + ".PairableTimeout"});
    for (int i = 0; i < _options.lamps; ++i)
        _devices.push_back(std::make_unique<StandInDevice>(_tree, _options, i, kAdapterPath));
}

// ---------------------------------------------------------------------------
// Adapter

bool StandInDaemon::onAdapterCall(const QDBusMessage& call) {
    if (call.interface() != kAdapter) return false;
    const QString member = call.member();
    if (_options.verbose)
        std::fprintf(stderr, "stand-in: Adapter1.%s from %s\n", qPrintable(member),
                     qPrintable(call.service()));
    if (member == QLatin1String("StartDiscovery")) {
        startDiscovery(call);
    } else if (member == QLatin1String("StopDiscovery")) {
        stopDiscovery(call);
    } else if (member == QLatin1String("SetDiscoveryFilter")) {
        _tree.reply(call);
    } else if (member == QLatin1String("GetDiscoveryFilters")) {
        _tree.reply(call, {QStringList{"UUIDs", "RSSI", "Pathloss", "Transport", "DuplicateData",
                                       "Discoverable", "Pattern"}});
    } else if (member == QLatin1String("RemoveDevice")) {
        const QString path = qvariant_cast<QDBusObjectPath>(call.arguments().value(0)).path();
        for (const auto& device : _devices) {
            if (device->path() == path && device->known()) {
                device->remove(QStringLiteral("by RemoveDevice"));
                _tree.reply(call);
                return true;
            }
        }
        _tree.replyError(call, QStringLiteral("org.bluez.Error.DoesNotExist"),
                         QStringLiteral("Does Not Exist"));
    } else {
        return false;
    }
    return true;
}

void StandInDaemon::startDiscovery(const QDBusMessage& call) {
    if (!_tree.property(kAdapterPath, kAdapter, "Powered").toBool()) {
        _tree.replyError(call, QStringLiteral("org.bluez.Error.NotReady"),
                         QStringLiteral("Resource Not Ready"));
        return;
    }
    _scanClients.insert(call.service());
    _tree.reply(call);
    setDiscovering(true);
}

void StandInDaemon::stopDiscovery(const QDBusMessage& call) {
    if (!_scanClients.remove(call.service())) {
        _tree.replyError(call, QStringLiteral("org.bluez.Error.Failed"),
                         QStringLiteral("No discovery started"));
        return;
    }
    _tree.reply(call);
    if (_scanClients.isEmpty()) setDiscovering(false);
}

void StandInDaemon::setDiscovering(bool on) {
    if (_tree.property(kAdapterPath, kAdapter, "Discovering").toBool() == on) return;
    _tree.setProperty(kAdapterPath, kAdapter, "Discovering", on);
    std::fprintf(stderr, "stand-in: scan %s\n", on ? "on" : "off");
    if (!on) {
        _advertising.stop();
        for (const auto& device : _devices) device->scanStopped();
        return;
    }
    // The lamps are heard one after the other, a radio delay apart.
    for (std::size_t i = 0; i < _devices.size(); ++i) {
        StandInDevice* device = _devices[i].get();
        QTimer::singleShot(_options.delayMs * static_cast<int>(i + 1) + static_cast<int>(i), device,
                           [this, device] {
                               if (!_scanClients.isEmpty()) device->advertise();
                           });
    }
    if (_options.advertiseMs > 0) _advertising.start();
}

// ---------------------------------------------------------------------------
// Test hook

StandInDevice* StandInDaemon::lampAt(const QDBusMessage& call) {
    bool ok = false;
    const uint index = call.arguments().value(0).toUInt(&ok);
    if (ok && index < _devices.size()) return _devices[index].get();
    _tree.replyError(call, QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                     QStringLiteral("No such lamp"));
    return nullptr;
}

bool StandInDaemon::onControlCall(const QDBusMessage& call) {
    if (call.interface() != kControl) return false;
    const QString member = call.member();
    if (member == QLatin1String("ClearFaults")) {
        for (const auto& device : _devices) device->clearFaults();
        _tree.reply(call);
        return true;
    }
    if (member == QLatin1String("Writes")) {
        StandInDevice* device = lampAt(call);
        if (!device) return true;
        QStringList characteristics;
        QList<QByteArray> data;
        for (const auto& write : device->lamp()->received()) {
            characteristics << QString::fromStdString(write.characteristic);
            data << QByteArray(reinterpret_cast<const char*>(write.data.data()),
                               static_cast<qsizetype>(write.data.size()));
        }
        _tree.reply(call, {characteristics, QVariant::fromValue(data)});
        return true;
    }
    if (member == QLatin1String("Programme")) {
        StandInDevice* device = lampAt(call);
        if (!device) return true;
        const uint lampDevice = call.arguments().value(1).toUInt();
        const SimLampModel model = device->lamp()->model();
        QList<QByteArray> channels;
        if (lampDevice < model.devices.size()) {
            for (const auto& points : model.devices[lampDevice].programme) {
                QByteArray packed;
                for (const SimSetPoint& p : points) {
                    packed.append(char(p.offset & 0xFF));
                    packed.append(char(p.offset >> 8));
                    packed.append(char(p.intensity));
                }
                channels << packed;
            }
        }
        _tree.reply(call, {QVariant::fromValue(channels)});
        return true;
    }
    if (member == QLatin1String("BootLoader")) {
        StandInDevice* device = lampAt(call);
        if (!device) return true;
        const SimBootLoader& loader = device->lamp()->bootLoader();
        const std::vector<std::uint8_t> image = loader.image();
        QList<uint> addresses;
        for (std::uint32_t a : loader.pageAddresses()) addresses << a;
        _tree.reply(call, {loader.completedUpdates(), loader.refusedPackets(),
                           QByteArray(reinterpret_cast<const char*>(image.data()),
                                      static_cast<qsizetype>(image.size())),
                           QVariant::fromValue(addresses)});
        return true;
    }
    return false;
}

}  // namespace aq::standin
