#pragma once

#include <QObject>

#include <atomic>
#include <chrono>
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
    void startTimer(TimerId id, double seconds, Task task);

    const std::chrono::steady_clock::time_point _start;
    std::atomic<TimerId> _nextId{0};
    std::mutex _mutex;
    std::set<TimerId> _pending;
    std::set<TimerId> _cancelled;
    std::vector<Worker> _workers;
};

}  // namespace aq
