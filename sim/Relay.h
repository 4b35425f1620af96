#pragma once
// Carries bytes between the master's terminal and the device's terminal as
// an 8N1 line would: each byte takes its time at the line's rate (1.04 ms at
// 9600 baud), in both directions. On the way back it applies the line faults
// to each answer. When the line's rate is given, a request the master sent
// at another rate does not reach the device. With `logTraffic` it reports
// every request and every answer it carries, so that a test can tell the
// fate of each request.

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
    // `lineBaud`: the device's rate, 0 when the master's is not looked at.
    Relay(int masterFd, int deviceFd, const WireFaults& faults, uint64_t seed, EventLog& log,
          bool logTraffic, const std::atomic<int>& lineBaud);
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
    void logFrame(const char* kind, const std::vector<uint8_t>& bytes);
    int64_t byteUs() const;
    int masterBaud() const;

    Side master_, device_;
    bool masterPresent_ = false;
    int64_t masterCheckUs_ = 0;
    WireFaults faults_;
    AnswerShaper shaper_;
    EventLog& log_;
    bool logTraffic_;
    const std::atomic<int>& lineBaud_;
};

}  // namespace kestro::sim
