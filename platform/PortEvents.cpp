#include "platform/PortEvents.h"

#include <algorithm>

namespace kestro {

PortTriggers::PortTriggers(std::function<void()> catchUp,
                           std::function<void(TriggerHandle)> expired)
    : catchUp_(std::move(catchUp)), expired_(std::move(expired)) {}

TriggerHandle PortTriggers::add() {
    auto timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    const auto handle = static_cast<TriggerHandle>(timers_.size() + 1);
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(),
                     [this, handle] { onTimeout(handle); });
    timers_.push_back(std::move(timer));
    return handle;
}

void PortTriggers::onTimeout(TriggerHandle handle) {
    catchUp_();
    if (timers_[handle - 1]->isActive())
        return;
    expired_(handle);
}

void PortTriggers::set(TriggerHandle handle, int ticks, bool activate) {
    if (handle == 0 || handle > timers_.size())
        return;
    QTimer& timer = *timers_[handle - 1];
    if (!activate) {
        timer.stop();
        return;
    }
    timer.start(std::max(0, ticks) * kTickMs);
}

}  // namespace kestro
