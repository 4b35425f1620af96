#pragma once
// Everything the program takes from its platform besides windows: the port
// component, status lights, window timers and waiting. The Qt platform runs
// the program; the virtual platform runs it in tests on a virtual clock.

#include <memory>

#include "modbus/LinkHost.h"
#include "platform/core/WindowTimer.h"

namespace kestro {

class Platform : public LinkPlatform {
  public:
    virtual std::unique_ptr<WindowTimer> createTimer() = 0;
};

}  // namespace kestro
