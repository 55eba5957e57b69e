#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/BTLECommand.h"
#include "link/BleCentral.h"
#include "link/Bytes.h"
#include "link/Dispatch.h"

namespace aq {

// The lamp link: finds and connects lamps, and carries every command through
// a single-flight queue (write with response, then read the same
// characteristic; what is read is the answer).
//
// Threads: central callbacks and every response handler run on the main
// thread. Commands may be queued from any thread; synchronous commands only
// from workers. The queue state is guarded by a mutex that is never held
// while a handler runs.
class BTLEController : public BleCentralDelegate, public BlePeripheralDelegate {
public:
    using Handler = std::function<void()>;
    using ResponseHandler = BTLECommand::ResponseHandler;

    // A command in flight this long is abandoned even when nothing else is
    // queued, so a lost answer never stalls the link or a waiting worker.
    static constexpr double kAbandonAfterSeconds = 5.0;
    // A command queued this long after the one in flight was written
    // abandons it.
    static constexpr double kStaleAfterSeconds = 1.0;

    BTLEController(BleCentral& central, Dispatch& dispatch);
    ~BTLEController() override;
    BTLEController(const BTLEController&) = delete;
    BTLEController& operator=(const BTLEController&) = delete;

    // --- queue and transport ---------------------------------------------
    void fireCommand(const Bytes& data, const CharacteristicPtr& characteristic,
                     ResponseHandler response);
    // Replaces the waiting command that would be written last.
    void overloadCommand(const Bytes& data, const CharacteristicPtr& characteristic,
                         ResponseHandler response);
    // Worker threads only. Blocks until the answer arrives; no value when the
    // command was abandoned or dropped without an answer.
    std::optional<Bytes> fireSyncCommand(const Bytes& data,
                                         const CharacteristicPtr& characteristic);
    void fireCustomRw(const std::string& hex, ResponseHandler response);
    void fireCustomBl(const std::string& hex, ResponseHandler response);
    void fireDataBl(const Bytes& data, ResponseHandler response);
    void fireCustomTest(const std::string& hex, ResponseHandler response);

    void load(const CommandPtr& command);
    void overloadLast(const CommandPtr& command);
    void fire();

    // --- connection --------------------------------------------------------
    void start_scanning(Handler handler);
    void stop_scanning();
    bool is_scanning() const;
    // Main thread. Returns when ready, failed, or after at most ten periods of
    // one second; the event loop runs meanwhile.
    void connect_periperal_at(std::uint64_t index, Handler ready, Handler error);
    void disconnect();
    bool is_connected() const;
    // Worker threads only: drops the link and makes it again to the same lamp.
    void reconnect(float seconds);

    std::vector<PeripheralPtr> peripherals() const;
    void setPeripherals(std::vector<PeripheralPtr> peripherals);
    bool BTLEisPoweredOn() const;
    void setBTLEisPoweredOn(bool on);

    PeripheralPtr peripheral() const;
    ServicePtr service() const;
    CharacteristicPtr rw_characteristic() const;
    CharacteristicPtr test_characteristic() const;
    CharacteristicPtr bl_characteristic() const;

    Dispatch& dispatch() const { return _dispatch; }

    // Queue state, for tests and diagnostics.
    std::size_t waitingCommandCount() const;
    CommandPtr firedCommand() const;

    // --- central and peripheral callbacks (main thread) -------------------
    void centralManagerDidUpdateState(CentralState state) override;
    void didDiscoverPeripheral(const PeripheralPtr& peripheral) override;
    void didConnectPeripheral(const PeripheralPtr& peripheral) override;
    void didFailToConnectPeripheral(const PeripheralPtr& peripheral,
                                    const std::string& error) override;
    void didDiscoverServices(BlePeripheral& peripheral,
                             const std::optional<std::string>& error) override;
    void didDiscoverCharacteristicsForService(BlePeripheral& peripheral, const ServicePtr& service,
                                              const std::optional<std::string>& error) override;
    void didWriteValueForCharacteristic(BlePeripheral& peripheral,
                                        const CharacteristicPtr& characteristic,
                                        const std::optional<std::string>& error) override;
    void didUpdateValueForCharacteristic(BlePeripheral& peripheral,
                                         const CharacteristicPtr& characteristic,
                                         const std::optional<std::string>& error) override;

private:
    CommandPtr makeCommand(const Bytes& data, const CharacteristicPtr& characteristic,
                           ResponseHandler response) const;
    // Takes the newest waiting command into flight; returns it, or none when
    // the link goes idle. Caller holds _queueMutex.
    CommandPtr takeNextLocked();
    // Writes a command just taken into flight (no lock held).
    void write(const CommandPtr& command);
    // Ends `settled` (answered or abandoned) and writes the next command.
    void fireAfter(const CommandPtr& settled);
    // Abandons `command` if it is still in flight, unanswered, and was
    // written more than `seconds` ago (at least, when `inclusive`).
    // Abandons the command in flight: logs "!!!", wakes its waiter, writes
    // the next. Caller has marked it settling.
    void abandon(const CommandPtr& command);
    // One timer at a time watches the command in flight for the 5 s rule.
    void armAbandonTimerLocked(double seconds);
    void onAbandonTimer();

    // Runs fn on the main thread and waits for it when called from a worker.
    void onMain(const std::function<void()>& fn);
    bool waitForReady(bool onWorker);

    BleCentral& _central;
    Dispatch& _dispatch;

    // Connection state: written on the main thread, read from workers.
    mutable std::mutex _linkMutex;
    Handler _peripheral_discovered_handler;
    Handler _ready_handler;
    PeripheralPtr _peripheral;
    ServicePtr _service;
    CharacteristicPtr _rw_characteristic;
    CharacteristicPtr _test_characteristic;
    CharacteristicPtr _bl_characteristic;
    bool _BTLEisPoweredOn = false;
    std::vector<PeripheralPtr> _peripherals;

    // Queue state.
    mutable std::mutex _queueMutex;
    std::vector<CommandPtr> _commands;
    CommandPtr _fired;
    // The command in flight has been answered or abandoned and its handler
    // is running; new commands wait until it is done.
    bool _settling = false;
    bool _abandonTimerArmed = false;
    Dispatch::TimerId _abandonTimer = 0;
};

}  // namespace aq
