#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/Dispatch.h"

namespace aq {

class LampSession;

// Finds and connects one lamp without nesting the event loop, so a program
// serving several lamps at once never waits on one of them: it scans on the
// session's link until the query names exactly one lamp found (see
// chooseLamp), connects it and watches for the link to become ready.
// Main thread. The connector must not outlive its session; destroying it or
// cancel() stops what runs, and `done` is then never called.
class LampConnector {
public:
    enum class Outcome { Ready, NotFound, Failed };
    using Done = std::function<void(Outcome)>;

    explicit LampConnector(LampSession& session);
    ~LampConnector();
    LampConnector(const LampConnector&) = delete;
    LampConnector& operator=(const LampConnector&) = delete;

    // Scans at most `scanSeconds` for the lamp, then gives the connect at most
    // `connectSeconds` to become ready. A run still going is cancelled first.
    void start(const std::string& query, double scanSeconds, double connectSeconds, Done done);
    void cancel();
    bool running() const { return static_cast<bool>(_done); }

private:
    void finish(Outcome outcome);
    void found(std::size_t index, double connectSeconds);
    void poll();
    void arm(double seconds, std::function<void()> then);

    LampSession& _session;
    Dispatch& _dispatch;
    Done _done;
    std::string _query;
    // Delayed work of an earlier run notices it is stale by this number.
    std::shared_ptr<std::uint64_t> _run = std::make_shared<std::uint64_t>(0);
    Dispatch::TimerId _timer = 0;
    bool _timerArmed = false;
    double _deadline = 0.0;
    bool _scanning = false;
};

}  // namespace aq
