#pragma once
// What the port components on Qt share: their timer triggers, and the way
// they call the program's event handlers.

#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "modbus/PortComponent.h"

namespace kestro {

// Calls an event handler through a copy: a handler that releases the port
// would otherwise destroy the very function it is running in.
template <class Handler, class... Args>
void fire(const Handler& handler, Args... args) {
    if (!handler)
        return;
    Handler copy = handler;
    copy(args...);
}

// Single-shot timers counting 55 ms ticks, one per handle; handles start
// at 1.
class PortTriggers {
  public:
    // `expired` is called with the handle of each trigger that expires.
    // Before it, `catchUp` hands the program the bytes already waiting: when
    // the program was busy, they came before the expiry was seen, and a
    // trigger their handler arms again has not expired.
    PortTriggers(std::function<void()> catchUp, std::function<void(TriggerHandle)> expired);

    TriggerHandle add();
    // Arming again restarts the trigger; an unknown handle is ignored.
    void set(TriggerHandle handle, int ticks, bool activate);

  private:
    void onTimeout(TriggerHandle handle);

    std::function<void()> catchUp_;
    std::function<void(TriggerHandle)> expired_;
    std::vector<std::unique_ptr<QTimer>> timers_;
};

}  // namespace kestro
