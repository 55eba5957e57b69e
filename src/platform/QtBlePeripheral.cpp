// The peripheral side of the Qt Bluetooth central: one link per connect,
// discovery, and the write and read of the command transport.

#include "platform/QtBleCentral.h"

#include "link/Log.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace aq {

namespace {

// How long a closing link may take before its controller is thrown away
// regardless, so that a close that never completes holds up no later connect.
constexpr int kCloseLimitMs = 3000;

std::vector<QBluetoothUuid> uuidsFromTexts(const std::vector<std::string>& texts) {
    std::vector<QBluetoothUuid> uuids;
    for (const std::string& text : texts) {
        const QBluetoothUuid uuid = uuidFromText(text);
        if (uuid.isNull())
            logLine(format("Bluetooth: \"%s\" is no UUID", text.c_str()));
        else
            uuids.push_back(uuid);
    }
    return uuids;
}

}  // namespace

// ---------------------------------------------------------------------------
// PendingOperations

void PendingOperations::push(PendingOperation operation) {
    _operations.push_back(std::move(operation));
}

std::optional<PendingOperation> PendingOperations::takeCompleted(PendingOperation::Kind kind,
                                                                 const void* service,
                                                                 const QBluetoothUuid& uuid) {
    const auto found = std::find_if(_operations.begin(), _operations.end(), [&](const auto& op) {
        return op.kind == kind && op.service == service && op.uuid == uuid;
    });
    if (found == _operations.end())
        return std::nullopt;
    PendingOperation operation = std::move(*found);
    _operations.erase(found);
    return operation;
}

std::optional<PendingOperation> PendingOperations::takeFailed(PendingOperation::Kind kind,
                                                              const void* service) {
    const auto found = std::find_if(_operations.begin(), _operations.end(), [&](const auto& op) {
        return op.kind == kind && op.service == service;
    });
    if (found == _operations.end())
        return std::nullopt;
    PendingOperation operation = std::move(*found);
    _operations.erase(found);
    return operation;
}

std::vector<PendingOperation> PendingOperations::takeAll(const void* service) {
    std::vector<PendingOperation> taken;
    for (auto it = _operations.begin(); it != _operations.end();) {
        if (it->service == service) {
            taken.push_back(std::move(*it));
            it = _operations.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

std::optional<PendingOperation> PendingOperations::takeLast() {
    if (_operations.empty())
        return std::nullopt;
    PendingOperation operation = std::move(_operations.back());
    _operations.pop_back();
    return operation;
}

// ---------------------------------------------------------------------------
// QtBleCharacteristic, QtBleService

QtBleCharacteristic::QtBleCharacteristic(const QBluetoothUuid& uuid,
                                         std::weak_ptr<QtBleService> service)
    : _uuid(uuid), _service(std::move(service)) {}

std::string QtBleCharacteristic::uuid() const {
    return uuidText(_uuid);
}

Bytes QtBleCharacteristic::value() const {
    std::lock_guard lock(_mutex);
    return _value;
}

void QtBleCharacteristic::setValue(Bytes value) {
    std::lock_guard lock(_mutex);
    _value = std::move(value);
}

QtBleService::QtBleService(QtBlePeripheral* peripheral, QLowEnergyService* service)
    : _peripheral(peripheral), _uuid(service->serviceUuid()), _service(service) {}

std::string QtBleService::uuid() const {
    return uuidText(_uuid);
}

std::vector<CharacteristicPtr> QtBleService::characteristics() const {
    std::lock_guard lock(_mutex);
    return _discovered;
}

void QtBleService::detach() {
    _service = nullptr;
    pendingDiscoveries.clear();
}

std::shared_ptr<QtBleCharacteristic> QtBleService::handleFor(const QBluetoothUuid& uuid) {
    std::shared_ptr<QtBleCharacteristic>& handle = _handles[uuid];
    if (!handle)
        handle = std::make_shared<QtBleCharacteristic>(uuid, weak_from_this());
    return handle;
}

void QtBleService::addDiscovered(const std::shared_ptr<QtBleCharacteristic>& characteristic) {
    std::lock_guard lock(_mutex);
    if (std::find(_discovered.begin(), _discovered.end(), characteristic) == _discovered.end())
        _discovered.push_back(characteristic);
}

// ---------------------------------------------------------------------------
// QtBlePeripheral: handles, hand-off to the main thread

QtBlePeripheral::QtBlePeripheral(QtBleCentral* central, const QBluetoothDeviceInfo& info)
    : _central(central), _info(info), _identifier(identifierForDevice(info)) {}

QtBlePeripheral::~QtBlePeripheral() {
    for (const QMetaObject::Connection& connection : _connections)
        QObject::disconnect(connection);
}

QtBleCentral* QtBlePeripheral::central() const {
    std::lock_guard lock(_mutex);
    return _central;
}

BleCentralDelegate* QtBlePeripheral::centralDelegate() const {
    std::lock_guard lock(_mutex);
    return _central ? _central->delegate() : nullptr;
}

std::optional<std::string> QtBlePeripheral::name() const {
    std::lock_guard lock(_mutex);
    return nameOfDevice(_info);
}

std::optional<int> QtBlePeripheral::rssi() const {
    std::lock_guard lock(_mutex);
    // Qt reports 0 while no strength is known.
    const int strength = _info.rssi();
    return strength != 0 ? std::optional<int>(strength) : std::nullopt;
}

void QtBlePeripheral::updateInfo(const QBluetoothDeviceInfo& info) {
    std::lock_guard lock(_mutex);
    _info = info;
}

std::vector<ServicePtr> QtBlePeripheral::services() const {
    std::lock_guard lock(_servicesMutex);
    return {_services.begin(), _services.end()};
}

void QtBlePeripheral::discoverServices(const std::vector<std::string>& serviceUuids) {
    post([uuids = uuidsFromTexts(serviceUuids)](QtBlePeripheral& self) {
        self.doDiscoverServices(uuids);
    });
}

void QtBlePeripheral::discoverCharacteristics(const std::vector<std::string>& characteristicUuids,
                                              const ServicePtr& service) {
    post([uuids = uuidsFromTexts(characteristicUuids), service](QtBlePeripheral& self) {
        self.doDiscoverCharacteristics(uuids, service);
    });
}

void QtBlePeripheral::writeValue(const Bytes& data, const CharacteristicPtr& characteristic) {
    post([data, characteristic](QtBlePeripheral& self) {
        self.doTransfer(PendingOperation::Kind::Write, data, characteristic);
    });
}

void QtBlePeripheral::readValueForCharacteristic(const CharacteristicPtr& characteristic) {
    post([characteristic](QtBlePeripheral& self) {
        self.doTransfer(PendingOperation::Kind::Read, {}, characteristic);
    });
}

bool QtBlePeripheral::linkUp() const {
    return _controller && _connected &&
           peripheralStateFor(_controller->state()) == PeripheralState::Connected;
}

// ---------------------------------------------------------------------------
// Connection

void QtBlePeripheral::connectToDevice() {
    if (_controller) {
        if (_connected) {
            // Already connected: answer as a fresh connection would.
            _state.store(PeripheralState::Connected);
            post([](QtBlePeripheral& self) {
                if (!self.linkUp())
                    return;
                if (BleCentralDelegate* delegate = self.centralDelegate())
                    delegate->didConnectPeripheral(self.shared_from_this());
            });
        } else {
            _state.store(PeripheralState::Connecting);  // an attempt is under way
        }
        return;
    }
    QBluetoothDeviceInfo info;
    QtBleCentral* central = nullptr;
    {
        std::lock_guard lock(_mutex);
        info = _info;
        central = _central;
    }
    if (!central)
        return;

    // A new controller for every connect: Qt 6.4 silently falls back to
    // unconnected when connectToDevice() is called on a controller from
    // inside its own disconnected() handler.
    QLowEnergyController* controller = QLowEnergyController::createCentral(info, central);
    _controller = controller;
    _connected = false;
    ++_link;
    _state.store(PeripheralState::Connecting);

    _connections.push_back(QObject::connect(controller, &QLowEnergyController::connected,
                                            controller, [this] {
                                                if (_connected)
                                                    return;
                                                _connected = true;
                                                _state.store(PeripheralState::Connected);
                                                logLine(format("Bluetooth: connected to %s",
                                                               _identifier.c_str()));
                                                if (BleCentralDelegate* d = centralDelegate())
                                                    d->didConnectPeripheral(shared_from_this());
                                            }));
    _connections.push_back(QObject::connect(controller, &QLowEnergyController::stateChanged,
                                            controller, [this](auto state) {
                                                onControllerStateChanged(state);
                                            }));
    _connections.push_back(QObject::connect(controller, &QLowEnergyController::errorOccurred,
                                            controller, [this](auto error) {
                                                onControllerError(error);
                                            }));
    _connections.push_back(QObject::connect(controller, &QLowEnergyController::discoveryFinished,
                                            controller, [this] {
                                                finishServiceDiscoveries(std::nullopt);
                                            }));

    post([controller = QPointer<QLowEnergyController>(controller)](QtBlePeripheral& self) {
        self.issueConnect(controller);
    });
}

void QtBlePeripheral::issueConnect(QLowEnergyController* controller) {
    if (!controller || controller != _controller)
        return;  // cancelled meanwhile
    std::erase_if(_retiring, [](const auto& old) { return old.isNull(); });
    if (!_retiring.empty()) {
        // Qt 6.4 with BlueZ over D-Bus: a controller that connects while the
        // previous link is still closing finds the device "connected" and
        // reports connected() at once, then loses the link when the old
        // Disconnect completes. Wait until the old link has closed: retire()
        // connects then.
        _connectAfterRetiring = true;
        return;
    }
    controller->connectToDevice();
}

void QtBlePeripheral::retire(QLowEnergyController* controller) {
    const auto found = std::find(_retiring.begin(), _retiring.end(), controller);
    if (found == _retiring.end())
        return;  // retired already
    _retiring.erase(found);
    controller->deleteLater();
    // Qt 6.4: the old link's end is what counts, not the old controller's
    // deletion. A deleteLater() made before the link's connect enters its
    // nested event loop is only carried out once that loop has returned (and
    // a second deleteLater() is dropped as a duplicate), so waiting for
    // destroyed() held the new connect back for the whole wait and made it
    // fail (seen on the stand-in BlueZ: disconnect, then connect again).
    std::erase_if(_retiring, [](const auto& old) { return old.isNull(); });
    if (!_retiring.empty() || !std::exchange(_connectAfterRetiring, false))
        return;
    post([next = QPointer<QLowEnergyController>(_controller)](QtBlePeripheral& self) {
        self.issueConnect(next);
    });
}

void QtBlePeripheral::endLink() {
    for (const QMetaObject::Connection& connection : _connections)
        QObject::disconnect(connection);
    _connections.clear();
    ++_link;
    _connected = false;
    _linkError.reset();
    _pending.clear();  // a dropped link answers nothing that was asked of it
    _failedWrites.clear();
    _serviceDiscoveries.clear();
    {
        std::lock_guard lock(_servicesMutex);
        for (const auto& service : _services)
            service->detach();
        _services.clear();
    }
    QLowEnergyController* controller = _controller;
    _controller = nullptr;
    if (!controller)
        return;
    if (controller->state() != QLowEnergyController::UnconnectedState)
        controller->disconnectFromDevice();
    if (controller->state() == QLowEnergyController::UnconnectedState) {
        controller->deleteLater();
        return;
    }
    _retiring.emplace_back(controller);
    const std::weak_ptr<QtBlePeripheral> weak = weak_from_this();
    auto retire = [weak, controller] {
        if (auto self = weak.lock())
            self->retire(controller);
        else
            controller->deleteLater();
    };
    QObject::connect(controller, &QLowEnergyController::stateChanged, controller,
                     [retire](QLowEnergyController::ControllerState state) {
                         if (state == QLowEnergyController::UnconnectedState)
                             retire();
                     });
    QTimer::singleShot(kCloseLimitMs, controller, retire);
}

void QtBlePeripheral::failConnect(const std::string& error) {
    logLine(format("Bluetooth: connecting to %s failed: %s", _identifier.c_str(), error.c_str()));
    endLink();
    _state.store(PeripheralState::Disconnected);
    if (BleCentralDelegate* delegate = centralDelegate())
        delegate->didFailToConnectPeripheral(shared_from_this(), error);
}

void QtBlePeripheral::cancelConnection() {
    if (_controller) {
        logLine(format("Bluetooth: disconnecting from %s", _identifier.c_str()));
        endLink();
    }
    _state.store(PeripheralState::Disconnected);
}

void QtBlePeripheral::detachFromCentral() {
    endLink();
    _state.store(PeripheralState::Disconnected);
    std::lock_guard lock(_mutex);
    _central = nullptr;
}

void QtBlePeripheral::onControllerStateChanged(QLowEnergyController::ControllerState state) {
    if (state == QLowEnergyController::UnconnectedState) {
        if (!_connected) {
            failConnect("the connection was closed");
            return;
        }
        logLine(format("Bluetooth: link to %s closed", _identifier.c_str()));
        // Qt 6.4 reports what went wrong (a removed device, for one) through
        // errorOccurred just before disconnected; that is the reason given.
        const std::optional<std::string> reason = std::exchange(_linkError, std::nullopt);
        endLink();
        _state.store(PeripheralState::Disconnected);
        if (BleCentralDelegate* delegate = centralDelegate())
            delegate->didDisconnectPeripheral(shared_from_this(), reason);
        return;
    }
    if (_connected)
        _state.store(peripheralStateFor(state));
}

void QtBlePeripheral::onControllerError(QLowEnergyController::Error error) {
    std::string text = qtEnumKey(error);
    if (_controller && !_controller->errorString().isEmpty())
        text = _controller->errorString().toStdString() + " (" + text + ")";
    if (!_connected) {
        logLine(format("Bluetooth: connecting to %s: %s", _identifier.c_str(), text.c_str()));
        failConnect(error == QLowEnergyController::UnknownRemoteDeviceError
                        ? std::string(kPeripheralNotFoundError)
                        : text);
        return;
    }
    logLine(format("Bluetooth: link to %s reports %s", _identifier.c_str(), text.c_str()));
    _linkError = text;
    // Qt 6.4 with BlueZ over D-Bus: when reading the GATT tree fails, the
    // controller reports UnknownError and never finishes the discovery.
    // Answer the waiting discoveries one turn later, unless the error was the
    // start of a drop, which ends them without an answer.
    post([link = _link, text](QtBlePeripheral& self) {
        if (self._link == link && self.linkUp())
            self.failStalledDiscoveries(text);
    });
}

}  // namespace aq
