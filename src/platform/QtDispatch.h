#pragma once

#include <QObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "link/Dispatch.h"

namespace aq {

// The application's dispatch: the Qt event loop of the thread that makes it
// is the main thread; workers are plain threads; time is the steady clock.
class QtDispatch : public QObject, public Dispatch {
    Q_OBJECT
public:
    explicit QtDispatch(QObject* parent = nullptr);
    // Joins the workers still running.
    ~QtDispatch() override;

    double now() const override;
    bool isMainThread() const override;
    void postToMain(Task task) override;
    void runOnWorker(Task task) override;
    TimerId singleShot(double seconds, Task task) override;
    void cancel(TimerId id) override;
    void runLoopFor(double seconds) override;
    void sleepFor(double seconds) override;
    std::shared_ptr<WorkerEvent> makeWorkerEvent() override;

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    // Hands a due timer to the main thread, where a cancel can still stop it.
    // Caller holds _mutex.
    void postTimer(TimerId id, Task task);
    void runTimers();
    void drainMainTasks();
    void scheduleDrainLocked();
    void beforeBlocking();

    const std::chrono::steady_clock::time_point _start;
    std::atomic<TimerId> _nextId{0};
    std::mutex _mutex;
    // Timers wait on a thread of their own rather than in the event loop,
    // whose timers only keep whole milliseconds.
    std::condition_variable _timerChanged;
    std::multimap<std::chrono::steady_clock::time_point, std::pair<TimerId, Task>> _timers;
    bool _stopping = false;
    std::set<TimerId> _pending;
    std::set<TimerId> _cancelled;
    std::vector<Worker> _workers;
    std::mutex _mainMutex;
    std::deque<Task> _mainTasks;
    bool _drainPending = false;  // a drain is queued in the event loop
    int _drainDepth = 0;         // drains running (nested event loops nest them)
    std::thread _timerThread;    // last: starts once everything above exists
};

}  // namespace aq
