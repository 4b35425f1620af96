#pragma once
// What the link did since Kestro started: the bounded history of frames and
// the link statistics, fed by the frame feed for the whole run, whether the
// traffic monitor is open or not. The monitor shows it; a report reads the
// counters from here.

#include <cstdint>

#include "tools/traffic/FrameHistory.h"
#include "tools/traffic/LinkStatistics.h"

namespace kestro {

class TrafficLog : public FrameObserver {
  public:
    // `originUs`: the moment of the link's clock that frame times are
    // counted from (the start of the program).
    explicit TrafficLog(int64_t originUs, size_t capacity = FrameHistory::kDefaultCapacity);

    void onFrame(const FrameEvent& event) override;

    const FrameHistory& history() const { return history_; }
    const LinkStatistics& statistics() const { return statistics_; }
    int64_t originUs() const { return originUs_; }

    // The monitor's Clear, through TrafficModel::clear, which the rows
    // shown must follow.
    void clearHistory() { history_.clear(); }
    void resetStatistics() { statistics_.reset(); }

  private:
    int64_t originUs_;
    FrameHistory history_;
    LinkStatistics statistics_;
};

}  // namespace kestro
