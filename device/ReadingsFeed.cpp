#include "device/ReadingsFeed.h"

#include <algorithm>

namespace kestro {

void ReadingsFeed::subscribe(ReadingsListener& listener) {
    if (std::find(listeners_.begin(), listeners_.end(), &listener) == listeners_.end())
        listeners_.push_back(&listener);
}

void ReadingsFeed::unsubscribe(ReadingsListener& listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), &listener),
                     listeners_.end());
}

// Works on a copy, so that a listener may change the subscriptions; one
// that was unsubscribed meanwhile is not called any more.
template <class Call>
void ReadingsFeed::notify(Call call) {
    const std::vector<ReadingsListener*> current = listeners_;
    for (ReadingsListener* listener : current) {
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end())
            call(*listener);
    }
}

void ReadingsFeed::publish(const ReadingSnapshot& snapshot) {
    latest_ = snapshot;
    hasLatest_ = true;
    notify([&snapshot](ReadingsListener& l) { l.readingTaken(snapshot); });
}

void ReadingsFeed::publish(const MissedReading& missed) {
    notify([&missed](ReadingsListener& l) { l.readingMissed(missed); });
}

}  // namespace kestro
