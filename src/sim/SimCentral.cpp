#include "sim/SimCentral.h"

#include <algorithm>

#include "link/LampUuids.h"

namespace aq {

class SimCharacteristic : public BleCharacteristic {
public:
    explicit SimCharacteristic(std::string uuid) : _uuid(std::move(uuid)) {}
    std::string uuid() const override { return _uuid; }
    Bytes value() const override {
        std::lock_guard lock(_mutex);
        return _value;
    }
    void setValue(Bytes value) {
        std::lock_guard lock(_mutex);
        _value = std::move(value);
    }
    // What the lamp will return on the next read, and how much later than
    // usual that read completes.
    void setPending(Bytes value, double extraDelay = 0.0) {
        std::lock_guard lock(_mutex);
        _pending = std::move(value);
        _pendingDelay = extraDelay;
    }
    Bytes pending() const {
        std::lock_guard lock(_mutex);
        return _pending;
    }
    double pendingDelay() const {
        std::lock_guard lock(_mutex);
        return _pendingDelay;
    }

private:
    const std::string _uuid;
    mutable std::mutex _mutex;
    Bytes _value;
    Bytes _pending;
    double _pendingDelay = 0.0;
};

class SimService : public BleService {
public:
    SimService() {
        for (const char* uuid : {kCommandCharacteristicUUID, kTestCharacteristicUUID,
                                 kBootLoaderCharacteristicUUID}) {
            _all.push_back(std::make_shared<SimCharacteristic>(uuid));
        }
    }
    std::string uuid() const override { return kLampServiceUUID; }
    std::vector<CharacteristicPtr> characteristics() const override {
        std::lock_guard lock(_mutex);
        return _found;
    }
    void offer(const std::vector<std::string>& requested, bool commandOnly) {
        std::vector<CharacteristicPtr> found;
        for (const auto& c : _all) {
            if (commandOnly && c->uuid() != kCommandCharacteristicUUID) continue;
            if (std::find(requested.begin(), requested.end(), c->uuid()) == requested.end()) {
                continue;
            }
            found.push_back(c);
        }
        std::lock_guard lock(_mutex);
        _found = std::move(found);
    }

private:
    std::vector<std::shared_ptr<SimCharacteristic>> _all;
    mutable std::mutex _mutex;
    std::vector<CharacteristicPtr> _found;
};

// --- SimPeripheral ----------------------------------------------------------

SimPeripheral::SimPeripheral(SimCentral& central, std::shared_ptr<SimLamp> lamp)
    : _central(central), _lamp(std::move(lamp)), _service(std::make_shared<SimService>()) {}

std::optional<std::string> SimPeripheral::name() const {
    if (_lamp->name().empty()) return std::nullopt;
    return _lamp->name();
}

std::string SimPeripheral::identifier() const { return _lamp->identifier(); }

void SimPeripheral::setDelegate(BlePeripheralDelegate* delegate) {
    std::lock_guard lock(_mutex);
    _delegate = delegate;
}

BlePeripheralDelegate* SimPeripheral::delegate() const {
    std::lock_guard lock(_mutex);
    return _delegate;
}

void SimPeripheral::later(double seconds, std::function<void()> then) {
    std::weak_ptr<SimPeripheral> self = weak_from_this();
    std::weak_ptr<bool> alive = _central.alive();
    const std::uint64_t link = _link.load();
    _central.dispatch().singleShot(seconds, [self, alive, link, then = std::move(then)] {
        auto peripheral = self.lock();
        if (!peripheral || alive.expired()) return;
        if (peripheral->_link.load() != link) return;
        then();
    });
}

void SimPeripheral::beginConnecting() {
    _link.fetch_add(1);
    _state.store(PeripheralState::Connecting);
}

void SimPeripheral::finishConnecting(bool ok) {
    _state.store(ok ? PeripheralState::Connected : PeripheralState::Disconnected);
}

void SimPeripheral::dropLink() {
    _link.fetch_add(1);
    _state.store(PeripheralState::Disconnected);
}

void SimPeripheral::loseLink(const std::string& reason) {
    if (state() == PeripheralState::Disconnected) return;
    dropLink();
    if (auto* d = _central.delegate()) d->didDisconnectPeripheral(shared_from_this(), reason);
}

void SimPeripheral::discoverServices(const std::vector<std::string>& serviceUuids) {
    const bool wanted = serviceUuids.empty() || std::find(serviceUuids.begin(), serviceUuids.end(),
                                                          kLampServiceUUID) != serviceUuids.end();
    later(_central.delay(), [this, wanted] {
        {
            std::lock_guard lock(_mutex);
            _services.clear();
            if (wanted) _services.push_back(_service);
        }
        if (auto* d = delegate()) d->didDiscoverServices(*this, std::nullopt);
    });
}

std::vector<ServicePtr> SimPeripheral::services() const {
    std::lock_guard lock(_mutex);
    return _services;
}

void SimPeripheral::discoverCharacteristics(const std::vector<std::string>& characteristicUuids,
                                            const ServicePtr& service) {
    later(_central.delay(), [this, characteristicUuids, service] {
        _service->offer(characteristicUuids, _lamp->faults().commandCharacteristicOnly);
        if (auto* d = delegate()) d->didDiscoverCharacteristicsForService(*this, service, std::nullopt);
    });
}

void SimPeripheral::writeValue(const Bytes& data, const CharacteristicPtr& characteristic) {
    if (state() != PeripheralState::Connected) return;
    auto target = std::dynamic_pointer_cast<SimCharacteristic>(characteristic);
    if (!target) return;
    later(_central.delay(), [this, data, target] {
        const SimFaults faults = _lamp->faults();
        const std::uint64_t number = _lamp->receivedCount() + 1;
        const std::string uuid = target->uuid();
        if (faults.dropLinkOnceAt && number >= *faults.dropLinkOnceAt) {
            SimFaults spent = faults;
            spent.dropLinkOnceAt.reset();
            _lamp->setFaults(spent);
            loseLink("the link timed out");
            return;
        }
        if (faults.hits(SimFault::DropLink, number, uuid, data)) {
            loseLink("the link timed out");
            return;
        }
        const double late =
            faults.hits(SimFault::LateAnswer, number, uuid, data) ? faults.lateAnswerBy : 0.0;
        const auto verdict = uuid == kBootLoaderCharacteristicUUID
                                 ? _lamp->bootLoader().take(data)
                                 : SimBootLoader::Verdict::Answer;
        target->setPending(_lamp->receive(uuid, data), late);
        if (verdict == SimBootLoader::Verdict::DropLink) {
            // The lamp restarts into its boot loader.
            loseLink("the lamp restarted");
            return;
        }
        if (verdict == SimBootLoader::Verdict::Refuse) return;
        if (faults.hits(SimFault::NoAnswer, number, uuid, data)) return;
        if (auto* d = delegate()) d->didWriteValueForCharacteristic(*this, target, std::nullopt);
    });
}

void SimPeripheral::readValueForCharacteristic(const CharacteristicPtr& characteristic) {
    if (state() != PeripheralState::Connected) return;
    auto target = std::dynamic_pointer_cast<SimCharacteristic>(characteristic);
    if (!target) return;
    later(_central.delay() + _lamp->faults().lateBy + target->pendingDelay(), [this, target] {
        target->setValue(target->pending());
        if (auto* d = delegate()) d->didUpdateValueForCharacteristic(*this, target, std::nullopt);
    });
}

// --- SimCentral ---------------------------------------------------------------

SimCentral::SimCentral(Dispatch& dispatch, double delay) : _dispatch(dispatch), _delay(delay) {}

SimCentral::~SimCentral() { _alive.reset(); }

std::shared_ptr<SimPeripheral> SimCentral::addLamp(std::shared_ptr<SimLamp> lamp) {
    auto peripheral = std::make_shared<SimPeripheral>(*this, std::move(lamp));
    std::lock_guard lock(_mutex);
    _lamps.push_back(peripheral);
    return peripheral;
}

std::vector<std::shared_ptr<SimPeripheral>> SimCentral::lamps() const {
    std::lock_guard lock(_mutex);
    return _lamps;
}

void SimCentral::setDelegate(BleCentralDelegate* delegate) {
    {
        std::lock_guard lock(_mutex);
        _delegate = delegate;
    }
    if (!delegate) return;
    std::weak_ptr<bool> alive = _alive;
    _dispatch.postToMain([this, alive] {
        if (alive.expired()) return;
        if (auto* d = this->delegate()) d->centralManagerDidUpdateState(state());
    });
}

void SimCentral::setState(CentralState state, CentralFault fault) {
    _state.store(state);
    _fault.store(fault);
    if (state != CentralState::PoweredOn) {
        // A switched-off or missing adapter holds no links.
        for (const auto& lamp : lamps()) lamp->loseLink("Bluetooth was switched off");
    }
    if (auto* d = delegate()) d->centralManagerDidUpdateState(state);
}

std::string SimCentral::faultDetail() const {
    switch (fault()) {
        case CentralFault::ServiceNotRunning:
            return "org.bluez is not on the system bus";
        case CentralFault::DiscoveryFailed:
            return "the scan was refused";
        case CentralFault::None:
            break;
    }
    return {};
}

void SimCentral::powerOn() {
    if (!canPowerOn() || state() != CentralState::PoweredOff) return;
    std::weak_ptr<bool> alive = _alive;
    _dispatch.singleShot(_delay, [this, alive] {
        if (!alive.expired()) setState(CentralState::PoweredOn);
    });
}

void SimCentral::switchOff(const std::shared_ptr<SimPeripheral>& peripheral) {
    if (peripheral) peripheral->loseLink("the lamp was switched off or went out of range");
}

BleCentralDelegate* SimCentral::delegate() const {
    std::lock_guard lock(_mutex);
    return _delegate;
}

void SimCentral::scanForPeripheralsWithServices(const std::vector<std::string>&) {
    _scanning.store(true);
    // Without a working adapter nothing is ever found.
    if (state() != CentralState::PoweredOn || fault() != CentralFault::None) return;
    const std::uint64_t scan = _scan.fetch_add(1) + 1;
    std::weak_ptr<bool> alive = _alive;
    const auto all = lamps();
    for (std::size_t i = 0; i < all.size(); ++i) {
        std::weak_ptr<SimPeripheral> lamp = all[i];
        _dispatch.singleShot(_delay * static_cast<double>(i + 1), [this, alive, lamp, scan] {
            if (alive.expired() || !_scanning.load() || _scan.load() != scan) return;
            auto peripheral = lamp.lock();
            if (peripheral && delegate()) delegate()->didDiscoverPeripheral(peripheral);
        });
    }
}

void SimCentral::advertiseAgain() {
    if (!_scanning.load()) return;
    for (const auto& peripheral : lamps()) {
        if (delegate()) delegate()->didDiscoverPeripheral(peripheral);
    }
}

void SimCentral::stopScan() { _scanning.store(false); }

void SimCentral::connectPeripheral(const PeripheralPtr& peripheral) {
    auto target = std::dynamic_pointer_cast<SimPeripheral>(peripheral);
    if (!target) return;
    target->beginConnecting();
    std::weak_ptr<SimPeripheral> weak = target;
    std::weak_ptr<bool> alive = _alive;
    _dispatch.singleShot(_delay, [this, weak, alive] {
        auto lamp = weak.lock();
        if (!lamp || alive.expired() || lamp->state() != PeripheralState::Connecting) return;
        const bool refused =
            lamp->lamp()->faults().refuseConnection || state() != CentralState::PoweredOn;
        lamp->finishConnecting(!refused);
        auto* d = delegate();
        if (!d) return;
        if (refused) {
            d->didFailToConnectPeripheral(lamp, "The connection has failed unexpectedly.");
        } else {
            d->didConnectPeripheral(lamp);
        }
    });
}

void SimCentral::cancelPeripheralConnection(const PeripheralPtr& peripheral) {
    if (auto target = std::dynamic_pointer_cast<SimPeripheral>(peripheral)) target->dropLink();
}

}  // namespace aq
