#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "link/BleCentral.h"
#include "link/Dispatch.h"
#include "sim/SimLamp.h"

namespace aq {

class SimCentral;

// A simulated lamp as the central sees it. Every operation completes on the
// main thread after the central's delay, like a real radio link.
class SimPeripheral : public BlePeripheral, public std::enable_shared_from_this<SimPeripheral> {
public:
    SimPeripheral(SimCentral& central, std::shared_ptr<SimLamp> lamp);

    std::optional<std::string> name() const override;
    std::string identifier() const override;
    PeripheralState state() const override { return _state.load(); }
    void setDelegate(BlePeripheralDelegate* delegate) override;
    void discoverServices(const std::vector<std::string>& serviceUuids) override;
    std::vector<ServicePtr> services() const override;
    void discoverCharacteristics(const std::vector<std::string>& characteristicUuids,
                                 const ServicePtr& service) override;
    void writeValue(const Bytes& data, const CharacteristicPtr& characteristic) override;
    void readValueForCharacteristic(const CharacteristicPtr& characteristic) override;

    const std::shared_ptr<SimLamp>& lamp() const { return _lamp; }

    // Link events driven by the central (main thread).
    void beginConnecting();
    void finishConnecting(bool ok);
    // Drops the link: pending operations never complete.
    void dropLink();
    // Drops the link from the lamp's side and tells the central's delegate
    // why, as a radio link that ends on its own does.
    void loseLink(const std::string& reason);

private:
    // Runs `then` after the delay, unless the link changed meanwhile.
    void later(double seconds, std::function<void()> then);
    BlePeripheralDelegate* delegate() const;

    SimCentral& _central;
    std::shared_ptr<SimLamp> _lamp;
    std::atomic<PeripheralState> _state{PeripheralState::Disconnected};
    std::atomic<std::uint64_t> _link{0};
    mutable std::mutex _mutex;
    BlePeripheralDelegate* _delegate = nullptr;
    std::vector<ServicePtr> _services;
    std::shared_ptr<class SimService> _service;
};

// A central that serves simulated lamps through the same interface as the
// Qt Bluetooth central.
class SimCentral : public BleCentral {
public:
    // `delay`: seconds each operation takes (scan report, connect, discovery,
    // write, read).
    SimCentral(Dispatch& dispatch, double delay);
    ~SimCentral() override;

    std::shared_ptr<SimPeripheral> addLamp(std::shared_ptr<SimLamp> lamp);
    std::vector<std::shared_ptr<SimPeripheral>> lamps() const;
    // Reports every lamp to a running scan once more (a repeated advertisement).
    void advertiseAgain();

    // The lamp's power goes off: a connected link is lost.
    void switchOff(const std::shared_ptr<SimPeripheral>& peripheral);

    // What the simulated adapter reports; the delegate hears of a change.
    void setState(CentralState state, CentralFault fault = CentralFault::None);
    // Whether powerOn() switches the adapter on.
    void setCanPowerOn(bool can) { _canPowerOn.store(can); }

    void setDelegate(BleCentralDelegate* delegate) override;
    CentralState state() const override { return _state.load(); }
    CentralFault fault() const override { return _fault.load(); }
    std::string faultDetail() const override;
    bool canPowerOn() const override { return _canPowerOn.load(); }
    void powerOn() override;
    void scanForPeripheralsWithServices(const std::vector<std::string>& serviceUuids) override;
    void stopScan() override;
    void connectPeripheral(const PeripheralPtr& peripheral) override;
    void cancelPeripheralConnection(const PeripheralPtr& peripheral) override;

    bool scanning() const { return _scanning.load(); }
    Dispatch& dispatch() const { return _dispatch; }
    double delay() const { return _delay; }
    BleCentralDelegate* delegate() const;
    // A token that lets delayed work notice the central is gone.
    std::shared_ptr<bool> alive() const { return _alive; }

private:
    Dispatch& _dispatch;
    const double _delay;
    mutable std::mutex _mutex;
    BleCentralDelegate* _delegate = nullptr;
    std::vector<std::shared_ptr<SimPeripheral>> _lamps;
    std::atomic<bool> _scanning{false};
    std::atomic<CentralState> _state{CentralState::PoweredOn};
    std::atomic<CentralFault> _fault{CentralFault::None};
    std::atomic<bool> _canPowerOn{true};
    std::atomic<std::uint64_t> _scan{0};
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};

}  // namespace aq
