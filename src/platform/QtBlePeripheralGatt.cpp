// The GATT half of the Qt Bluetooth peripheral: service and characteristic
// discovery, and the write and read of the command transport.

#include "platform/QtBleCentral.h"

#include "link/Log.h"

#include <QByteArray>

#include <utility>

namespace aq {

namespace {

Bytes bytesOf(const QByteArray& array) {
    const auto* begin = reinterpret_cast<const std::uint8_t*>(array.constData());
    return Bytes(begin, begin + array.size());
}

const char* kindText(PendingOperation::Kind kind) {
    return kind == PendingOperation::Kind::Write ? "write" : "read";
}

}  // namespace

// ---------------------------------------------------------------------------
// Services

void QtBlePeripheral::doDiscoverServices(const std::vector<QBluetoothUuid>& uuids) {
    if (!linkUp()) {
        logLine(format("Bluetooth: service discovery on %s dropped: no link", _identifier.c_str()));
        return;
    }
    _serviceDiscoveries.push_back(uuids);
    switch (_controller->state()) {
    case QLowEnergyController::ConnectedState:
        // Over D-Bus this finishes before it returns.
        _controller->discoverServices();
        break;
    case QLowEnergyController::DiscoveredState:
        // Qt discovers once per link; a second request gets the same answer.
        finishServiceDiscoveries(std::nullopt);
        break;
    default:
        break;  // discovering: answered when it finishes
    }
}

std::shared_ptr<QtBleService> QtBlePeripheral::serviceFor(const QBluetoothUuid& uuid) {
    {
        std::lock_guard lock(_servicesMutex);
        for (const auto& service : _services) {
            if (service->qtUuid() == uuid)
                return service;
        }
    }
    QLowEnergyService* qtService = _controller->createServiceObject(uuid, _controller);
    if (!qtService)
        return nullptr;
    auto service = std::make_shared<QtBleService>(this, qtService);
    QtBleService* raw = service.get();
    _connections.push_back(QObject::connect(
        qtService, &QLowEnergyService::stateChanged, qtService,
        [this, raw](QLowEnergyService::ServiceState state) { onServiceStateChanged(raw, state); }));
    _connections.push_back(QObject::connect(
        qtService, &QLowEnergyService::errorOccurred, qtService,
        [this, raw](QLowEnergyService::ServiceError error) { onServiceError(raw, error); }));
    _connections.push_back(QObject::connect(
        qtService, &QLowEnergyService::characteristicWritten, qtService,
        [this, raw](const QLowEnergyCharacteristic& characteristic, const QByteArray&) {
            if (auto op = _pending.takeCompleted(PendingOperation::Kind::Write, raw,
                                                 characteristic.uuid()))
                complete(*op, std::nullopt, nullptr);
        }));
    _connections.push_back(QObject::connect(
        qtService, &QLowEnergyService::characteristicRead, qtService,
        [this, raw](const QLowEnergyCharacteristic& characteristic, const QByteArray& value) {
            if (auto op = _pending.takeCompleted(PendingOperation::Kind::Read, raw,
                                                 characteristic.uuid()))
                complete(*op, std::nullopt, &value);
        }));
    std::lock_guard lock(_servicesMutex);
    _services.push_back(service);
    return service;
}

void QtBlePeripheral::finishServiceDiscoveries(const std::optional<std::string>& error) {
    const auto requests = std::exchange(_serviceDiscoveries, {});
    const std::uint64_t link = _link;
    for (const auto& uuids : requests) {
        if (_link != link || !_controller)
            return;  // the link ended inside a callback: nothing more is answered
        if (!error) {
            const QList<QBluetoothUuid> offered = _controller->services();
            if (uuids.empty()) {
                for (const QBluetoothUuid& uuid : offered)
                    serviceFor(uuid);
            } else {
                for (const QBluetoothUuid& uuid : uuids) {
                    if (offered.contains(uuid))
                        serviceFor(uuid);
                }
            }
        }
        if (BlePeripheralDelegate* delegate = _delegate.load())
            delegate->didDiscoverServices(*this, error);
    }
}

// ---------------------------------------------------------------------------
// Characteristics

void QtBlePeripheral::doDiscoverCharacteristics(const std::vector<QBluetoothUuid>& uuids,
                                                const ServicePtr& service) {
    const auto own = std::dynamic_pointer_cast<QtBleService>(service);
    if (!own || own->peripheral() != this) {
        logLine("Bluetooth: characteristic discovery for a service of another peripheral ignored");
        return;
    }
    QLowEnergyService* qtService = own->qtService();
    if (!linkUp() || !qtService) {
        logLine(format("Bluetooth: characteristic discovery on %s dropped: no link",
                       _identifier.c_str()));
        return;
    }
    own->pendingDiscoveries.push_back(uuids);
    switch (qtService->state()) {
    case QLowEnergyService::RemoteService:
        // Full discovery would read every readable characteristic once; the
        // lamp answers a read with the response to the last write, so a read
        // it did not expect is at best wasted.
        qtService->discoverDetails(QLowEnergyService::SkipValueDiscovery);
        break;
    case QLowEnergyService::RemoteServiceDiscovered:
        // Qt discovers details once; later requests get the same answer.
        finishCharacteristicDiscoveries(*own, std::nullopt);
        break;
    case QLowEnergyService::RemoteServiceDiscovering:
        break;  // answered when it finishes
    default:
        own->pendingDiscoveries.pop_back();
        break;
    }
}

void QtBlePeripheral::finishCharacteristicDiscoveries(QtBleService& service,
                                                      const std::optional<std::string>& error) {
    const auto requests = std::exchange(service.pendingDiscoveries, {});
    const std::uint64_t link = _link;
    const auto handle = service.shared_from_this();
    for (const auto& uuids : requests) {
        if (_link != link)
            return;
        QLowEnergyService* qtService = service.qtService();
        if (!error && qtService) {
            // By UUID, never by position: BlueZ lists characteristics in
            // object-path order, which is no order the lamp promises.
            if (uuids.empty()) {
                const QList<QLowEnergyCharacteristic> all = qtService->characteristics();
                for (const QLowEnergyCharacteristic& characteristic : all)
                    service.addDiscovered(service.handleFor(characteristic.uuid()));
            } else {
                for (const QBluetoothUuid& uuid : uuids) {
                    if (qtService->characteristic(uuid).isValid())
                        service.addDiscovered(service.handleFor(uuid));
                }
            }
        }
        if (BlePeripheralDelegate* delegate = _delegate.load())
            delegate->didDiscoverCharacteristicsForService(*this, handle, error);
    }
}

void QtBlePeripheral::failStalledDiscoveries(const std::string& error) {
    finishServiceDiscoveries(error);
    std::vector<std::shared_ptr<QtBleService>> services;
    {
        std::lock_guard lock(_servicesMutex);
        services = _services;
    }
    const std::uint64_t link = _link;
    for (const auto& service : services) {
        if (_link != link)
            return;
        if (!service->pendingDiscoveries.empty())
            finishCharacteristicDiscoveries(*service, error);
    }
}

void QtBlePeripheral::onServiceStateChanged(QtBleService* service,
                                            QLowEnergyService::ServiceState state) {
    if (state == QLowEnergyService::RemoteServiceDiscovered) {
        finishCharacteristicDiscoveries(*service, std::nullopt);
        return;
    }
    if (state != QLowEnergyService::InvalidService)
        return;
    service->pendingDiscoveries.clear();
    // Usually the link is going, which ends the requests without an answer.
    // But Qt 6.4 over D-Bus also invalidates a service that BlueZ drops from
    // the device's UUIDs while the link stays up, and then skips its queued
    // requests without a signal: answer those with an error, or the queue
    // would wait for them.
    post([link = _link, service](QtBlePeripheral& self) {
        if (self._link != link || !self.linkUp())
            return;
        for (const PendingOperation& operation : self._pending.takeAll(service)) {
            if (self._link != link)
                return;
            self.complete(operation, "the service is gone", nullptr);
        }
    });
}

// ---------------------------------------------------------------------------
// Write and read

void QtBlePeripheral::doTransfer(PendingOperation::Kind kind, const Bytes& data,
                                 const CharacteristicPtr& characteristic) {
    const auto own = std::dynamic_pointer_cast<QtBleCharacteristic>(characteristic);
    if (!own) {
        logLine(format("Bluetooth: %s to an unknown characteristic dropped", kindText(kind)));
        return;
    }
    const auto service = own->service();
    QLowEnergyService* qtService = service ? service->qtService() : nullptr;
    if (!service || service->peripheral() != this || !qtService || !linkUp() ||
        qtService->state() != QLowEnergyService::RemoteServiceDiscovered) {
        // Nothing can answer it; the queue gives it up by its own rules.
        logLine(format("Bluetooth: %s to %s dropped: no link", kindText(kind),
                       _identifier.c_str()));
        return;
    }
    PendingOperation operation{kind, service.get(), own->qtUuid(), characteristic};
    if (kind == PendingOperation::Kind::Read && _failedWrites.erase(characteristic.get()) > 0) {
        // Qt 6.4 with BlueZ: a write BlueZ fails with an ATT error (the link staying up) never
        // reached the lamp, which still holds the answer to the command before; the read the
        // link sends next would hand that on as this command's answer (a set-point count read
        // as 208). The simulated central never fails a write that way.
        complete(operation, "the write before it failed", nullptr);
        return;
    }
    const QLowEnergyCharacteristic target = qtService->characteristic(own->qtUuid());
    if (!target.isValid()) {
        complete(operation, "the device does not offer this characteristic", nullptr);
        return;
    }
    _pending.push(std::move(operation));
    _refused = false;
    if (kind == PendingOperation::Kind::Write) {
        const QByteArray bytes(reinterpret_cast<const char*>(data.data()),
                               static_cast<qsizetype>(data.size()));
        qtService->writeCharacteristic(target, bytes, QLowEnergyService::WriteWithResponse);
    } else {
        qtService->readCharacteristic(target);
    }
    if (std::exchange(_refused, false)) {
        // Qt refused on the spot (OperationError) and will send nothing more.
        if (auto refused = _pending.takeLast())
            complete(*refused, "refused by Qt Bluetooth", nullptr);
    }
}

void QtBlePeripheral::complete(const PendingOperation& operation,
                               const std::optional<std::string>& error, const QByteArray* value) {
    if (error) {
        logLine(format("Bluetooth: %s of %s on %s failed: %s", kindText(operation.kind),
                       uuidText(operation.uuid).c_str(), _identifier.c_str(), error->c_str()));
    }
    BlePeripheralDelegate* delegate = _delegate.load();
    if (operation.kind == PendingOperation::Kind::Write) {
        if (error)
            _failedWrites.insert(operation.characteristic.get());
        else
            _failedWrites.erase(operation.characteristic.get());
        if (delegate)
            delegate->didWriteValueForCharacteristic(*this, operation.characteristic, error);
        return;
    }
    if (value && !error)
        static_cast<QtBleCharacteristic&>(*operation.characteristic).setValue(bytesOf(*value));
    if (delegate)
        delegate->didUpdateValueForCharacteristic(*this, operation.characteristic, error);
}

void QtBlePeripheral::onServiceError(QtBleService* service, QLowEnergyService::ServiceError error) {
    switch (error) {
    case QLowEnergyService::CharacteristicWriteError:
        // Reported instead of characteristicWritten; the queue waits for an
        // answer either way, so it gets one.
        if (auto op = _pending.takeFailed(PendingOperation::Kind::Write, service))
            complete(*op, qtEnumKey(error), nullptr);
        return;
    case QLowEnergyService::CharacteristicReadError:
        // Reported instead of characteristicRead; the value stays as it was.
        if (auto op = _pending.takeFailed(PendingOperation::Kind::Read, service))
            complete(*op, qtEnumKey(error), nullptr);
        return;
    case QLowEnergyService::OperationError:
        _refused = true;
        break;
    default:
        break;
    }
    logLine(format("Bluetooth: service %s on %s reports %s", uuidText(service->qtUuid()).c_str(),
                   _identifier.c_str(), qtEnumKey(error).c_str()));
}

}  // namespace aq
