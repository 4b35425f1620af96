#pragma once
// Waiting with the event loop running, bounded in time: the program under
// test lives on this thread, so every wait must keep serving its timers and
// its port.

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace kestro::test {

// Runs the event loop until `done` holds or `timeoutMs` passed; returns
// whether `done` held.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Runs the event loop for `ms` milliseconds.
inline void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace kestro::test
