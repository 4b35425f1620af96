#pragma once
// The link's counters since start or the last reset: what a technician
// quotes when a line is bad. Fed with every event of the frame observer.

#include <cstdint>
#include <map>

#include "modbus/FrameObserver.h"

namespace kestro {

// Smallest, mean and largest of a series of durations in microseconds.
struct TimeSpread {
    int64_t minUs = 0;
    int64_t maxUs = 0;
    int64_t totalUs = 0;
    uint64_t count = 0;

    void add(int64_t us);
    int64_t meanUs() const { return count ? totalUs / int64_t(count) : 0; }
};

struct LinkCounts {
    uint64_t requestsSent = 0;
    uint64_t validResponses = 0;
    uint64_t timeouts = 0;
    uint64_t crcFailures = 0;
    uint64_t invalidResponses = 0;
    std::map<int, uint64_t> exceptions;  // by exception code
    // Another function than the one asked for, or a frame while none was
    // awaited (a late answer, another master on the bus).
    uint64_t unexpectedFrames = 0;
    uint64_t rxOverflows = 0;
    uint64_t echoes = 0;
    // From the request handed to the port to the first and the last byte of
    // its answer, whatever became of the answer.
    TimeSpread firstByte;
    TimeSpread wholeFrame;
};

class LinkStatistics {
  public:
    void add(const FrameEvent& event);
    void reset();
    const LinkCounts& counts() const { return counts_; }

  private:
    void timeAnswer(const FrameEvent& answer);

    LinkCounts counts_;
    bool answerAwaited_ = false;
    int64_t requestUs_ = 0;
};

}  // namespace kestro
