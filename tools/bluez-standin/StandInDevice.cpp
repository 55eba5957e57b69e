#include "StandInDevice.h"

#include <QDBusObjectPath>
#include <QTimer>

#include <cstdio>

#include "link/LampUuids.h"
#include "sim/SimLampModel.h"

namespace aq::standin {

namespace {

const QString kDevice = QStringLiteral("org.bluez.Device1");
const QString kFailed = QStringLiteral("org.bluez.Error.Failed");

// Handles as a lamp's GATT table might number them: object paths follow the handles, so the
// characteristics come in an order that is not the one the link asks for them in.
constexpr std::array<int, 3> kCharacteristicHandles = {0x0011, 0x0014, 0x0017};
constexpr int kServiceHandle = 0x0010;

}  // namespace

StandInDevice::StandInDevice(ObjectTree& tree, const StandInOptions& options, int index,
                             const QString& adapterPath)
    : _tree(tree),
      _options(options),
      _index(index),
      _adapterPath(adapterPath),
      // A random static address, as lamps use.
      _address(QStringLiteral("C0:4A:51:00:00:%1").arg(index + 1, 2, 10, QLatin1Char('0'))),
      _path(adapterPath + QStringLiteral("/dev_") + QString(_address).replace(':', '_')),
      _servicePath(_path +
                   QStringLiteral("/service%1").arg(kServiceHandle, 4, 16, QLatin1Char('0'))),
      _lateUuidMs(options.lateUuidMs) {
    const bool faulty = options.faultLamp < 0 || options.faultLamp == index;
    SimLampModel model = SimLampModel::demo(static_cast<std::size_t>(options.slaves));
    model.setNameText(QStringLiteral("Tank %1").arg(index + 1).toStdString());
    const std::string identifier =
        "00000000-0000-0000-0000-" + QString(_address).remove(':').toUpper().toStdString();
    _lamp = std::make_shared<SimModelLamp>(
        QStringLiteral("AQ Lamp %1").arg(index + 1).toStdString(), identifier, std::move(model));
    _lamp->setClock(localTimeNow());
    if (faulty) {
        SimFaults faults;
        faults.refuseConnection = options.refuseConnect;
        faults.commandCharacteristicOnly = options.commandOnly;
        faults.noAnswerFrom = options.noAnswerFrom;
        faults.dropLinkAt = options.dropLinkAt;
        _lamp->setFaults(faults);
        _removeDeviceAt = options.removeDeviceAt;
        _writeErrorAt = options.writeErrorAt;
        _absentConnectMs = options.absentConnectMs;
    } else {
        _lateUuidMs = -1;
    }

    const std::array<const char*, 3> uuids = {kTestCharacteristicUUID, kCommandCharacteristicUUID,
                                              kBootLoaderCharacteristicUUID};
    for (std::size_t i = 0; i < _characteristics.size(); ++i) {
        _characteristics[i].uuid = uuids[i];
        _characteristics[i].path =
            _servicePath +
            QStringLiteral("/char%1").arg(kCharacteristicHandles[i], 4, 16, QLatin1Char('0'));
    }
}

StandInDevice::~StandInDevice() {
    failAll(QStringLiteral("The daemon is going away"));
}

void StandInDevice::note(const QString& text) const {
    std::fprintf(stderr, "stand-in: %s %s\n", qPrintable(_address), qPrintable(text));
}

void StandInDevice::after(int ms, std::function<void()> then) {
    QTimer::singleShot(ms, this, [this, generation = _generation, then = std::move(then)] {
        if (generation == _generation) then();
    });
}

std::uint64_t StandInDevice::track(const QDBusMessage& call) {
    const std::uint64_t id = ++_nextCall;
    _calls.emplace(id, call);
    return id;
}

void StandInDevice::answer(std::uint64_t id, const QList<QVariant>& arguments) {
    const auto found = _calls.find(id);
    if (found == _calls.end()) return;
    const QDBusMessage call = found->second;
    _calls.erase(found);
    _tree.reply(call, arguments);
}

void StandInDevice::fail(std::uint64_t id, const QString& name, const QString& text) {
    const auto found = _calls.find(id);
    if (found == _calls.end()) return;
    const QDBusMessage call = found->second;
    _calls.erase(found);
    _tree.replyError(call, name, text);
}

void StandInDevice::failAll(const QString& text) {
    // BlueZ cancels every request of a link that ends; each D-Bus call gets its error.
    auto calls = std::exchange(_calls, {});
    _connectCall.reset();
    for (auto& [id, call] : calls) _tree.replyError(call, kFailed, text);
}

// ---------------------------------------------------------------------------
// Scan and device object

void StandInDevice::exportDevice(bool withLampUuid) {
    const QStringList uuids =
        withLampUuid ? QStringList{QString::fromLatin1(kLampServiceUUID)} : QStringList{};
    const QString name = QString::fromStdString(_lamp->name());
    const QVariantMap properties = {
        {"Address", _address},
        {"AddressType", QStringLiteral("random")},
        {"Name", name},
        {"Alias", name},
        {"Paired", false},
        {"Bonded", false},
        {"Trusted", false},
        {"Blocked", false},
        {"LegacyPairing", false},
        {"RSSI", QVariant::fromValue(_rssi)},
        {"Connected", false},
        {"UUIDs", uuids},
        {"Adapter", QVariant::fromValue(QDBusObjectPath(_adapterPath))},
        {"ServicesResolved", false},
    };
    _known = true;
    _tree.addObject(_path, {{kDevice, properties}},
                    [this](const QDBusMessage& call) { return onDeviceCall(call); },
                    {kDevice + ".Alias", kDevice + ".Trusted", kDevice + ".Blocked"});
}

void StandInDevice::advertise() {
    _rssi = _rssi == -52 ? -61 : -52;  // BlueZ reports changes of 8 dBm and more
    if (_known) {
        _tree.setProperty(_path, kDevice, "RSSI", QVariant::fromValue(_rssi));
        return;
    }
    const bool late = _lateUuidMs >= 0;
    exportDevice(!late);
    note(late ? "seen without its service UUID" : "seen");
    if (!late) return;
    // The scan response brings the UUID; BlueZ updates UUIDs alone, and the lamp's next
    // advertisement changes RSSI.
    const std::uint64_t scan = _scanGeneration;
    after(_lateUuidMs, [this, scan] {
        if (scan != _scanGeneration || !_known) return;
        note("service UUID arrives");
        _tree.setProperty(_path, kDevice, "UUIDs",
                          QStringList{QString::fromLatin1(kLampServiceUUID)});
        after(std::max(_options.delayMs, 20), [this, scan] {
            if (scan == _scanGeneration && _known) advertise();
        });
    });
}

void StandInDevice::scanStopped() {
    ++_scanGeneration;
    if (_known) _tree.invalidateProperties(_path, kDevice, {"RSSI"});
}

void StandInDevice::remove(const QString& why) {
    if (!_known) return;
    note("removed: " + why);
    ++_generation;
    failAll(QStringLiteral("Device removed"));
    withdrawGatt();
    _connected = false;
    _known = false;
    _tree.removeObject(_path);
}

void StandInDevice::clearFaults() {
    _lamp->setFaults({});
    _removeDeviceAt.reset();
    _writeErrorAt.reset();
    _absentConnectMs = 0;
    _lateUuidMs = -1;
}

// ---------------------------------------------------------------------------
// Connection

bool StandInDevice::onDeviceCall(const QDBusMessage& call) {
    if (call.interface() != kDevice) return false;
    if (_options.verbose) note("Device1." + call.member());
    if (call.member() == QLatin1String("Connect")) {
        connectCall(call);
        return true;
    }
    if (call.member() == QLatin1String("Disconnect")) {
        disconnectCall(call);
        return true;
    }
    if (call.member() == QLatin1String("Pair") ||
        call.member() == QLatin1String("ConnectProfile") ||
        call.member() == QLatin1String("DisconnectProfile") ||
        call.member() == QLatin1String("CancelPairing")) {
        _tree.replyError(call, QStringLiteral("org.bluez.Error.NotSupported"),
                         QStringLiteral("Not supported by the stand-in"));
        return true;
    }
    return false;
}

void StandInDevice::connectCall(const QDBusMessage& call) {
    if (_connected && !_connectCall) {
        _tree.reply(call);
        return;
    }
    if (_connectCall) {
        _tree.replyError(call, QStringLiteral("org.bluez.Error.InProgress"),
                         QStringLiteral("In Progress"));
        return;
    }
    note("connect");
    const std::uint64_t id = track(call);
    _connectCall = id;
    if (_absentConnectMs > 0) {
        // The lamp never answers the connection request; BlueZ cancels it after its timeout.
        after(_absentConnectMs, [this, id] {
            if (!tracked(id)) return;
            note("connect timed out");
            _connectCall.reset();
            fail(id, kFailed, QStringLiteral("le-connection-abort-by-local"));
        });
        return;
    }
    after(_options.delayMs, [this, id] {
        if (!tracked(id)) return;
        if (_lamp->faults().refuseConnection) {
            note("connect refused");
            _connectCall.reset();
            fail(id, kFailed, QStringLiteral("le-connection-abort-by-local"));
            return;
        }
        _connected = true;
        _tree.setProperty(_path, kDevice, "Connected", true);
        after(_options.delayMs, [this, id] {
            if (!tracked(id)) return;
            exportGatt();
            _tree.setProperty(_path, kDevice, "UUIDs",
                              QStringList{"00001800-0000-1000-8000-00805f9b34fb",
                                          "00001801-0000-1000-8000-00805f9b34fb",
                                          QString::fromLatin1(kLampServiceUUID)});
            _tree.setProperty(_path, kDevice, "ServicesResolved", true);
            _connectCall.reset();
            note("connected");
            answer(id);
        });
    });
}

void StandInDevice::disconnectCall(const QDBusMessage& call) {
    if (!_connected && !_connectCall) {
        _tree.replyError(call, QStringLiteral("org.bluez.Error.NotConnected"),
                         QStringLiteral("Not Connected"));
        return;
    }
    const std::uint64_t id = track(call);
    after(_options.delayMs,
          [this, id] { endLink(QStringLiteral("disconnected by the central"), id); });
}

void StandInDevice::endLink(const QString& why, std::optional<std::uint64_t> disconnect) {
    note("link ends: " + why);
    ++_generation;
    std::optional<QDBusMessage> disconnectMessage;
    if (disconnect) {
        const auto found = _calls.find(*disconnect);
        if (found != _calls.end()) {
            disconnectMessage = found->second;
            _calls.erase(found);
        }
    }
    failAll(QStringLiteral("Not connected"));
    _tree.setProperty(_path, kDevice, "ServicesResolved", false);
    withdrawGatt();
    if (disconnectMessage) _tree.reply(*disconnectMessage);
    _connected = false;
    _tree.setProperty(_path, kDevice, "Connected", false);
}

}  // namespace aq::standin
