#pragma once
// A deterministic clock for tests: events run in time order (ties in the
// order they were scheduled) as the clock is advanced. Time is kept in
// microseconds so that byte times on the line stay exact.

#include <cstdint>
#include <functional>
#include <queue>
#include <vector>

namespace kestro {

class VirtualClock {
  public:
    int64_t nowUs() const { return now_; }
    int64_t nowMs() const { return now_ / 1000; }

    void atUs(int64_t timeUs, std::function<void()> fn);
    void afterUs(int64_t delayUs, std::function<void()> fn) { atUs(now_ + delayUs, std::move(fn)); }
    void afterMs(int64_t delayMs, std::function<void()> fn) {
        afterUs(delayMs * 1000, std::move(fn));
    }

    // Runs every event due within the next `us` microseconds. May be called
    // from inside an event (a nested wait); time never runs backwards.
    void advanceUs(int64_t us);
    void advanceMs(int64_t ms) { advanceUs(ms * 1000); }
    // Advances until `done` holds or `maxMs` have passed; returns `done()`.
    bool runUntil(const std::function<bool()>& done, int64_t maxMs);

    uint64_t eventsRun() const { return eventsRun_; }

  private:
    struct Event {
        int64_t time;
        uint64_t seq;
        std::function<void()> fn;
    };
    struct Later {
        bool operator()(const Event& a, const Event& b) const {
            return a.time != b.time ? a.time > b.time : a.seq > b.seq;
        }
    };
    bool runOne(int64_t limit);

    std::priority_queue<Event, std::vector<Event>, Later> events_;
    int64_t now_ = 0;
    uint64_t seq_ = 0;
    uint64_t eventsRun_ = 0;
};

}  // namespace kestro
