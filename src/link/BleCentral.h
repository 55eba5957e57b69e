#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/Bytes.h"

namespace aq {

// The narrow Bluetooth LE central the link is written against: just the
// operations and callbacks the connection and the queue use. It is served by
// Qt Bluetooth in the application and by simulated lamps in tests and demos.
//
// Every callback is delivered on the main thread. Handles are shared; the same
// lamp is always the same peripheral object, so identity compares handles.
// UUIDs are lower-case text in their usual 8-4-4-4-12 form.

// Central manager states, numbered as the lamp link compares and logs them.
enum class CentralState : int {
    Unknown = 0,
    Resetting = 1,
    Unsupported = 2,
    Unauthorized = 3,
    PoweredOff = 4,
    PoweredOn = 5,
};

// What keeps a central from finding lamps beyond what its state says, where
// the stack tells. No adapter, switched off and no permission are states.
enum class CentralFault : int {
    None = 0,
    // The system's Bluetooth service is not running (BlueZ: bluetoothd).
    ServiceNotRunning = 1,
    // The stack refused or ended the scan for another reason.
    DiscoveryFailed = 2,
};

// Peripheral states, numbered as the lamp link compares and logs them.
enum class PeripheralState : int { Disconnected = 0, Connecting = 1, Connected = 2 };

class BleCharacteristic {
public:
    virtual ~BleCharacteristic() = default;
    virtual std::string uuid() const = 0;
    // The value the last completed read brought.
    virtual Bytes value() const = 0;
};
using CharacteristicPtr = std::shared_ptr<BleCharacteristic>;

class BleService {
public:
    virtual ~BleService() = default;
    virtual std::string uuid() const = 0;
    // The characteristics found by the last characteristic discovery.
    virtual std::vector<CharacteristicPtr> characteristics() const = 0;
};
using ServicePtr = std::shared_ptr<BleService>;

class BlePeripheral;

class BlePeripheralDelegate {
public:
    virtual ~BlePeripheralDelegate() = default;
    virtual void didDiscoverServices(BlePeripheral& peripheral,
                                     const std::optional<std::string>& error) = 0;
    virtual void didDiscoverCharacteristicsForService(BlePeripheral& peripheral,
                                                      const ServicePtr& service,
                                                      const std::optional<std::string>& error) = 0;
    virtual void didWriteValueForCharacteristic(BlePeripheral& peripheral,
                                                const CharacteristicPtr& characteristic,
                                                const std::optional<std::string>& error) = 0;
    virtual void didUpdateValueForCharacteristic(BlePeripheral& peripheral,
                                                 const CharacteristicPtr& characteristic,
                                                 const std::optional<std::string>& error) = 0;
};

class BlePeripheral {
public:
    virtual ~BlePeripheral() = default;
    virtual std::optional<std::string> name() const = 0;
    // Stable identifier text, 36 upper-case characters.
    virtual std::string identifier() const = 0;
    // The signal strength of the last advertisement seen, in dBm, where the
    // stack reports one.
    virtual std::optional<int> rssi() const { return std::nullopt; }
    virtual PeripheralState state() const = 0;
    virtual void setDelegate(BlePeripheralDelegate* delegate) = 0;
    virtual void discoverServices(const std::vector<std::string>& serviceUuids) = 0;
    virtual std::vector<ServicePtr> services() const = 0;
    virtual void discoverCharacteristics(const std::vector<std::string>& characteristicUuids,
                                         const ServicePtr& service) = 0;
    // Write with response. May be called from any thread; completes with
    // didWriteValueForCharacteristic on the main thread, also on failure.
    // Nothing completes once the link is gone.
    virtual void writeValue(const Bytes& data, const CharacteristicPtr& characteristic) = 0;
    // May be called from any thread; completes with
    // didUpdateValueForCharacteristic on the main thread, also on failure.
    virtual void readValueForCharacteristic(const CharacteristicPtr& characteristic) = 0;
};
using PeripheralPtr = std::shared_ptr<BlePeripheral>;

class BleCentralDelegate {
public:
    virtual ~BleCentralDelegate() = default;
    virtual void centralManagerDidUpdateState(CentralState state) = 0;
    virtual void didDiscoverPeripheral(const PeripheralPtr& peripheral) = 0;
    virtual void didConnectPeripheral(const PeripheralPtr& peripheral) = 0;
    virtual void didFailToConnectPeripheral(const PeripheralPtr& peripheral,
                                            const std::string& error) = 0;
    // The link to a connected peripheral ended without the central being
    // asked to end it: dropped, the device gone, switched off or out of
    // range. `error` says why where the stack tells. Nothing is reported for
    // a cancelPeripheralConnection().
    virtual void didDisconnectPeripheral(const PeripheralPtr& peripheral,
                                         const std::optional<std::string>& error) {
        (void)peripheral;
        (void)error;
    }
};

// The error text of a failed connect when the system no longer knows the
// device (it was removed, or went away before the attempt).
inline constexpr const char* kPeripheralNotFoundError = "The device was not found.";

class BleCentral {
public:
    virtual ~BleCentral() = default;
    virtual void setDelegate(BleCentralDelegate* delegate) = 0;
    virtual CentralState state() const = 0;
    // A change is told through centralManagerDidUpdateState, the state
    // unchanged or not.
    virtual CentralFault fault() const { return CentralFault::None; }
    // The stack's own words for the fault, for the log and for the curious.
    virtual std::string faultDetail() const { return {}; }
    // Whether powerOn() may switch a powered-off adapter on from here.
    virtual bool canPowerOn() const { return false; }
    // Asks the system to switch the adapter on; the outcome arrives as a
    // state update.
    virtual void powerOn() {}
    // Reports peripherals that advertise one of the services, repeats included.
    virtual void scanForPeripheralsWithServices(const std::vector<std::string>& serviceUuids) = 0;
    virtual void stopScan() = 0;
    virtual void connectPeripheral(const PeripheralPtr& peripheral) = 0;
    virtual void cancelPeripheralConnection(const PeripheralPtr& peripheral) = 0;
};

}  // namespace aq
