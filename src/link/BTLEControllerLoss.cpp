// A link that ends on its own, a connect that fails, and what the central
// says about the adapter.
#include "link/BTLEController.h"
#include "link/Log.h"

namespace aq {

void BTLEController::setConnectionLostHandler(LossHandler handler) {
    std::lock_guard lock(_linkMutex);
    _connection_lost_handler = std::move(handler);
}

void BTLEController::expectLinkDrop() {
    std::lock_guard lock(_linkMutex);
    _linkDropExpected = true;
}

void BTLEController::didDisconnectPeripheral(const PeripheralPtr& lost,
                                             const std::optional<std::string>& error) {
    if (!lost) return;
    const std::string reason = error.value_or("no reason given");
    LossHandler handler;
    LinkLoss loss;
    {
        std::lock_guard lock(_linkMutex);
        // Another lamp, or one dropped on purpose: disconnect() lets go of
        // its lamp before it asks the central to end the link.
        if (lost != _peripheral) return;
        if (_linkDropExpected) {
            logLine(format("link to %s dropped as expected", lost->name().value_or("(null)").c_str()));
            return;
        }
        logLine(format("connection to %s lost: %s", lost->name().value_or("(null)").c_str(),
                       reason.c_str()));
        if (_ready_handler) {
            // Still connecting: the connect fails now rather than wait its
            // full time for a lamp that is gone.
            _ready_handler = nullptr;
            _connectFailure = ConnectFailure::Refused;
            _connectFailureDetail = reason;
            _peripheral = nullptr;
            clearLinkLocked();
            return;
        }
        loss.peripheral = lost;
        loss.identifier = lost->identifier();
        loss.name = lost->name();
        loss.reason = error;
        _peripheral = nullptr;
        clearLinkLocked();
        handler = _connection_lost_handler;
    }
    giveUpAll();
    if (handler) handler(loss);
}

void BTLEController::clearLinkLocked() {
    _service = nullptr;
    _rw_characteristic = nullptr;
    _test_characteristic = nullptr;
    _bl_characteristic = nullptr;
}

void BTLEController::newLinkEpoch() {
    static std::atomic<std::uint64_t> last{0};
    _linkEpoch.store(++last);
}

void BTLEController::giveUpAll() {
    newLinkEpoch();
    std::vector<CommandPtr> waiting;
    CommandPtr inFlight;
    {
        std::lock_guard lock(_queueMutex);
        waiting.swap(_commands);
        if (_fired && !_settling) {
            inFlight = _fired;
            _settling = true;
        }
        if (!_fired) releaseIdleLocked();
    }
    if (inFlight) abandon(inFlight);
    // Newest first, as they would have been written; each logs "!!!" like a
    // command whose answer was lost.
    const double now = _dispatch.now();
    for (auto it = waiting.rbegin(); it != waiting.rend(); ++it) (*it)->setError(0, now);
}

void BTLEController::noteConnectFailure(const PeripheralPtr& chosen) {
    std::lock_guard lock(_linkMutex);
    if (_connectFailure != ConnectFailure::None) return;
    if (!chosen || chosen->state() != PeripheralState::Connected) {
        _connectFailure = ConnectFailure::TimedOut;
    } else if (!_service) {
        _connectFailure = ConnectFailure::NoLampService;
    } else if (!_rw_characteristic) {
        _connectFailure = ConnectFailure::NoCommandCharacteristic;
    } else {
        _connectFailure = ConnectFailure::NoTestCharacteristic;
    }
}

BTLEController::ConnectFailure BTLEController::connectFailure() const {
    std::lock_guard lock(_linkMutex);
    return _connectFailure;
}

std::string BTLEController::connectFailureDetail() const {
    std::lock_guard lock(_linkMutex);
    return _connectFailureDetail;
}

CentralState BTLEController::centralState() const {
    std::lock_guard lock(_linkMutex);
    return _centralState;
}

void BTLEController::setCentralStateHandler(Handler handler) {
    std::lock_guard lock(_linkMutex);
    _central_state_handler = std::move(handler);
}

}  // namespace aq
