#pragma once
// The last frames seen on the link, at most `capacity` of them, so that a day
// of polling costs a bounded amount of memory: the oldest go first.

#include <cstddef>
#include <cstdint>
#include <deque>

#include "modbus/FrameObserver.h"

namespace kestro {

class FrameHistory {
  public:
    static constexpr size_t kDefaultCapacity = 10000;

    explicit FrameHistory(size_t capacity = kDefaultCapacity);
    void add(const FrameEvent& event);
    void clear();

    size_t size() const { return frames_.size(); }
    size_t capacity() const { return capacity_; }
    // Oldest first.
    const FrameEvent& at(size_t i) const { return frames_.at(i); }
    // Frames let go since the last clear to stay within the capacity.
    uint64_t dropped() const { return dropped_; }

  private:
    size_t capacity_;
    std::deque<FrameEvent> frames_;
    uint64_t dropped_ = 0;
};

}  // namespace kestro
