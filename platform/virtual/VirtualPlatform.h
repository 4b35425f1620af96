#pragma once
// The platform on a virtual clock: ports are VirtualPorts, window timers and
// pauses run off the clock. A test attaches its slave through OnPortCreated.

#include <functional>
#include <memory>

#include "platform/core/Platform.h"
#include "platform/core/StatusLightController.h"
#include "platform/virtual/VirtualClock.h"
#include "platform/virtual/VirtualPort.h"

namespace kestro {

class VirtualTimer : public WindowTimer {
  public:
    explicit VirtualTimer(VirtualClock& clock);
    ~VirtualTimer() override;
    void setInterval(int ms) override;
    void setEnabled(bool enabled) override;
    bool enabled() const override { return enabled_; }

  private:
    void schedule();
    VirtualClock& clock_;
    int intervalMs_ = 1000;
    bool enabled_ = false;
    uint64_t generation_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class RecordingLight : public StatusLight {
  public:
    void setLit(bool on) override {
        if (on && !lit)
            ++flashes;
        lit = on;
    }
    bool lit = false;
    int flashes = 0;
};

class VirtualPlatform : public Platform {
  public:
    std::unique_ptr<PortComponent> createPort() override;
    std::unique_ptr<StatusLightMonitor> createStatusLights(PortComponent& port) override;
    void pause(int ms) override { clock.advanceMs(ms); }
    int64_t nowUs() const override { return clock.nowUs(); }
    std::unique_ptr<WindowTimer> createTimer() override;

    VirtualClock clock;
    VirtualPort* port = nullptr;  // the port created last
    std::function<void(VirtualPort&)> OnPortCreated;
    bool devicePresent = true;  // whether a new port finds its device
    RecordingLight txLight, rxLight;
};

}  // namespace kestro
