#pragma once
// Counts how often this thread's event loop woke up. A wait that sleeps
// between events wakes about once per event; one that spins wakes
// thousands of times. Unlike CPU time, the count does not depend on how
// loaded or how slow (sanitizers) the machine is.

#include <QAbstractEventDispatcher>
#include <QObject>

namespace kestro::test {

class WakeCounter {
  public:
    WakeCounter() {
        connection_ = QObject::connect(QAbstractEventDispatcher::instance(),
                                       &QAbstractEventDispatcher::awake, [this] { ++wakes_; });
    }
    ~WakeCounter() { QObject::disconnect(connection_); }
    WakeCounter(const WakeCounter&) = delete;
    WakeCounter& operator=(const WakeCounter&) = delete;

    int wakes() const { return wakes_; }

  private:
    QMetaObject::Connection connection_;
    int wakes_ = 0;
};

}  // namespace kestro::test
