#include "platform/virtual/VirtualClock.h"

#include <algorithm>

namespace kestro {

void VirtualClock::atUs(int64_t timeUs, std::function<void()> fn) {
    events_.push(Event{std::max(timeUs, now_), seq_++, std::move(fn)});
}

bool VirtualClock::runOne(int64_t limit) {
    if (events_.empty() || events_.top().time > limit)
        return false;
    Event event = events_.top();
    events_.pop();
    now_ = std::max(now_, event.time);
    ++eventsRun_;
    event.fn();
    return true;
}

void VirtualClock::advanceUs(int64_t us) {
    const int64_t target = now_ + us;
    while (runOne(target)) {
    }
    now_ = std::max(now_, target);
}

bool VirtualClock::runUntil(const std::function<bool()>& done, int64_t maxMs) {
    const int64_t deadline = now_ + maxMs * 1000;
    while (!done()) {
        if (!runOne(deadline)) {
            now_ = std::max(now_, deadline);
            return done();
        }
    }
    return true;
}

}  // namespace kestro
