#include "modbus/FrameFeed.h"

#include <algorithm>

namespace kestro {

void FrameFeed::subscribe(FrameObserver& listener) {
    if (std::find(listeners_.begin(), listeners_.end(), &listener) == listeners_.end())
        listeners_.push_back(&listener);
}

void FrameFeed::unsubscribe(FrameObserver& listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), &listener),
                     listeners_.end());
}

// Works on a copy, so that a listener may change the subscriptions; one
// that was unsubscribed meanwhile is not called any more.
void FrameFeed::onFrame(const FrameEvent& event) {
    const std::vector<FrameObserver*> current = listeners_;
    for (FrameObserver* listener : current) {
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end())
            listener->onFrame(event);
    }
}

}  // namespace kestro
