#include "sim/VirtualDispatch.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace aq {

namespace {
// A worker that neither blocks in a worker event nor finishes within this
// much real time is stuck on something the dispatch cannot see: fail loudly
// instead of hanging the test run.
constexpr auto kStuckWorker = std::chrono::seconds(30);
}  // namespace

class VirtualWorkerEvent : public WorkerEvent {
public:
    explicit VirtualWorkerEvent(VirtualDispatch& dispatch) : _d(dispatch) {}

    void wait() override {
        std::unique_lock lock(_d._mutex);
        if (!_signalled) {
            _waiting = true;
            --_d._running;
            _d._changed.notify_all();
            _d._changed.wait(lock, [this] { return _signalled; });
        }
        _signalled = false;
    }

    void notify() override {
        std::lock_guard lock(_d._mutex);
        _signalled = true;
        if (_waiting) {
            // Counted as running from this moment, so time cannot jump
            // before the woken worker has had its turn.
            _waiting = false;
            ++_d._running;
        }
        _d._changed.notify_all();
    }

private:
    VirtualDispatch& _d;
    bool _signalled = false;
    bool _waiting = false;
};

VirtualDispatch::VirtualDispatch() : _main(std::this_thread::get_id()) {}

VirtualDispatch::~VirtualDispatch() {
    {
        std::unique_lock lock(_mutex);
        // Workers blocked on events nobody will signal any more can never be
        // joined: say so and stop, rather than hang the test run.
        const bool settled =
            _changed.wait_for(lock, kStuckWorker, [this] { return _running == 0; });
        if (!settled || _workers > 0) {
            std::fprintf(stderr, "VirtualDispatch: %d worker(s) still blocked at teardown\n",
                         _workers);
            std::abort();
        }
    }
    for (std::thread& t : _threads) {
        if (t.joinable()) t.join();
    }
}

double VirtualDispatch::now() const {
    std::lock_guard lock(_mutex);
    return _now;
}

bool VirtualDispatch::isMainThread() const {
    return std::this_thread::get_id() == _main;
}

Dispatch::TimerId VirtualDispatch::scheduleLocked(double at, Task task) {
    const TimerId id = ++_nextId;
    const Key key{at, ++_seq};
    _events.emplace(key, Entry{id, std::move(task)});
    _keys.emplace(id, key);
    _changed.notify_all();
    return id;
}

void VirtualDispatch::postToMain(Task task) {
    std::lock_guard lock(_mutex);
    scheduleLocked(_now, std::move(task));
}

Dispatch::TimerId VirtualDispatch::singleShot(double seconds, Task task) {
    std::lock_guard lock(_mutex);
    return scheduleLocked(_now + (seconds > 0 ? seconds : 0), std::move(task));
}

void VirtualDispatch::cancel(TimerId id) {
    std::lock_guard lock(_mutex);
    auto it = _keys.find(id);
    if (it == _keys.end()) return;
    _events.erase(it->second);
    _keys.erase(it);
}

void VirtualDispatch::runOnWorker(Task task) {
    std::vector<std::thread> finished;
    {
        std::lock_guard lock(_mutex);
        // Join the workers that are done, so a long run (a soak, a fuzzer)
        // does not pile up finished threads until it runs out of memory.
        for (auto it = _threads.begin(); it != _threads.end();) {
            if (_done.erase(it->get_id()) > 0) {
                finished.push_back(std::move(*it));
                it = _threads.erase(it);
            } else {
                ++it;
            }
        }
        ++_running;
        ++_workers;
        _threads.emplace_back([this, task = std::move(task)] {
            task();
            std::lock_guard inner(_mutex);
            --_running;
            --_workers;
            _done.insert(std::this_thread::get_id());
            _changed.notify_all();
        });
    }
    for (std::thread& t : finished) t.join();
}

int VirtualDispatch::activeWorkers() const {
    std::lock_guard lock(_mutex);
    return _workers;
}

bool VirtualDispatch::step(double deadline, bool stopWhenIdle) {
    std::unique_lock lock(_mutex);
    for (;;) {
        // Events already due run at once, even while workers are busy.
        if (!_events.empty() && _events.begin()->first.at <= _now) break;
        if (_running > 0) {
            if (!_changed.wait_for(lock, kStuckWorker, [this] {
                    return _running == 0 || (!_events.empty() && _events.begin()->first.at <= _now);
                })) {
                std::fprintf(stderr, "VirtualDispatch: a worker is blocked outside the dispatch\n");
                std::abort();
            }
            continue;
        }
        if (_events.empty() && stopWhenIdle) return false;
        if (_events.empty() || _events.begin()->first.at > deadline) {
            if (deadline > _now) _now = deadline;
            return false;
        }
        _now = _events.begin()->first.at;
    }
    auto it = _events.begin();
    Task task = std::move(it->second.task);
    _keys.erase(it->second.id);
    _events.erase(it);
    lock.unlock();
    task();
    return true;
}

void VirtualDispatch::runUntil(double deadline) {
    while (step(deadline)) {
    }
}

void VirtualDispatch::runLoopFor(double seconds) {
    runUntil(now() + seconds);
}

bool VirtualDispatch::runUntilIdle(double limitSeconds) {
    const double deadline = now() + limitSeconds;
    for (;;) {
        {
            std::lock_guard lock(_mutex);
            if (_events.empty() && _workers == 0) return true;
        }
        if (!step(deadline, true)) {
            std::lock_guard lock(_mutex);
            return _events.empty() && _workers == 0;
        }
    }
}

void VirtualDispatch::sleepFor(double seconds) {
    auto wake = makeWorkerEvent();
    singleShot(seconds, [wake] { wake->notify(); });
    wake->wait();
}

std::shared_ptr<WorkerEvent> VirtualDispatch::makeWorkerEvent() {
    return std::make_shared<VirtualWorkerEvent>(*this);
}

}  // namespace aq
