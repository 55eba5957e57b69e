// Sends that replace a waiting command of their own kind, and waiting for
// the queue to drain before the link is let go.
#include <algorithm>

#include "link/BTLEController.h"

namespace aq {

namespace {
// How long one turn of the event loop lasts while waiting for the queue.
constexpr double kDrainStep = 0.01;
}  // namespace

void BTLEController::replaceCommand(const std::string& key, const Bytes& data,
                                    const CharacteristicPtr& characteristic,
                                    ResponseHandler response) {
    CommandPtr command = makeCommand(data, characteristic, std::move(response));
    command->setKey(key);
    CommandPtr dropped;
    {
        std::lock_guard lock(_queueMutex);
        auto it = std::find_if(_commands.begin(), _commands.end(),
                               [&key](const CommandPtr& c) { return c->key() == key; });
        if (it != _commands.end()) {
            dropped = *it;
            _commands.erase(it);
        }
    }
    // Queued as any new command: the newest waiting goes out first, so the
    // new value is not overtaken by what it replaces.
    if (dropped) dropped->discard();
    load(command);
}

bool BTLEController::waitUntilSent(double seconds) {
    const double until = _dispatch.now() + seconds;
    auto drained = [this] {
        std::lock_guard lock(_queueMutex);
        return _commands.empty() && !_fired;
    };
    while (!drained()) {
        if (_dispatch.now() >= until) return false;
        _dispatch.runLoopFor(kDrainStep);
    }
    return true;
}

void BTLEController::whenIdle(Handler handler) {
    std::lock_guard lock(_queueMutex);
    _idleHandlers.push_back(std::move(handler));
    if (_commands.empty() && !_fired) releaseIdleLocked();
}

void BTLEController::releaseIdleLocked() {
    for (Handler& h : _idleHandlers) _dispatch.postToMain(std::move(h));
    _idleHandlers.clear();
}

}  // namespace aq
