#pragma once
// Carries bytes between the master's terminal and the device's terminal as
// a 9600-baud 8N1 line would: each byte takes its 1.04 ms, in both
// directions. On the way back it applies the line faults to each answer.

#include <atomic>
#include <cstdint>
#include <deque>
#include <vector>

#include "sim/AnswerShaper.h"
#include "sim/EventLog.h"
#include "sim/Options.h"

namespace kestro::sim {

class Relay {
  public:
    Relay(int masterFd, int deviceFd, const WireFaults& faults, uint64_t seed, EventLog& log);
    void run(const std::atomic<bool>& stop);

  private:
    // One terminal: bytes read from it gather into a burst until a pause;
    // bytes for it wait until their time on the line has passed.
    struct Side {
        int fd = -1;
        std::deque<std::pair<int64_t, uint8_t>> out;
        int64_t lineFreeUs = 0;
        std::vector<uint8_t> burst;
        int64_t burstStartUs = 0, burstLastUs = 0;
    };
    void schedule(Side& to, const std::vector<uint8_t>& bytes, int64_t startUs);
    void flushDue(Side& to, int64_t now);
    void readBurst(Side& from, int64_t now);
    void endBursts(int64_t now);
    void request(const std::vector<uint8_t>& bytes, int64_t startUs);
    void answer(const std::vector<uint8_t>& bytes, int64_t startUs);
    int64_t nextWakeUs(int64_t now) const;
    void watchMaster(int64_t now);

    Side master_, device_;
    bool masterPresent_ = false;
    int64_t masterCheckUs_ = 0;
    WireFaults faults_;
    AnswerShaper shaper_;
    EventLog& log_;
};

}  // namespace kestro::sim
