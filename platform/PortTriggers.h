#pragma once
// The timer triggers of a port component: single-shot timers counting 55 ms
// ticks, each known by the handle it was added with (1, 2, ...).

#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "modbus/PortComponent.h"

namespace kestro {

class PortTriggers {
  public:
    // `expired` is called on the UI thread with the handle of each trigger
    // that expires.
    explicit PortTriggers(std::function<void(TriggerHandle)> expired);

    TriggerHandle add();
    // Arming (again) restarts the trigger; activate = false stops it.
    void set(TriggerHandle handle, int ticks, bool activate);

  private:
    std::function<void(TriggerHandle)> expired_;
    std::vector<std::unique_ptr<QTimer>> timers_;
};

}  // namespace kestro
