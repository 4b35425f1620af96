#pragma once
// The readings as a published stream: one snapshot per refresh, and an
// event for each reading that did not come, to any number of listeners.
// Views subscribe to the feed they are handed; nothing reaches for it.

#include <string>
#include <vector>

#include "device/ReadingSnapshot.h"

namespace kestro {

// A reading that did not come, and why: the status text of a request that
// failed ("No response from slave device.") or the port closing.
struct MissedReading {
    TimeStamp at;
    std::string reason;
};

class ReadingsListener {
  public:
    virtual ~ReadingsListener() = default;
    virtual void readingTaken(const ReadingSnapshot& snapshot) = 0;
    virtual void readingMissed(const MissedReading& missed) = 0;
};

class ReadingsFeed {
  public:
    // A listener is called in the order of subscription, once per event;
    // it may subscribe or unsubscribe listeners from inside a call.
    void subscribe(ReadingsListener& listener);
    void unsubscribe(ReadingsListener& listener);

    void publish(const ReadingSnapshot& snapshot);
    void publish(const MissedReading& missed);

    // The last snapshot published, for a view that opens between readings.
    const ReadingSnapshot* latest() const { return hasLatest_ ? &latest_ : nullptr; }

  private:
    template <class Call>
    void notify(Call call);

    std::vector<ReadingsListener*> listeners_;
    ReadingSnapshot latest_;
    bool hasLatest_ = false;
};

}  // namespace kestro
