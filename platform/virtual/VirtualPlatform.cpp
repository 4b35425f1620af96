#include "platform/virtual/VirtualPlatform.h"

namespace kestro {

VirtualTimer::VirtualTimer(VirtualClock& clock) : clock_(clock) {}

VirtualTimer::~VirtualTimer() {
    *alive_ = false;
}

void VirtualTimer::setInterval(int ms) {
    intervalMs_ = ms > 0 ? ms : 1;
    if (enabled_)
        schedule();
}

void VirtualTimer::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    ++generation_;
    if (enabled_)
        schedule();
}

void VirtualTimer::schedule() {
    const uint64_t generation = ++generation_;
    std::weak_ptr<bool> alive = alive_;
    clock_.afterMs(intervalMs_, [this, alive, generation] {
        if (alive.expired() || generation != generation_ || !enabled_)
            return;
        schedule();
        if (OnTimer)
            OnTimer();
    });
}

std::unique_ptr<PortComponent> VirtualPlatform::createPort() {
    auto created = std::make_unique<VirtualPort>(clock);
    if (!devicePresent)
        created->unplug();
    port = created.get();
    if (OnPortCreated)
        OnPortCreated(*created);
    return created;
}

std::unique_ptr<StatusLightMonitor> VirtualPlatform::createStatusLights(PortComponent& port) {
    auto lights = std::make_unique<StatusLightController>(&txLight, &rxLight);
    lights->setComPort(&port);
    lights->setMonitoring(true);
    return lights;
}

std::unique_ptr<WindowTimer> VirtualPlatform::createTimer() {
    return std::make_unique<VirtualTimer>(clock);
}

}  // namespace kestro
