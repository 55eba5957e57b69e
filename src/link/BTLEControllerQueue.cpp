// The single-flight command queue: one command on the air at a time, written
// with response and then read back; waiting commands are taken newest first.
#include <cassert>

#include "link/BTLEController.h"
#include "link/Log.h"

namespace aq {

CommandPtr BTLEController::makeCommand(const Bytes& data, const CharacteristicPtr& characteristic,
                                       ResponseHandler response) const {
    auto command = std::make_shared<BTLECommand>(data, characteristic, _dispatch.now());
    command->setResponseHandler(std::move(response));
    return command;
}

void BTLEController::fireCommand(const Bytes& data, const CharacteristicPtr& characteristic,
                                 ResponseHandler response) {
    load(makeCommand(data, characteristic, std::move(response)));
}

void BTLEController::overloadCommand(const Bytes& data, const CharacteristicPtr& characteristic,
                                     ResponseHandler response) {
    overloadLast(makeCommand(data, characteristic, std::move(response)));
}

std::optional<Bytes> BTLEController::fireSyncCommand(const Bytes& data,
                                                     const CharacteristicPtr& characteristic) {
    // The answer is delivered on the main thread; waiting there would block
    // the very loop that delivers it.
    assert(!_dispatch.isMainThread() && "fireSyncCommand must not run on the main thread");
    if (_dispatch.isMainThread()) {
        logLine("synchronous command refused on the main thread");
        return std::nullopt;
    }
    auto wake = _dispatch.makeWorkerEvent();
    auto result = std::make_shared<std::optional<Bytes>>();
    auto command = makeCommand(data, characteristic, [result, wake](const Bytes& response) {
        *result = response;
        wake->notify();
    });
    command->setErrorHandler([wake](std::uint8_t) { wake->notify(); });
    load(command);
    wake->wait();
    return *result;
}

void BTLEController::fireCustomRw(const std::string& hex, ResponseHandler response) {
    fireCommand(bytesFromHexString(hex), rw_characteristic(), std::move(response));
}

void BTLEController::fireCustomBl(const std::string& hex, ResponseHandler response) {
    fireCommand(bytesFromHexString(hex), bl_characteristic(), std::move(response));
}

void BTLEController::fireDataBl(const Bytes& data, ResponseHandler response) {
    fireCommand(data, bl_characteristic(), std::move(response));
}

void BTLEController::fireCustomTest(const std::string& hex, ResponseHandler response) {
    fireCommand(bytesFromHexString(hex), test_characteristic(), std::move(response));
}

void BTLEController::load(const CommandPtr& command) {
    CommandPtr next;
    CommandPtr stale;
    {
        std::lock_guard lock(_queueMutex);
        _commands.push_back(command);
        if (!_fired) {
            next = takeNextLocked();
        } else if (!_settling) {
            // Only a load looks at the age of the command in flight (besides
            // the 5 s timer). An answered command whose handler is still
            // running is not stale: what its handler loads waits for it.
            const double age = _dispatch.now() - _fired->fired().value_or(_dispatch.now());
            if (age > kStaleAfterSeconds) {
                stale = _fired;
                _settling = true;
            }
        }
    }
    if (next) write(next);
    if (stale) abandon(stale);
}

void BTLEController::overloadLast(const CommandPtr& command) {
    CommandPtr dropped;
    {
        std::lock_guard lock(_queueMutex);
        if (!_commands.empty()) {
            dropped = _commands.front();
            _commands.front() = command;
        }
    }
    if (!dropped) {
        load(command);
        return;
    }
    dropped->discard();
}

void BTLEController::fire() {
    CommandPtr next;
    {
        std::lock_guard lock(_queueMutex);
        next = takeNextLocked();
    }
    if (next) write(next);
}

CommandPtr BTLEController::takeNextLocked() {
    _settling = false;
    _abandonAtOnce = false;
    if (_commands.empty()) {
        _fired = nullptr;
        releaseIdleLocked();
        return nullptr;
    }
    _fired = _commands.back();
    _commands.pop_back();
    // Stamped and logged under the lock so the log shows the order on the air.
    _fired->fire(_dispatch.now());
    armAbandonTimerLocked(kAbandonAfterSeconds);
    return _fired;
}

void BTLEController::write(const CommandPtr& command) {
    const PeripheralPtr target = peripheral();
    if (target && target->state() == PeripheralState::Connected && command->characteristic()) {
        target->writeValue(command->data(), command->characteristic());
        return;
    }
    // A command made while no lamp is connected, or after its link went
    // down, has nowhere to go: it is abandoned like one whose answer was
    // lost, but as soon as the main loop runs. Waiting the full time for
    // each would hold a queue left behind by a lost link (a page's leave
    // queues one value per channel) for minutes, and the next connection
    // behind it.
    std::lock_guard lock(_queueMutex);
    if (_fired != command || _settling) return;
    _abandonAtOnce = true;
    if (_abandonTimerArmed) _dispatch.cancel(_abandonTimer);
    _abandonTimerArmed = false;
    armAbandonTimerLocked(0.0);
}

void BTLEController::fireAfter(const CommandPtr& settled) {
    CommandPtr next;
    {
        std::lock_guard lock(_queueMutex);
        if (_fired != settled) return;
        next = takeNextLocked();
    }
    if (next) write(next);
}

void BTLEController::abandon(const CommandPtr& command) {
    newLinkEpoch();
    command->setError(0, _dispatch.now());
    fireAfter(command);
}

void BTLEController::armAbandonTimerLocked(double seconds) {
    if (_abandonTimerArmed) return;
    _abandonTimerArmed = true;
    _abandonTimer = _dispatch.singleShot(seconds, [this] { onAbandonTimer(); });
}

void BTLEController::onAbandonTimer() {
    CommandPtr stale;
    {
        std::lock_guard lock(_queueMutex);
        _abandonTimerArmed = false;
        if (!_fired || _settling) return;
        const double age = _dispatch.now() - _fired->fired().value_or(_dispatch.now());
        // Timers may be a hair early on some platforms; a millisecond of
        // slack keeps one command from being watched twice.
        if (age < kAbandonAfterSeconds - 1e-3 && !_abandonAtOnce) {
            armAbandonTimerLocked(kAbandonAfterSeconds - age);
            return;
        }
        stale = _fired;
        _settling = true;
    }
    abandon(stale);
}

void BTLEController::didWriteValueForCharacteristic(BlePeripheral& peripheral,
                                                    const CharacteristicPtr& characteristic,
                                                    const std::optional<std::string>&) {
    // Errors are not examined: whatever the read brings is the answer.
    peripheral.readValueForCharacteristic(characteristic);
}

void BTLEController::didUpdateValueForCharacteristic(BlePeripheral&,
                                                     const CharacteristicPtr& characteristic,
                                                     const std::optional<std::string>& error) {
    CommandPtr answered;
    {
        std::lock_guard lock(_queueMutex);
        if (!_fired || _settling) return;
        answered = _fired;
        _settling = true;
    }
    // A failed read leaves the previous command's answer in the
    // characteristic; handing that on would pass it off as this command's.
    // An empty answer is one every reader recognises as too short.
    const Bytes value = (characteristic && !error) ? characteristic->value() : Bytes{};
    answered->setResponsedData(value, _dispatch.now());
    fireAfter(answered);
}

std::size_t BTLEController::waitingCommandCount() const {
    std::lock_guard lock(_queueMutex);
    return _commands.size();
}

CommandPtr BTLEController::firedCommand() const {
    std::lock_guard lock(_queueMutex);
    return _fired;
}

}  // namespace aq
