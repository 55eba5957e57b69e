#pragma once

#include <atomic>
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
#include "link/LampColor.h"
#include "link/LampDateTime.h"

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
    // Keyed replacing send: a waiting command with the same key is dropped
    // and this one queued in its stead; anything else waiting is kept.
    void replaceCommand(const std::string& key, const Bytes& data,
                        const CharacteristicPtr& characteristic, ResponseHandler response);
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
    // The lamp is about to drop the link by itself (its boot loader takes
    // over) and reconnect() makes it again: until reconnect() has returned,
    // a drop is no loss.
    void expectLinkDrop();

    // The connected lamp's link ended without disconnect() asking for it.
    struct LinkLoss {
        PeripheralPtr peripheral;
        std::string identifier;
        std::optional<std::string> name;
        // The stack's reason, where it gave one.
        std::optional<std::string> reason;
    };
    using LossHandler = std::function<void(const LinkLoss& loss)>;
    // Called on the main thread after every waiting and in-flight command was
    // given up (no value, waiters woken) and the link state cleared.
    void setConnectionLostHandler(LossHandler handler);

    // The connect waits for readiness in periods of one second, ten at most,
    // and looks between two. A program with nothing else to do while it
    // connects may look more often (the wait still ends after ten seconds).
    // Main thread.
    void setReadyPeriod(double seconds) { _readyPeriod = seconds; }
    double readyPeriod() const { return _readyPeriod; }

    // Why the last connect_periperal_at() did not end ready.
    enum class ConnectFailure {
        None,
        Refused,
        NotFound,
        TimedOut,
        NoLampService,
        NoCommandCharacteristic,
        NoTestCharacteristic,
    };
    ConnectFailure connectFailure() const;

    // Changes whenever the lamp may hold something this side cannot know:
    // a connect or disconnect, a lost link, a command given up without its
    // answer. What was learnt of the lamp under one value holds only while
    // it stays. Any thread.
    std::uint64_t linkEpoch() const { return _linkEpoch.load(); }
    // The stack's words for a refused connect, where it gave any.
    std::string connectFailureDetail() const;

    // The central's state as last reported, and the handler told of changes.
    CentralState centralState() const;
    CentralFault centralFault() const { return _central.fault(); }
    std::string centralFaultDetail() const { return _central.faultDetail(); }
    bool canPowerOn() const { return _central.canPowerOn(); }
    void powerOn() { _central.powerOn(); }
    void setCentralStateHandler(Handler handler);

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

    // Main thread only: runs the event loop until nothing waits or is in
    // flight, at most `seconds`. True when the queue drained.
    bool waitUntilSent(double seconds);
    // Calls `handler` on the main thread once every command queued before
    // has been answered or given up (at once when nothing waits or is in
    // flight). Any thread. Lets a caller of the queued reads, which never
    // call back without an answer, learn that a chain of them has ended.
    void whenIdle(Handler handler);

    // Queue state, for tests and diagnostics.
    std::size_t waitingCommandCount() const;
    CommandPtr firedCommand() const;

    // --- lamp commands -----------------------------------------------------
    // Every command goes to the command characteristic unless it says "test
    // characteristic". Queued reads call their handler on the main thread
    // with the decoded answer, and never when the answer is missing or too
    // short for the bytes they read (a log line says so). Synchronous ones
    // run on workers only and return no value in those cases. Numbers go out
    // least significant byte first; byte 1 is the device (0 master, 1 and up
    // the slaves behind it) or 0.
    using SlavesHandler = std::function<void(std::uint8_t count)>;
    using TextHandler = std::function<void(const std::string& text)>;
    using DateHandler = std::function<void(const LampDateTime& time)>;
    using BoolHandler = std::function<void(bool on)>;
    using UInt64Handler = std::function<void(std::uint64_t value)>;
    using UInt32Handler = std::function<void(std::uint32_t value)>;
    using UInt16Handler = std::function<void(std::uint16_t value)>;
    using UInt8Handler = std::function<void(std::uint8_t value)>;
    using UIntHandler = std::function<void(unsigned value)>;
    using ColorHandler = std::function<void(const LampColor& color)>;
    using WindowHandler = std::function<void(unsigned start, unsigned end)>;
    using Window16Handler = std::function<void(std::uint16_t start, std::uint16_t end)>;

    // Device information and settings.
    void getSlaves(SlavesHandler handler);
    // Two halves of 12 characters, the second asked for from the first's
    // answer; 0xFF bytes are padding wherever they stand.
    void getName(TextHandler handler);
    // ASCII only (other text sends an empty name); beyond 24 characters cut.
    void setName(const std::string& name);
    void getRTC(DateHandler handler);
    // Sends the date's own weekday (1 = Sunday ... 7 = Saturday). Fields
    // that form no date are not sent.
    // `answered` runs once the lamp has answered the write (never when it
    // does not), so a caller can read the clock back.
    void setRTC(const LampDateTime& time, Handler answered = {});
    void getDemoLoop(BoolHandler handler);
    void setDemoLoop(bool loop);
    // 0 normal, 1 preview of the day curve, 2 live control, 3 demo.
    void getMode(UInt64Handler handler);
    void setMode(unsigned mode);
    void getFirmware(TextHandler handler);
    void getSerialNo(UInt64Handler handler);
    void getActualPowerConsumption(UInt16Handler handler);
    // The energy counter, in kWh; the lamp sends it most significant byte first.
    void getPowerConsumption(UInt32Handler handler);
    std::optional<std::uint8_t> getChannels();
    std::optional<std::string> getChannelName(std::uint8_t channel);
    // Also logs the fractions, "r:%.1f g:%.1f b:%.1f".
    std::optional<LampColor> getChannelColor(std::uint8_t channel);
    void getChannelColor(std::uint8_t channel, ColorHandler handler);

    // Day programme and presettings (all synchronous). The value reads leave
    // their out-parameters untouched and return false without an answer;
    // the writes return whether the lamp answered.
    std::optional<std::uint8_t> getSetPointCountForDevice(std::uint8_t device,
                                                          std::uint8_t channel);
    bool getSetPointValueForDevice(std::uint8_t device, std::uint8_t channel, std::uint8_t point,
                                   std::uint16_t& refOffest, std::uint8_t& refIntense);
    std::optional<std::string> getPresettingName(std::uint8_t presetting);
    std::optional<std::uint8_t> getSetPointCountForPresetting(std::uint8_t presetting,
                                                              std::uint8_t channel);
    bool getSetPointValueForPresetting(std::uint8_t presetting, std::uint8_t channel,
                                       std::uint8_t point, std::uint16_t& refOffest,
                                       std::uint8_t& refIntense);
    bool setSetPointCountForDevice(std::uint8_t device, std::uint8_t channel,
                                   std::uint8_t numPoints);
    // offset: minutes after midnight, 0 ... 1439; intense: 0 ... 255.
    bool setSetPointValueForDevice(std::uint8_t device, std::uint8_t channel, std::uint8_t point,
                                   std::uint16_t offset, std::uint8_t intense);

    // Weather. Windows are minutes after midnight.
    void getBoltsPerHour(UIntHandler handler);
    void setBoltsPerHour(unsigned value);
    void getBoltsWnd(WindowHandler handler);
    void setBoltsWnd(unsigned start, unsigned to);
    void getCloudDimming(UIntHandler handler);
    void setCloudDimming(unsigned value);
    void getCloudDuration(UIntHandler handler);
    void setCloudDuration(unsigned value);
    void getCloudsPerDay(UIntHandler handler);
    void setCloudsPerDay(unsigned value);

    // Moon.
    void getMoonActive(std::uint8_t device, BoolHandler handler);
    std::optional<bool> getMoonActiveSync(std::uint8_t device);
    void setMoonActive(std::uint8_t device, bool active);
    void getMoonDay(UInt8Handler handler);
    void setMoonDay(std::uint8_t day);
    void getMoonMax(UInt8Handler handler);
    void setMoonMax(std::uint8_t value);
    void getMoonWnd(Window16Handler handler);
    void setMoonWnd(std::uint16_t start, std::uint16_t to);
    std::optional<std::uint8_t> getMoonChannel(std::uint8_t device);
    void setMoonChannel(std::uint8_t device, std::uint8_t channel);

    // Live control, on the test characteristic, without answers to decode.
    void liveValue(unsigned value, unsigned forChannel, std::uint8_t forDevice);
    // Replaces the value for the same lamp and channel still waiting, so a
    // slider drag leaves at most one value per channel behind the one on the
    // air; other commands waiting are kept.
    void liveValueOverload(unsigned value, unsigned forChannel, std::uint8_t forDevice);
    // 5 left, 6 right, 8 push, 9 long push.
    void liveNav(unsigned key);
    void liveNavLeft();
    void liveNavRight();
    void liveNavPush();
    void liveNavLongPush();
    void liveCloud();
    void liveBolt();

    // --- central and peripheral callbacks (main thread) -------------------
    void centralManagerDidUpdateState(CentralState state) override;
    void didDiscoverPeripheral(const PeripheralPtr& peripheral) override;
    void didConnectPeripheral(const PeripheralPtr& peripheral) override;
    void didFailToConnectPeripheral(const PeripheralPtr& peripheral,
                                    const std::string& error) override;
    void didDisconnectPeripheral(const PeripheralPtr& peripheral,
                                 const std::optional<std::string>& error) override;
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
    // Gives up the command in flight and every waiting one at once: the link
    // they were meant for is gone.
    void giveUpAll();
    // Forgets the service and characteristics of the link that ended (or is
    // about to be made anew). Caller holds _linkMutex.
    void clearLinkLocked();
    // A fresh link epoch, unique among all controllers of the process.
    void newLinkEpoch();
    // One timer at a time watches the command in flight for the 5 s rule.
    void armAbandonTimerLocked(double seconds);
    void onAbandonTimer();
    // Hands the idle waiters to the main thread when nothing waits or is in
    // flight. Caller holds _queueMutex.
    void releaseIdleLocked();

    // Runs fn on the main thread and waits for it when called from a worker.
    void onMain(const std::function<void()>& fn);
    bool waitForReady(bool onWorker);
    // Records why a connect that did not end ready failed, unless the stack
    // said so already.
    void noteConnectFailure(const PeripheralPtr& chosen);

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
    CentralState _centralState = CentralState::Unknown;
    Handler _central_state_handler;
    std::vector<PeripheralPtr> _peripherals;
    LossHandler _connection_lost_handler;
    bool _linkDropExpected = false;
    ConnectFailure _connectFailure = ConnectFailure::None;
    std::string _connectFailureDetail;
    double _readyPeriod = 1.0;

    std::atomic<std::uint64_t> _linkEpoch{0};

    // Queue state.
    mutable std::mutex _queueMutex;
    std::vector<CommandPtr> _commands;
    CommandPtr _fired;
    // The command in flight has been answered or abandoned and its handler
    // is running; new commands wait until it is done.
    bool _settling = false;
    bool _abandonTimerArmed = false;
    // The command in flight could not be written: the timer gives it up at once.
    bool _abandonAtOnce = false;
    Dispatch::TimerId _abandonTimer = 0;
    std::vector<Handler> _idleHandlers;
};

}  // namespace aq
