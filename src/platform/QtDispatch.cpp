#include "platform/QtDispatch.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <condition_variable>

namespace aq {

namespace {
class ThreadEvent : public WorkerEvent {
public:
    void wait() override {
        std::unique_lock lock(_mutex);
        _cv.wait(lock, [this] { return _signalled; });
        _signalled = false;
    }
    void notify() override {
        std::lock_guard lock(_mutex);
        _signalled = true;
        _cv.notify_all();
    }

private:
    std::mutex _mutex;
    std::condition_variable _cv;
    bool _signalled = false;
};

int toMilliseconds(double seconds) {
    if (!(seconds > 0)) return 0;
    return static_cast<int>(std::lround(seconds * 1000.0));
}
}  // namespace

QtDispatch::QtDispatch(QObject* parent) : QObject(parent), _start(std::chrono::steady_clock::now()) {}

QtDispatch::~QtDispatch() {
    std::vector<Worker> workers;
    {
        std::lock_guard lock(_mutex);
        workers.swap(_workers);
    }
    for (Worker& w : workers) {
        if (w.thread.joinable()) w.thread.join();
    }
}

double QtDispatch::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - _start).count();
}

bool QtDispatch::isMainThread() const { return QThread::currentThread() == thread(); }

void QtDispatch::postToMain(Task task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void QtDispatch::runOnWorker(Task task) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard lock(_mutex);
    // Reap the workers that have finished, so a long session keeps no pile of
    // finished threads.
    for (auto it = _workers.begin(); it != _workers.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = _workers.erase(it);
        } else {
            ++it;
        }
    }
    _workers.push_back({std::thread([task = std::move(task), done] {
                            task();
                            done->store(true);
                        }),
                        done});
}

Dispatch::TimerId QtDispatch::singleShot(double seconds, Task task) {
    const TimerId id = _nextId.fetch_add(1) + 1;
    {
        std::lock_guard lock(_mutex);
        _pending.insert(id);
    }
    if (isMainThread()) {
        startTimer(id, seconds, std::move(task));
    } else {
        postToMain([this, id, seconds, task = std::move(task)]() mutable {
            startTimer(id, seconds, std::move(task));
        });
    }
    return id;
}

void QtDispatch::startTimer(TimerId id, double seconds, Task task) {
    // Precise timers: the link's pauses and the simulated lamps' delays are a
    // few milliseconds, below what coarse timers keep.
    QTimer::singleShot(toMilliseconds(seconds), Qt::PreciseTimer, this,
                       [this, id, task = std::move(task)] {
                           {
                               std::lock_guard lock(_mutex);
                               _pending.erase(id);
                               if (_cancelled.erase(id) > 0) return;
                           }
                           task();
                       });
}

void QtDispatch::cancel(TimerId id) {
    std::lock_guard lock(_mutex);
    if (_pending.count(id) > 0) _cancelled.insert(id);
}

void QtDispatch::runLoopFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(toMilliseconds(seconds), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void QtDispatch::sleepFor(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds > 0 ? seconds : 0));
}

std::shared_ptr<WorkerEvent> QtDispatch::makeWorkerEvent() { return std::make_shared<ThreadEvent>(); }

}  // namespace aq
