#pragma once
// Waiting in tests with the Qt event loop running, bounded in time.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace kestro::test {

// Runs the event loop until `done` holds (checked every few ms) or
// `timeoutMs` passed; returns whether `done` held.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// Runs the event loop for `ms` milliseconds.
inline void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace kestro::test
