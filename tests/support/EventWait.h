#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace aq::test {

// Handles Qt events until the condition holds or the time is up; the condition is looked at
// after every event and at least every 10 ms (the wake timer's events).
inline bool waitUntil(const std::function<bool()>& condition, double seconds) {
    const QDeadlineTimer deadline(static_cast<qint64>(seconds * 1000.0));
    QTimer wake;
    wake.start(10);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

}  // namespace aq::test
