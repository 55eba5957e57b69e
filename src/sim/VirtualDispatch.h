#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "link/Dispatch.h"

namespace aq {

// A dispatch on virtual time for tests and soaks. The thread that makes it is
// the main thread; its event loop runs only inside runLoopFor / runUntil.
// Workers are real threads. Time stands still while any worker is running
// and jumps to the next timer only when every worker is blocked in a worker
// event (or finished), so runs are deterministic and never sleep.
class VirtualDispatch : public Dispatch {
public:
    VirtualDispatch();
    // Joins the workers; they must be able to finish.
    ~VirtualDispatch() override;

    double now() const override;
    bool isMainThread() const override;
    void postToMain(Task task) override;
    void runOnWorker(Task task) override;
    TimerId singleShot(double seconds, Task task) override;
    void cancel(TimerId id) override;
    void runLoopFor(double seconds) override;
    void sleepFor(double seconds) override;
    std::shared_ptr<WorkerEvent> makeWorkerEvent() override;

    // Handles events until the virtual time `deadline`.
    void runUntil(double deadline);
    // Handles events until nothing is left to do (no timers, no running
    // workers) or the virtual time limit passes; returns true when idle.
    bool runUntilIdle(double limitSeconds = 3600.0);
    // Handles events until the predicate holds (checked between events) or
    // the virtual time limit passes; returns the predicate's last value.
    template <typename Predicate>
    bool runUntilTrue(Predicate predicate, double limitSeconds = 60.0) {
        const double deadline = now() + limitSeconds;
        while (!predicate()) {
            if (!step(deadline, true)) return predicate();
        }
        return true;
    }

    // Workers started and not yet finished.
    int activeWorkers() const;

private:
    friend class VirtualWorkerEvent;
    struct Key {
        double at;
        std::uint64_t seq;
        bool operator<(const Key& other) const {
            return at < other.at || (at == other.at && seq < other.seq);
        }
    };
    struct Entry {
        TimerId id;
        Task task;
    };

    // Runs one event due no later than `deadline`, advancing time to it;
    // false when there is none (time is then at the deadline, unless
    // `stopWhenIdle` and no event is left at all).
    bool step(double deadline, bool stopWhenIdle = false);
    TimerId scheduleLocked(double at, Task task);

    mutable std::mutex _mutex;
    std::condition_variable _changed;
    double _now = 0.0;
    std::uint64_t _seq = 0;
    TimerId _nextId = 0;
    std::map<Key, Entry> _events;
    std::map<TimerId, Key> _keys;
    int _running = 0;  // workers not blocked in a worker event
    int _workers = 0;  // workers not finished
    std::vector<std::thread> _threads;
    std::set<std::thread::id> _done;  // finished, not yet joined
    std::thread::id _main;
};

}  // namespace aq
