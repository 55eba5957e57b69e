#include "platform/QtBleCentral.h"

#include "link/Log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QThread>
#include <QTimer>
#include <QUuid>

#include <utility>

namespace aq {

namespace {

// How long the scan rests before it is started again after Qt ended it on
// its own: long enough not to spin on a stack that keeps refusing.
constexpr int kScanRestartMs = 1000;

}  // namespace

// ---------------------------------------------------------------------------
// Small pieces

std::string identifierForAddress(const QBluetoothAddress& address) {
    return format("00000000-0000-0000-0000-%012llX",
                  static_cast<unsigned long long>(address.toUInt64() & 0xFFFFFFFFFFFFULL));
}

std::string identifierForDeviceUuid(const QBluetoothUuid& uuid) {
    return uuid.toString(QUuid::WithoutBraces).toUpper().toStdString();
}

std::string identifierForDevice(const QBluetoothDeviceInfo& info) {
    if (!info.address().isNull())
        return identifierForAddress(info.address());
    return identifierForDeviceUuid(info.deviceUuid());
}

std::optional<std::string> nameOfDevice(const QBluetoothDeviceInfo& info) {
    const QString name = info.name();
    if (name.isEmpty())
        return std::nullopt;
    // BlueZ 5 fills in the Alias of a device that never sent its name with
    // its address, dashes for colons ("AA-BB-CC-DD-EE-FF"), and Qt 6.4 reports
    // the Alias as the name. CoreBluetooth reports no name there; neither do we.
    if (!info.address().isNull()) {
        const QString addressAlias = info.address().toString().replace(QLatin1Char(':'), QLatin1Char('-'));
        if (name.compare(addressAlias, Qt::CaseInsensitive) == 0)
            return std::nullopt;
    }
    return name.toStdString();
}

PeripheralState peripheralStateFor(QLowEnergyController::ControllerState state) {
    switch (state) {
    case QLowEnergyController::ConnectingState:
        return PeripheralState::Connecting;
    case QLowEnergyController::ConnectedState:
    case QLowEnergyController::DiscoveringState:
    case QLowEnergyController::DiscoveredState:
        return PeripheralState::Connected;
    case QLowEnergyController::ClosingState:  // the link is going: nothing more can be sent
    case QLowEnergyController::UnconnectedState:
    case QLowEnergyController::AdvertisingState:
        break;
    }
    return PeripheralState::Disconnected;
}

CentralState centralStateFor(bool adapterPresent, QBluetoothLocalDevice::HostMode mode) {
    if (!adapterPresent)
        return CentralState::Unsupported;
    return mode == QBluetoothLocalDevice::HostPoweredOff ? CentralState::PoweredOff
                                                          : CentralState::PoweredOn;
}

std::optional<CentralState> centralStateForScanError(QBluetoothDeviceDiscoveryAgent::Error error,
                                                     bool adapterPresent) {
    switch (error) {
    case QBluetoothDeviceDiscoveryAgent::PoweredOffError:
        return CentralState::PoweredOff;
    case QBluetoothDeviceDiscoveryAgent::InvalidBluetoothAdapterError:
    case QBluetoothDeviceDiscoveryAgent::UnsupportedPlatformError:
    case QBluetoothDeviceDiscoveryAgent::UnsupportedDiscoveryMethod:
        return CentralState::Unsupported;
    case QBluetoothDeviceDiscoveryAgent::MissingPermissionsError:
        return CentralState::Unauthorized;
    default:
        break;
    }
    // BlueZ without an adapter fails the scan with InputOutputError.
    if (!adapterPresent)
        return CentralState::Unsupported;
    return std::nullopt;
}

bool bluetoothServiceRunning() {
#if defined(Q_OS_LINUX)
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    return bus.interface()->isServiceRegistered(QStringLiteral("org.bluez")).value();
#else
    return true;
#endif
}

QBluetoothUuid uuidFromText(const std::string& text) {
    return QBluetoothUuid(QUuid::fromString(QString::fromStdString(text)));
}

std::string uuidText(const QBluetoothUuid& uuid) {
    return uuid.toString(QUuid::WithoutBraces).toLower().toStdString();
}

bool advertisesAnyOf(const QBluetoothDeviceInfo& info, const QList<QBluetoothUuid>& services) {
    if (services.isEmpty())
        return true;
    const QList<QBluetoothUuid> offered = info.serviceUuids();
    for (const QBluetoothUuid& uuid : offered) {
        if (services.contains(uuid))
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// QtBleCentral

QtBleCentral::QtBleCentral(QObject* parent) : QObject(parent) {
    adapterPresent();
    _state.store(centralStateFor(_localDevice->isValid(), _localDevice->hostMode()));
    if (!_localDevice->isValid()) {
        logLine("no Bluetooth adapter found");
        if (!bluetoothServiceRunning()) {
            logLine("the Bluetooth service (org.bluez) is not running");
            _fault.store(CentralFault::ServiceNotRunning);
        }
    }
}

std::string QtBleCentral::faultDetail() const {
    std::lock_guard lock(_faultMutex);
    return _faultDetail;
}

bool QtBleCentral::canPowerOn() const {
    // QBluetoothLocalDevice::powerOn() asks BlueZ, which allows it unless the
    // adapter is blocked (rfkill) or policy forbids it; the answer comes as a
    // host mode change or an error.
    return state() == CentralState::PoweredOff;
}

void QtBleCentral::powerOn() {
    runOnMain([this] {
        if (_localDevice && _localDevice->isValid())
            _localDevice->powerOn();
    });
}

QtBleCentral::~QtBleCentral() {
    if (_agent) {
        _agent->disconnect(this);
        if (_agent->isActive())
            _agent->stop();
        delete _agent.data();
    }
    for (auto& [identifier, peripheral] : _peripherals)
        peripheral->detachFromCentral();
    _peripherals.clear();
}

bool QtBleCentral::onMainThread() const {
    return QThread::currentThread() == thread();
}

template <class Task>
void QtBleCentral::runOnMain(Task task) {
    if (onMainThread())
        task();
    else
        QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void QtBleCentral::setDelegate(BleCentralDelegate* delegate) {
    _delegate.store(delegate);
    if (!delegate)
        return;
    // Like CoreBluetooth, the first state arrives after the caller has returned.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (BleCentralDelegate* current = this->delegate())
                current->centralManagerDidUpdateState(state());
        },
        Qt::QueuedConnection);
}

bool QtBleCentral::adapterPresent() {
    // An adapter plugged in after start is found the next time we look.
    if (_localDevice && _localDevice->isValid())
        return true;
    _localDevice = std::make_unique<QBluetoothLocalDevice>();
    connect(_localDevice.get(), &QBluetoothLocalDevice::errorOccurred, this,
            [](QBluetoothLocalDevice::Error error) {
                logLine(format("Bluetooth adapter: %s", qtEnumKey(error).c_str()));
            });
    connect(_localDevice.get(), &QBluetoothLocalDevice::hostModeStateChanged, this,
            [this](QBluetoothLocalDevice::HostMode) {
                refreshState();
                if (state() == CentralState::PoweredOn && isScanning())
                    queueAgentStart();
            });
    return _localDevice->isValid();
}

void QtBleCentral::refreshState() {
    const bool present = adapterPresent();
    const bool service = present || bluetoothServiceRunning();
    setState(centralStateFor(present, _localDevice->hostMode()),
             service ? CentralFault::None : CentralFault::ServiceNotRunning);
}

void QtBleCentral::setState(CentralState state, CentralFault fault, const std::string& detail) {
    {
        std::lock_guard lock(_faultMutex);
        _faultDetail = detail;
    }
    const bool faultChanged = _fault.exchange(fault) != fault;
    if (_state.exchange(state) == state && !faultChanged)
        return;
    logLine(format("Bluetooth central state %d", static_cast<int>(state)));
    if (BleCentralDelegate* current = delegate())
        current->centralManagerDidUpdateState(state);
}

void QtBleCentral::scanForPeripheralsWithServices(const std::vector<std::string>& serviceUuids) {
    QList<QBluetoothUuid> services;
    for (const std::string& text : serviceUuids) {
        const QBluetoothUuid uuid = uuidFromText(text);
        if (uuid.isNull())
            logLine(format("scan: \"%s\" is no UUID", text.c_str()));
        else
            services.append(uuid);
    }
    runOnMain([this, services] {
        _scanServices = services;
        _scanWanted.store(true);
        if (_agent && _agent->isActive()) {
            // The agent reports a device once and then only its changes: tell
            // the new scan about the devices it already knows.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (!_agent)
                        return;
                    const QList<QBluetoothDeviceInfo> known = _agent->discoveredDevices();
                    for (const QBluetoothDeviceInfo& info : known)
                        reportDevice(info);
                },
                Qt::QueuedConnection);
        } else {
            queueAgentStart();
        }
    });
}

void QtBleCentral::stopScan() {
    runOnMain([this] {
        _scanWanted.store(false);
        if (_agent && _agent->isActive())
            _agent->stop();
    });
}

void QtBleCentral::queueAgentStart() {
    // Started one turn later: Qt reports the devices BlueZ already knows, and
    // a missing adapter, from inside start(), and no callback may arrive
    // while the caller is still inside scanForPeripheralsWithServices().
    if (_agentStartQueued)
        return;
    _agentStartQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            _agentStartQueued = false;
            startAgent();
        },
        Qt::QueuedConnection);
}

void QtBleCentral::startAgent() {
    if (!isScanning() || (_agent && _agent->isActive()))
        return;
    if (state() == CentralState::Unsupported)
        refreshState();
    if (!_agent) {
        _agent = new QBluetoothDeviceDiscoveryAgent(this);
        // Connected before start(): devices known to BlueZ come from inside it.
        connect(_agent, &QBluetoothDeviceDiscoveryAgent::deviceDiscovered, this,
                &QtBleCentral::handleDeviceDiscovered);
        connect(_agent, &QBluetoothDeviceDiscoveryAgent::deviceUpdated, this,
                &QtBleCentral::handleDeviceUpdated);
        connect(_agent, &QBluetoothDeviceDiscoveryAgent::errorOccurred, this,
                &QtBleCentral::handleScanError);
        connect(_agent, &QBluetoothDeviceDiscoveryAgent::finished, this,
                &QtBleCentral::onAgentFinished);
        // 0: scan until stopped; the default ends the scan after 40 s.
        _agent->setLowEnergyDiscoveryTimeout(0);
    }
    // A new attempt: the last scan's failure is history unless it fails again.
    if (fault() == CentralFault::DiscoveryFailed)
        setState(state());
    _agent->start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
}

void QtBleCentral::onAgentFinished() {
    if (!isScanning())
        return;
    logLine("Bluetooth scan ended by the stack; starting it again");
    QTimer::singleShot(kScanRestartMs, this, [this] { startAgent(); });
}

void QtBleCentral::handleScanError(QBluetoothDeviceDiscoveryAgent::Error error) {
    const std::string text = _agent ? _agent->errorString().toStdString() : std::string();
    logLine(format("Bluetooth scan failed: %s (%s)", text.c_str(), qtEnumKey(error).c_str()));
    const bool present = adapterPresent();
    if (const auto mapped = centralStateForScanError(error, present)) {
        const bool service = present || bluetoothServiceRunning();
        setState(*mapped, service ? CentralFault::None : CentralFault::ServiceNotRunning, text);
    } else {
        setState(state(), CentralFault::DiscoveryFailed, text);
    }
    // The scan stays wanted: it starts again when the adapter reports power.
}

void QtBleCentral::handleDeviceDiscovered(const QBluetoothDeviceInfo& info) {
    reportDevice(info);
}

void QtBleCentral::handleDeviceUpdated(const QBluetoothDeviceInfo& info,
                                       QBluetoothDeviceInfo::Fields) {
    // A service UUID from a scan response arrives only with an update.
    reportDevice(info);
}

void QtBleCentral::reportDevice(const QBluetoothDeviceInfo& info) {
    if (!isScanning() || !advertisesAnyOf(info, _scanServices))
        return;
    const std::string identifier = identifierForDevice(info);
    std::shared_ptr<QtBlePeripheral>& peripheral = _peripherals[identifier];
    if (peripheral)
        peripheral->updateInfo(info);
    else
        peripheral = std::make_shared<QtBlePeripheral>(this, info);
    const std::shared_ptr<QtBlePeripheral> reported = peripheral;
    if (BleCentralDelegate* current = delegate())
        current->didDiscoverPeripheral(reported);
}

std::shared_ptr<QtBlePeripheral> QtBleCentral::ownPeripheral(const PeripheralPtr& peripheral) const {
    auto own = std::dynamic_pointer_cast<QtBlePeripheral>(peripheral);
    if (!own || own->central() != this) {
        logLine("Bluetooth: a peripheral this central did not find is ignored");
        return nullptr;
    }
    return own;
}

void QtBleCentral::connectPeripheral(const PeripheralPtr& peripheral) {
    auto own = ownPeripheral(peripheral);
    if (!own)
        return;
    // Seen at once by a worker that asks for the state right after asking
    // for the connection.
    own->noteConnectRequested();
    runOnMain([own] { own->connectToDevice(); });
}

void QtBleCentral::cancelPeripheralConnection(const PeripheralPtr& peripheral) {
    auto own = ownPeripheral(peripheral);
    if (!own)
        return;
    own->noteCancelRequested();
    runOnMain([own] { own->cancelConnection(); });
}

}  // namespace aq
