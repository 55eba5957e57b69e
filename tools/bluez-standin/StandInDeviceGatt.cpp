// The GATT side of a stand-in lamp: the lamp service's objects while the link is up, and the
// writes and reads its simulated lamp answers.
#include "StandInDevice.h"

#include <QDBusObjectPath>

#include "link/LampUuids.h"

namespace aq::standin {

namespace {

const QString kService = QStringLiteral("org.bluez.GattService1");
const QString kCharacteristic = QStringLiteral("org.bluez.GattCharacteristic1");
const QString kFailed = QStringLiteral("org.bluez.Error.Failed");

QByteArray toByteArray(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

Bytes toBytes(const QByteArray& array) {
    const auto* begin = reinterpret_cast<const std::uint8_t*>(array.constData());
    return Bytes(begin, begin + array.size());
}

}  // namespace

// ---------------------------------------------------------------------------
// Service objects

void StandInDevice::exportGatt() {
    _tree.addObject(_servicePath,
                    {{kService,
                      {{"UUID", QString::fromLatin1(kLampServiceUUID)},
                       {"Device", QVariant::fromValue(QDBusObjectPath(_path))},
                       {"Primary", true},
                       {"Includes", QVariant::fromValue(QList<QDBusObjectPath>())}}}},
                    {});
    const bool commandOnly = _lamp->faults().commandCharacteristicOnly;
    for (std::size_t i = 0; i < _characteristics.size(); ++i) {
        Characteristic& c = _characteristics[i];
        c.pending.clear();
        c.pendingLate = 0;
        if (commandOnly && i != Command) continue;
        _tree.addObject(c.path,
                        {{kCharacteristic,
                          {{"UUID", QString::fromLatin1(c.uuid)},
                           {"Service", QVariant::fromValue(QDBusObjectPath(_servicePath))},
                           {"Value", QByteArray()},
                           {"Flags", QStringList{"read", "write"}},
                           {"MTU", QVariant::fromValue(quint16(23))}}}},
                        [this, role = static_cast<Role>(i)](const QDBusMessage& call) {
                            return onCharacteristicCall(role, call);
                        });
    }
}

void StandInDevice::withdrawGatt() {
    for (auto it = _characteristics.rbegin(); it != _characteristics.rend(); ++it)
        _tree.removeObject(it->path);
    _tree.removeObject(_servicePath);
}

// ---------------------------------------------------------------------------
// Writes and reads

bool StandInDevice::onCharacteristicCall(Role role, const QDBusMessage& call) {
    if (call.interface() != kCharacteristic) return false;
    if (call.member() == QLatin1String("WriteValue")) {
        write(role, call);
        return true;
    }
    if (call.member() == QLatin1String("ReadValue")) {
        read(role, call);
        return true;
    }
    if (call.member() == QLatin1String("StartNotify") ||
        call.member() == QLatin1String("StopNotify") ||
        call.member() == QLatin1String("AcquireWrite") ||
        call.member() == QLatin1String("AcquireNotify")) {
        _tree.replyError(call, QStringLiteral("org.bluez.Error.NotSupported"),
                         QStringLiteral("The lamp does not notify"));
        return true;
    }
    return false;
}

void StandInDevice::write(Role role, const QDBusMessage& call) {
    const Bytes data = toBytes(call.arguments().value(0).toByteArray());
    const std::uint64_t id = track(call);
    after(_options.delayMs, [this, role, id, data] {
        if (!tracked(id)) return;
        Characteristic& c = _characteristics[role];
        const std::string uuid = c.uuid;
        const SimFaults faults = _lamp->faults();
        const std::uint64_t number = _lamp->receivedCount() + 1;
        if (_options.verbose)
            note(QStringLiteral("write %1 to %2").arg(number).arg(QString::fromLatin1(c.uuid)));
        if (_removeDeviceAt && number >= *_removeDeviceAt) {
            remove(QStringLiteral("at command %1").arg(number));
            return;
        }
        if (_writeErrorAt && number >= *_writeErrorAt) {
            note(QStringLiteral("write %1 fails with an ATT error").arg(number));
            fail(id, kFailed, QStringLiteral("Operation failed with ATT error: 0x0e"));
            return;
        }
        if (faults.hits(SimFault::DropLink, number, uuid, data)) {
            endLink(QStringLiteral("dropped by the lamp at command %1").arg(number));
            return;
        }
        const double late =
            faults.hits(SimFault::LateAnswer, number, uuid, data) ? faults.lateAnswerBy : 0.0;
        const auto verdict =
            role == BootLoader ? _lamp->bootLoader().take(data) : SimBootLoader::Verdict::Answer;
        c.pending = _lamp->receive(uuid, data);
        c.pendingLate = late;
        if (verdict == SimBootLoader::Verdict::DropLink) {
            // The write is never answered: the lamp restarts and the link goes with it.
            after(_options.bootRestartMs,
                  [this] { endLink(QStringLiteral("the lamp restarts into its boot loader")); });
            return;
        }
        if (verdict == SimBootLoader::Verdict::Refuse ||
            faults.hits(SimFault::NoAnswer, number, uuid, data)) {
            // No write response: BlueZ waits out its ATT timeout, fails the request and drops
            // the link.
            note(QStringLiteral("command %1 left unanswered").arg(number));
            after(_options.attTimeoutMs, [this, id] {
                if (!tracked(id)) return;
                fail(id, kFailed, QStringLiteral("Operation timed out"));
                endLink(QStringLiteral("ATT request timed out"));
            });
            return;
        }
        answer(id);
    });
}

void StandInDevice::read(Role role, const QDBusMessage& call) {
    const std::uint64_t id = track(call);
    const Characteristic& c = _characteristics[role];
    const double extra = _lamp->faults().lateBy + c.pendingLate;
    after(_options.delayMs + static_cast<int>(extra * 1000.0), [this, role, id] {
        if (!tracked(id)) return;
        Characteristic& target = _characteristics[role];
        const QByteArray value = toByteArray(target.pending);
        answer(id, {value});
        // BlueZ keeps the value read last in the property and announces it.
        _tree.setProperty(target.path, kCharacteristic, "Value", value);
    });
}

}  // namespace aq::standin
