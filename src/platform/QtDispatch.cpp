#include "platform/QtDispatch.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <condition_variable>

#ifdef __linux__
#include <sys/prctl.h>
#endif

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

constexpr auto kSpinWindow = std::chrono::microseconds(150);

int toMilliseconds(double seconds) {
    if (!(seconds > 0)) return 0;
    return static_cast<int>(std::lround(seconds * 1000.0));
}
}  // namespace

QtDispatch::QtDispatch(QObject* parent)
    : QObject(parent),
      _start(std::chrono::steady_clock::now()),
      _timerThread([this] { runTimers(); }) {
    if (auto* events = QAbstractEventDispatcher::instance(thread())) {
        connect(
            events, &QAbstractEventDispatcher::aboutToBlock, this, [this] { beforeBlocking(); },
            Qt::DirectConnection);
    }
}

QtDispatch::~QtDispatch() {
    std::vector<Worker> workers;
    {
        std::lock_guard lock(_mutex);
        workers.swap(_workers);
    }
    for (Worker& w : workers) {
        if (w.thread.joinable()) w.thread.join();
    }
    {
        std::lock_guard lock(_mutex);
        _stopping = true;
        _timerChanged.notify_all();
    }
    _timerThread.join();
}

double QtDispatch::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - _start).count();
}

bool QtDispatch::isMainThread() const {
    return QThread::currentThread() == thread();
}

void QtDispatch::postToMain(Task task) {
    std::lock_guard lock(_mainMutex);
    _mainTasks.push_back(std::move(task));
    // A task posted by a task that a drain is running is picked up by that
    // drain's loop, sparing the event loop a wake-up per task. Everything
    // else needs the event loop woken.
    if (_drainDepth > 0 && isMainThread()) return;
    scheduleDrainLocked();
}

void QtDispatch::scheduleDrainLocked() {
    if (_drainPending) return;
    _drainPending = true;
    QMetaObject::invokeMethod(
        this, [this] { drainMainTasks(); }, Qt::QueuedConnection);
}

void QtDispatch::beforeBlocking() {
    // A task running in a drain may have opened a nested event loop (a
    // connect's wait, a modal dialog). Tasks it posts would wait for the
    // outer drain to resume; wake a drain in the nested loop instead.
    std::lock_guard lock(_mainMutex);
    if (!_mainTasks.empty()) scheduleDrainLocked();
}

void QtDispatch::drainMainTasks() {
    // After a batch the loop gets its turn so a stream of tasks cannot
    // starve input and painting.
    constexpr int kBatch = 64;
    {
        std::lock_guard lock(_mainMutex);
        _drainPending = false;
        ++_drainDepth;
    }
    int done = 0;
    for (;;) {
        Task task;
        {
            std::lock_guard lock(_mainMutex);
            if (_mainTasks.empty() || done == kBatch) {
                --_drainDepth;
                if (!_mainTasks.empty()) scheduleDrainLocked();
                return;
            }
            task = std::move(_mainTasks.front());
            _mainTasks.pop_front();
        }
        task();
        ++done;
    }
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
    const auto due = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(seconds > 0 ? seconds : 0));
    std::lock_guard lock(_mutex);
    _pending.insert(id);
    if (!(seconds > 0)) {
        postTimer(id, std::move(task));
    } else {
        _timers.emplace(due, std::make_pair(id, std::move(task)));
        _timerChanged.notify_one();
    }
    return id;
}

void QtDispatch::postTimer(TimerId id, Task task) {
    postToMain([this, id, task = std::move(task)] {
        {
            std::lock_guard lock(_mutex);
            _pending.erase(id);
            if (_cancelled.erase(id) > 0) return;
        }
        task();
    });
}

void QtDispatch::runTimers() {
#ifdef __linux__
    // The link's pauses and the simulated lamps' delays are a millisecond or
    // two; the default 50 us timer slack would be a noticeable share of that.
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
#endif
    std::unique_lock lock(_mutex);
    while (!_stopping) {
        if (_timers.empty()) {
            _timerChanged.wait(lock);
            continue;
        }
        const auto due = _timers.begin()->first;
        const auto now = std::chrono::steady_clock::now();
        if (now < due - kSpinWindow) {
            _timerChanged.wait_until(lock, due - kSpinWindow);
            continue;
        }
        if (now < due) {
            // A sleeping thread wakes tens of microseconds late on a busy or
            // virtualised machine; the last stretch is cheaper to wait out.
            lock.unlock();
            std::this_thread::yield();
            lock.lock();
            continue;
        }
        auto [id, task] = std::move(_timers.begin()->second);
        _timers.erase(_timers.begin());
        postTimer(id, std::move(task));
    }
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

std::shared_ptr<WorkerEvent> QtDispatch::makeWorkerEvent() {
    return std::make_shared<ThreadEvent>();
}

}  // namespace aq
