#include "session/LampConnector.h"

#include "link/Log.h"
#include "session/LampSession.h"

namespace aq {

namespace {
// How often a connect in progress is looked at.
constexpr double kPollSeconds = 0.02;
}  // namespace

LampConnector::LampConnector(LampSession& session)
    : _session(session), _dispatch(session.dispatch()) {}

LampConnector::~LampConnector() { cancel(); }

void LampConnector::arm(double seconds, std::function<void()> then) {
    if (_timerArmed) _dispatch.cancel(_timer);
    _timerArmed = true;
    std::weak_ptr<std::uint64_t> token = _run;
    const std::uint64_t run = *_run;
    _timer = _dispatch.singleShot(seconds, [this, token, run, then = std::move(then)] {
        const auto alive = token.lock();
        if (!alive || *alive != run) return;
        _timerArmed = false;
        then();
    });
}

void LampConnector::start(const std::string& query, double scanSeconds, double connectSeconds,
                          Done done) {
    cancel();
    _done = std::move(done);
    _query = query;
    _scanning = true;
    std::weak_ptr<std::uint64_t> token = _run;
    const std::uint64_t run = *_run;
    // A report arrives inside the link's discovery callback: the connect
    // waits until that has returned.
    _session.link().start_scanning([this, token, run, connectSeconds] {
        _dispatch.postToMain([this, token, run, connectSeconds] {
            const auto alive = token.lock();
            if (!alive || *alive != run || !_scanning) return;
            const LampChoice choice = chooseLamp(_session.found(), _query);
            if (choice.match != LampChoice::Match::Found) return;
            found(choice.index, connectSeconds);
        });
    });
    arm(scanSeconds, [this] {
        _scanning = false;
        _session.link().stop_scanning();
        finish(Outcome::NotFound);
    });
}

void LampConnector::found(std::size_t index, double connectSeconds) {
    _scanning = false;
    // Without a ready handler the link does not wait: readiness is polled.
    _session.link().connect_periperal_at(index, {}, {});
    _deadline = _dispatch.now() + connectSeconds;
    poll();
}

void LampConnector::poll() {
    BTLEController& link = _session.link();
    if (link.is_connected() && link.rw_characteristic() && link.test_characteristic()) {
        finish(Outcome::Ready);
        return;
    }
    // A refused connect lets go of the lamp.
    if (!link.peripheral()) {
        finish(Outcome::Failed);
        return;
    }
    if (_dispatch.now() >= _deadline) {
        logLine("connect timed out");
        link.disconnect();
        finish(Outcome::Failed);
        return;
    }
    arm(kPollSeconds, [this] { poll(); });
}

void LampConnector::finish(Outcome outcome) {
    Done done = std::move(_done);
    _done = nullptr;
    if (_timerArmed) _dispatch.cancel(_timer);
    _timerArmed = false;
    ++*_run;
    if (done) done(outcome);
}

void LampConnector::cancel() {
    if (_scanning) _session.link().stop_scanning();
    _scanning = false;
    if (_timerArmed) _dispatch.cancel(_timer);
    _timerArmed = false;
    ++*_run;
    _done = nullptr;
}

}  // namespace aq
