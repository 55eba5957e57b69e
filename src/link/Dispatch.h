#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace aq {

// A one-shot wake-up for a blocked worker: wait() returns once notify() has
// been called (before or after the wait). Made by a Dispatch so that a
// virtual-time implementation knows when its workers are blocked.
class WorkerEvent {
public:
    virtual ~WorkerEvent() = default;
    virtual void wait() = 0;
    virtual void notify() = 0;
};

// Time and threads as the link and the pages see them: the main thread runs an
// event loop; workers run blocking work. The application implements it over
// Qt, tests over a virtual clock, so nothing ever sleeps in a test.
class Dispatch {
public:
    using Task = std::function<void()>;
    using TimerId = std::uint64_t;

    virtual ~Dispatch() = default;

    // Seconds on a monotonic clock; only differences are meaningful.
    virtual double now() const = 0;

    virtual bool isMainThread() const = 0;

    // Runs the task on the main thread's event loop. Callable from any thread.
    virtual void postToMain(Task task) = 0;

    // Runs the task on a worker thread. Callable from any thread.
    virtual void runOnWorker(Task task) = 0;

    // Runs the task on the main thread after the given seconds. Callable from
    // any thread. The id can cancel it until it has run.
    virtual TimerId singleShot(double seconds, Task task) = 0;
    virtual void cancel(TimerId id) = 0;

    // Main thread only: handles events for the given seconds, then returns.
    virtual void runLoopFor(double seconds) = 0;

    // Worker only: pauses the calling worker for the given seconds.
    virtual void sleepFor(double seconds) = 0;

    virtual std::shared_ptr<WorkerEvent> makeWorkerEvent() = 0;
};

}  // namespace aq
