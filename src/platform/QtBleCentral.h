#pragma once

#include "link/BleCentral.h"

#include <QBluetoothAddress>
#include <QBluetoothDeviceDiscoveryAgent>
#include <QBluetoothDeviceInfo>
#include <QBluetoothLocalDevice>
#include <QBluetoothUuid>
#include <QList>
#include <QLowEnergyController>
#include <QLowEnergyService>
#include <QMetaEnum>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace aq {

// ---------------------------------------------------------------------------
// Small pieces of the Qt Bluetooth central, kept apart so that they can be
// checked without an adapter.

// Identifier of a device that Qt knows by its address (Linux, Windows): the
// 12 address digits, upper-case, behind a fixed all-zero prefix.
std::string identifierForAddress(const QBluetoothAddress& address);
// Identifier of a device that Qt knows only by a UUID (macOS): that UUID,
// upper-case, without braces.
std::string identifierForDeviceUuid(const QBluetoothUuid& uuid);
// The device's identifier: from its address where it has one, else from its UUID.
std::string identifierForDevice(const QBluetoothDeviceInfo& info);

// The device's name as the pages show it, or none. BlueZ fills in an Alias
// made of the address when the device never told its name; that is no name.
std::optional<std::string> nameOfDevice(const QBluetoothDeviceInfo& info);

PeripheralState peripheralStateFor(QLowEnergyController::ControllerState state);
CentralState centralStateFor(bool adapterPresent, QBluetoothLocalDevice::HostMode mode);
// Whether the system's Bluetooth service answers (BlueZ: org.bluez on the
// system bus). Without it Qt reports no adapter, as on a machine without one.
bool bluetoothServiceRunning();
// What a failed scan tells about the adapter, where it tells anything.
std::optional<CentralState> centralStateForScanError(QBluetoothDeviceDiscoveryAgent::Error error,
                                                     bool adapterPresent);

// The name of a Qt enum value, for the log.
template <class Enum>
std::string qtEnumKey(Enum value) {
    const char* key = QMetaEnum::fromType<Enum>().valueToKey(static_cast<int>(value));
    return key ? key : std::to_string(static_cast<int>(value));
}

// UUID text in the link's form (lower-case, no braces) and back; text that is
// no UUID gives a null UUID.
QBluetoothUuid uuidFromText(const std::string& text);
std::string uuidText(const QBluetoothUuid& uuid);
// True when the device advertises one of the services; no services: any device.
bool advertisesAnyOf(const QBluetoothDeviceInfo& info, const QList<QBluetoothUuid>& services);

// The writes and reads handed to Qt and not yet answered. Qt serialises the
// requests of one controller, but its error signal does not say which
// characteristic failed, so an error is matched to the oldest request of its
// kind on that service; a success names its characteristic.
struct PendingOperation {
    enum class Kind { Write, Read };
    Kind kind = Kind::Write;
    const void* service = nullptr;  // identity only
    QBluetoothUuid uuid;
    CharacteristicPtr characteristic;
};

class PendingOperations {
public:
    void push(PendingOperation operation);
    // The request a success signal answers: the oldest of that kind on that
    // service for that characteristic.
    std::optional<PendingOperation> takeCompleted(PendingOperation::Kind kind, const void* service,
                                                  const QBluetoothUuid& uuid);
    // The request an error signal answers: the oldest of that kind on that service.
    std::optional<PendingOperation> takeFailed(PendingOperation::Kind kind, const void* service);
    // Every request on that service, oldest first.
    std::vector<PendingOperation> takeAll(const void* service);
    // The request pushed last, taken back when Qt refused it on the spot.
    std::optional<PendingOperation> takeLast();
    void clear() { _operations.clear(); }
    std::size_t size() const { return _operations.size(); }

private:
    std::deque<PendingOperation> _operations;
};

// ---------------------------------------------------------------------------

class QtBleCentral;
class QtBlePeripheral;
class QtBleService;

class QtBleCharacteristic final : public BleCharacteristic {
public:
    QtBleCharacteristic(const QBluetoothUuid& uuid, std::weak_ptr<QtBleService> service);
    std::string uuid() const override;
    Bytes value() const override;

    const QBluetoothUuid& qtUuid() const { return _uuid; }
    std::shared_ptr<QtBleService> service() const { return _service.lock(); }
    void setValue(Bytes value);

private:
    const QBluetoothUuid _uuid;
    const std::weak_ptr<QtBleService> _service;
    mutable std::mutex _mutex;
    Bytes _value;
};

// One service of one link. A new link (a new connection) brings new service
// objects; characteristic handles stay the same per UUID for the service's life.
class QtBleService final : public BleService, public std::enable_shared_from_this<QtBleService> {
public:
    QtBleService(QtBlePeripheral* peripheral, QLowEnergyService* service);
    std::string uuid() const override;
    std::vector<CharacteristicPtr> characteristics() const override;

    // Main thread only from here on.
    const QBluetoothUuid& qtUuid() const { return _uuid; }
    QtBlePeripheral* peripheral() const { return _peripheral; }
    // The Qt service while its link lasts, else null.
    QLowEnergyService* qtService() const { return _service.data(); }
    void detach();
    // The stable handle for the UUID, made on first use.
    std::shared_ptr<QtBleCharacteristic> handleFor(const QBluetoothUuid& uuid);
    // Adds the handle to characteristics() unless it is there already.
    void addDiscovered(const std::shared_ptr<QtBleCharacteristic>& characteristic);

    // Characteristic discoveries asked for and not yet answered: their UUID lists.
    std::vector<std::vector<QBluetoothUuid>> pendingDiscoveries;

private:
    QtBlePeripheral* const _peripheral;
    const QBluetoothUuid _uuid;
    QPointer<QLowEnergyService> _service;
    std::map<QBluetoothUuid, std::shared_ptr<QtBleCharacteristic>> _handles;
    mutable std::mutex _mutex;
    std::vector<CharacteristicPtr> _discovered;
};

// One lamp (or other device) seen by the scan. It owns at most one live
// QLowEnergyController: a new one for every connect.
class QtBlePeripheral final : public BlePeripheral,
                              public std::enable_shared_from_this<QtBlePeripheral> {
public:
    QtBlePeripheral(QtBleCentral* central, const QBluetoothDeviceInfo& info);
    ~QtBlePeripheral() override;

    std::optional<std::string> name() const override;
    std::string identifier() const override { return _identifier; }
    std::optional<int> rssi() const override;
    PeripheralState state() const override { return _state.load(); }
    void setDelegate(BlePeripheralDelegate* delegate) override { _delegate.store(delegate); }
    void discoverServices(const std::vector<std::string>& serviceUuids) override;
    std::vector<ServicePtr> services() const override;
    void discoverCharacteristics(const std::vector<std::string>& characteristicUuids,
                                 const ServicePtr& service) override;
    void writeValue(const Bytes& data, const CharacteristicPtr& characteristic) override;
    void readValueForCharacteristic(const CharacteristicPtr& characteristic) override;

    // For the central.
    QtBleCentral* central() const;
    void updateInfo(const QBluetoothDeviceInfo& info);
    void noteConnectRequested() { _state.store(PeripheralState::Connecting); }
    void noteCancelRequested() { _state.store(PeripheralState::Disconnected); }
    void connectToDevice();     // main thread
    void cancelConnection();    // main thread
    void detachFromCentral();   // main thread, when the central goes

private:
    template <class Task>
    void post(Task task);
    BleCentralDelegate* centralDelegate() const;
    bool linkUp() const;

    void issueConnect(QLowEnergyController* controller);
    // A previous link's controller has closed (or given up closing).
    void retire(QLowEnergyController* controller);
    void endLink();
    void failConnect(const std::string& error);
    void onControllerStateChanged(QLowEnergyController::ControllerState state);
    void onControllerError(QLowEnergyController::Error error);

    void doDiscoverServices(const std::vector<QBluetoothUuid>& uuids);
    void finishServiceDiscoveries(const std::optional<std::string>& error);
    std::shared_ptr<QtBleService> serviceFor(const QBluetoothUuid& uuid);
    void doDiscoverCharacteristics(const std::vector<QBluetoothUuid>& uuids,
                                   const ServicePtr& service);
    void finishCharacteristicDiscoveries(QtBleService& service,
                                         const std::optional<std::string>& error);
    void failStalledDiscoveries(const std::string& error);

    void doTransfer(PendingOperation::Kind kind, const Bytes& data,
                    const CharacteristicPtr& characteristic);
    void complete(const PendingOperation& operation, const std::optional<std::string>& error,
                  const QByteArray* value);
    void onServiceStateChanged(QtBleService* service, QLowEnergyService::ServiceState state);
    void onServiceError(QtBleService* service, QLowEnergyService::ServiceError error);

    mutable std::mutex _mutex;  // guards _central and _info
    QtBleCentral* _central;
    QBluetoothDeviceInfo _info;
    const std::string _identifier;
    std::atomic<PeripheralState> _state{PeripheralState::Disconnected};
    std::atomic<BlePeripheralDelegate*> _delegate{nullptr};

    // Main thread only.
    QPointer<QLowEnergyController> _controller;
    bool _connected = false;  // the current controller has reported connected()
    std::optional<std::string> _linkError;  // the last error the live link reported
    std::uint64_t _link = 0;  // counts links, so that callbacks stop when one ends
    std::vector<QMetaObject::Connection> _connections;
    std::vector<QPointer<QLowEnergyController>> _retiring;
    bool _connectAfterRetiring = false;  // a connect waits for _retiring to close
    std::vector<std::vector<QBluetoothUuid>> _serviceDiscoveries;
    PendingOperations _pending;
    bool _refused = false;  // Qt refused the request being handed to it
    // Characteristics whose last write failed: the read that follows cannot bring its answer.
    std::set<const BleCharacteristic*> _failedWrites;

    mutable std::mutex _servicesMutex;
    std::vector<std::shared_ptr<QtBleService>> _services;
};

// The Bluetooth LE central over Qt Bluetooth. It lives on the main thread and
// calls its delegates only there; the operations may be requested from any
// thread and are carried over to it.
class QtBleCentral : public QObject, public BleCentral {
    Q_OBJECT
public:
    explicit QtBleCentral(QObject* parent = nullptr);
    ~QtBleCentral() override;

    void setDelegate(BleCentralDelegate* delegate) override;
    CentralState state() const override { return _state.load(); }
    void scanForPeripheralsWithServices(const std::vector<std::string>& serviceUuids) override;
    void stopScan() override;
    void connectPeripheral(const PeripheralPtr& peripheral) override;
    void cancelPeripheralConnection(const PeripheralPtr& peripheral) override;

    CentralFault fault() const override { return _fault.load(); }
    std::string faultDetail() const override;
    bool canPowerOn() const override;
    void powerOn() override;

    BleCentralDelegate* delegate() const { return _delegate.load(); }
    bool isScanning() const { return _scanWanted.load(); }

    // What the discovery agent reports. Public so that devices can be fed in
    // without an adapter. Main thread only.
    void handleDeviceDiscovered(const QBluetoothDeviceInfo& info);
    void handleDeviceUpdated(const QBluetoothDeviceInfo& info,
                             QBluetoothDeviceInfo::Fields updatedFields);
    void handleScanError(QBluetoothDeviceDiscoveryAgent::Error error);

private:
    bool onMainThread() const;
    template <class Task>
    void runOnMain(Task task);
    void reportDevice(const QBluetoothDeviceInfo& info);
    void queueAgentStart();
    void startAgent();
    void onAgentFinished();
    bool adapterPresent();
    void refreshState();
    void setState(CentralState state, CentralFault fault = CentralFault::None,
                  const std::string& detail = {});
    std::shared_ptr<QtBlePeripheral> ownPeripheral(const PeripheralPtr& peripheral) const;

    std::atomic<BleCentralDelegate*> _delegate{nullptr};
    std::atomic<CentralState> _state{CentralState::Unknown};
    std::atomic<CentralFault> _fault{CentralFault::None};
    mutable std::mutex _faultMutex;
    std::string _faultDetail;
    std::atomic<bool> _scanWanted{false};

    // Main thread only.
    std::unique_ptr<QBluetoothLocalDevice> _localDevice;
    QPointer<QBluetoothDeviceDiscoveryAgent> _agent;
    bool _agentStartQueued = false;
    QList<QBluetoothUuid> _scanServices;
    std::map<std::string, std::shared_ptr<QtBlePeripheral>> _peripherals;
};

template <class Task>
void QtBlePeripheral::post(Task task) {
    // Every request runs on the main thread one event-loop turn later, also
    // when it was made there: requests keep their order whichever thread made
    // them, and no callback arrives while the caller is still inside one.
    std::lock_guard lock(_mutex);
    if (!_central)
        return;
    QMetaObject::invokeMethod(
        _central,
        [weak = weak_from_this(), task = std::move(task)] {
            if (auto self = weak.lock())
                task(*self);
        },
        Qt::QueuedConnection);
}

}  // namespace aq
