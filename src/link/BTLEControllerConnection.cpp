// Finding a lamp, connecting to it and discovering its service and
// characteristics; dropping and remaking the link for the boot loader.
#include <algorithm>
#include <cctype>

#include "link/BTLEController.h"
#include "link/LampUuids.h"
#include "link/Log.h"

namespace aq {

namespace {
constexpr int kReadyPeriods = 10;
constexpr double kReadyPeriodSeconds = 1.0;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool sameUuid(const std::string& a, const char* b) {
    return lower(a) == b;
}

std::string nameForLog(const BlePeripheral& peripheral) {
    return peripheral.name().value_or("(null)");
}
}  // namespace

BTLEController::BTLEController(BleCentral& central, Dispatch& dispatch)
    : _central(central), _dispatch(dispatch) {
    newLinkEpoch();
    _central.setDelegate(this);
}

BTLEController::~BTLEController() {
    _central.setDelegate(nullptr);
    std::lock_guard lock(_queueMutex);
    if (_abandonTimerArmed) _dispatch.cancel(_abandonTimer);
}

void BTLEController::centralManagerDidUpdateState(CentralState state) {
    setBTLEisPoweredOn(false);
    Handler told;
    {
        std::lock_guard lock(_linkMutex);
        _centralState = state;
        told = _central_state_handler;
    }
    if (told) told();
    switch (state) {
        case CentralState::PoweredOff:
            logLine("BLE is powered off");
            break;
        case CentralState::PoweredOn:
            setBTLEisPoweredOn(true);
            logLine("BLE is powered on");
            break;
        case CentralState::Unauthorized:
            logLine("BLE state is unauthorized");
            break;
        case CentralState::Unknown:
        case CentralState::Unsupported:
            logLine("BLE state is unknown");
            break;
        case CentralState::Resetting:
            break;
    }
}

void BTLEController::start_scanning(Handler handler) {
    {
        std::lock_guard lock(_linkMutex);
        _peripherals.clear();
        _peripheral_discovered_handler = std::move(handler);
    }
    _central.scanForPeripheralsWithServices({kLampServiceUUID});
}

void BTLEController::stop_scanning() {
    if (!is_scanning()) return;
    _central.stopScan();
    std::lock_guard lock(_linkMutex);
    _peripheral_discovered_handler = nullptr;
}

bool BTLEController::is_scanning() const {
    std::lock_guard lock(_linkMutex);
    return static_cast<bool>(_peripheral_discovered_handler);
}

void BTLEController::didDiscoverPeripheral(const PeripheralPtr& peripheral) {
    logLine(
        format("peripheral found: %s", peripheral ? nameForLog(*peripheral).c_str() : "(null)"));
    if (!peripheral) return;
    Handler handler;
    {
        std::lock_guard lock(_linkMutex);
        if (std::find(_peripherals.begin(), _peripherals.end(), peripheral) != _peripherals.end()) {
            logLine("already in array");
        } else {
            _peripherals.push_back(peripheral);
        }
        handler = _peripheral_discovered_handler;
    }
    if (handler) handler();
}

void BTLEController::connect_periperal_at(std::uint64_t index, Handler ready, Handler error) {
    bool waitForIt = false;
    {
        std::lock_guard lock(_linkMutex);
        if (index >= _peripherals.size()) return;
        _ready_handler = std::move(ready);
        waitForIt = static_cast<bool>(_ready_handler);
    }
    stop_scanning();
    PeripheralPtr chosen;
    {
        std::lock_guard lock(_linkMutex);
        // The scan is stopped, so the list can only have been emptied by a
        // handler run meanwhile; check again rather than trust the index.
        if (index >= _peripherals.size()) return;
        chosen = _peripherals[index];
        _peripheral = chosen;
        _peripherals.clear();
        // What an earlier link found says nothing about this one.
        clearLinkLocked();
        _connectFailure = ConnectFailure::None;
        _connectFailureDetail.clear();
    }
    _central.connectPeripheral(chosen);
    if (waitForIt && !waitForReady(false)) noteConnectFailure(chosen);
    if (error && !is_connected()) {
        disconnect();
        error();
    }
}

bool BTLEController::waitForReady(bool onWorker) {
    auto readyPending = [this] {
        std::lock_guard lock(_linkMutex);
        return static_cast<bool>(_ready_handler);
    };
    // As many periods as make the ten seconds of the one-second ones.
    const double period = _readyPeriod > 0.0 ? std::min(_readyPeriod, kReadyPeriodSeconds)
                                             : kReadyPeriodSeconds;
    const int periods =
        std::max(kReadyPeriods, static_cast<int>(kReadyPeriods * kReadyPeriodSeconds / period));
    for (int n = 0; n < periods; ++n) {
        if (onWorker) {
            _dispatch.sleepFor(period);
        } else {
            _dispatch.runLoopFor(period);
        }
        if (n < periods - 1 && !readyPending()) return true;
    }
    return !readyPending();
}

void BTLEController::didConnectPeripheral(const PeripheralPtr& peripheral) {
    if (!peripheral) return;
    logLine(format("connected to %s", nameForLog(*peripheral).c_str()));
    newLinkEpoch();
    peripheral->setDelegate(this);
    peripheral->discoverServices({kLampServiceUUID});
}

void BTLEController::didFailToConnectPeripheral(const PeripheralPtr& failed,
                                                const std::string& error) {
    logLine(format("failed to conntect to %s", error.c_str()));
    // A stack may give up on an attempt long after the connect stopped
    // waiting for it (BlueZ keeps trying a switched-off lamp for longer), by
    // which time the user may be connected to another lamp: only the lamp
    // being connected is dropped.
    const PeripheralPtr current = peripheral();
    if (failed && current && failed != current) return;
    {
        std::lock_guard lock(_linkMutex);
        _connectFailure =
            error == kPeripheralNotFoundError ? ConnectFailure::NotFound : ConnectFailure::Refused;
        _connectFailureDetail = error;
    }
    disconnect();
}

void BTLEController::didDiscoverServices(BlePeripheral& peripheral,
                                         const std::optional<std::string>&) {
    for (const ServicePtr& service : peripheral.services()) {
        if (!service || !sameUuid(service->uuid(), kLampServiceUUID)) continue;
        {
            std::lock_guard lock(_linkMutex);
            _service = service;
        }
        logLine(format("serivce discoverd: %s", upper(service->uuid()).c_str()));
        // The boot-loader characteristic is asked for too: stacks that report
        // only what was asked for would otherwise never offer it.
        peripheral.discoverCharacteristics(
            {kCommandCharacteristicUUID, kTestCharacteristicUUID, kBootLoaderCharacteristicUUID},
            service);
    }
}

void BTLEController::didDiscoverCharacteristicsForService(BlePeripheral&, const ServicePtr& service,
                                                          const std::optional<std::string>&) {
    if (!service) return;
    bool ready = false;
    for (const CharacteristicPtr& characteristic : service->characteristics()) {
        if (!characteristic) continue;
        const std::string uuid = characteristic->uuid();
        logLine(format("characteristic discoverd: %s", upper(uuid).c_str()));
        std::lock_guard lock(_linkMutex);
        if (sameUuid(uuid, kCommandCharacteristicUUID)) {
            _rw_characteristic = characteristic;
        } else if (sameUuid(uuid, kTestCharacteristicUUID)) {
            _test_characteristic = characteristic;
        } else if (sameUuid(uuid, kBootLoaderCharacteristicUUID)) {
            _bl_characteristic = characteristic;
        }
    }
    Handler handler;
    {
        std::lock_guard lock(_linkMutex);
        ready = _rw_characteristic && _test_characteristic;
        if (ready) handler = _ready_handler;
    }
    if (!ready) return;
    logLine("connection is ready");
    if (handler) handler();
    std::lock_guard lock(_linkMutex);
    _ready_handler = nullptr;
}

void BTLEController::disconnect() {
    newLinkEpoch();
    stop_scanning();
    PeripheralPtr dropped;
    {
        std::lock_guard lock(_linkMutex);
        _peripherals.clear();
        clearLinkLocked();
        dropped = std::move(_peripheral);
        _peripheral = nullptr;
    }
    if (dropped && dropped->state() == PeripheralState::Connected) {
        _central.cancelPeripheralConnection(dropped);
    }
    std::lock_guard lock(_linkMutex);
    _peripheral_discovered_handler = nullptr;
    _ready_handler = nullptr;
}

bool BTLEController::is_connected() const {
    const PeripheralPtr current = peripheral();
    return current && current->state() == PeripheralState::Connected;
}

void BTLEController::onMain(const std::function<void()>& fn) {
    if (_dispatch.isMainThread()) {
        fn();
        return;
    }
    auto done = _dispatch.makeWorkerEvent();
    _dispatch.postToMain([&fn, done] {
        fn();
        done->notify();
    });
    done->wait();
}

void BTLEController::reconnect(float seconds) {
    const PeripheralPtr target = peripheral();
    auto stateOf = [&target] { return target ? target->state() : PeripheralState::Disconnected; };
    logRaw("disconnect");
    PeripheralState state = PeripheralState::Disconnected;
    // The central is driven from the main thread, which owns it.
    onMain([&] {
        if (stateOf() == PeripheralState::Connected) _central.cancelPeripheralConnection(target);
        state = stateOf();
    });
    if (state != PeripheralState::Disconnected) {
        logRaw(format("error: state is %i", static_cast<int>(state)));
    } else {
        logRaw("successful");
    }
    logRaw(format("wait for %.1f sec", static_cast<double>(seconds)));
    _dispatch.sleepFor(seconds);
    logRaw("reconnect");
    onMain([&] {
        if (target) _central.connectPeripheral(target);
        {
            std::lock_guard lock(_linkMutex);
            _ready_handler = [] { logRaw("connected"); };
        }
        state = stateOf();
    });
    if (state != PeripheralState::Connecting) {
        logRaw(format("error: state is %i", static_cast<int>(state)));
    } else {
        logRaw("successful connecting");
    }
    waitForReady(true);
    std::lock_guard lock(_linkMutex);
    _linkDropExpected = false;
}

std::vector<PeripheralPtr> BTLEController::peripherals() const {
    std::lock_guard lock(_linkMutex);
    return _peripherals;
}

void BTLEController::setPeripherals(std::vector<PeripheralPtr> peripherals) {
    std::lock_guard lock(_linkMutex);
    _peripherals = std::move(peripherals);
}

bool BTLEController::BTLEisPoweredOn() const {
    std::lock_guard lock(_linkMutex);
    return _BTLEisPoweredOn;
}

void BTLEController::setBTLEisPoweredOn(bool on) {
    std::lock_guard lock(_linkMutex);
    _BTLEisPoweredOn = on;
}

PeripheralPtr BTLEController::peripheral() const {
    std::lock_guard lock(_linkMutex);
    return _peripheral;
}

ServicePtr BTLEController::service() const {
    std::lock_guard lock(_linkMutex);
    return _service;
}

CharacteristicPtr BTLEController::rw_characteristic() const {
    std::lock_guard lock(_linkMutex);
    return _rw_characteristic;
}

CharacteristicPtr BTLEController::test_characteristic() const {
    std::lock_guard lock(_linkMutex);
    return _test_characteristic;
}

CharacteristicPtr BTLEController::bl_characteristic() const {
    std::lock_guard lock(_linkMutex);
    return _bl_characteristic;
}

}  // namespace aq
