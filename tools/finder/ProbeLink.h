#pragma once
// The finder's hold on the line. It waits for the scan's transaction in
// progress to end, pauses the poll timer, and then sends the finder's own
// requests through the link, each with a time-out from the line's timing,
// handing every outcome to whoever asked. Giving the line back (always, also
// when the port went away or the finder is destroyed) sets the port to 9600
// baud again and resumes polling.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "modbus/LinkProbe.h"
#include "platform/core/Platform.h"

namespace kestro::finder {

struct ProbeAnswer {
    enum class Kind {
        Frame,     // a frame with a good CRC; `frame` holds it
        NoAnswer,  // nothing within the time-out
        PortLost,  // the port closed (unplugged) or could not send
    };
    Kind kind = Kind::NoAnswer;
    std::vector<uint8_t> frame;
};

class ProbeLink : public LinkProbe {
  public:
    using Reply = std::function<void(const ProbeAnswer&)>;

    explicit ProbeLink(Platform& platform);
    ~ProbeLink() override;
    ProbeLink(const ProbeLink&) = delete;
    ProbeLink& operator=(const ProbeLink&) = delete;

    // Takes the line once the scan is between transactions; `ready` is then
    // called with true, or with false when no port is open.
    void acquire(std::function<void(bool)> ready);
    // Gives the line back: 9600 baud, polling resumed. Harmless when not held.
    void release();
    bool held() const { return held_; }
    // True while a request is out and its outcome not yet handed over.
    bool busy() const { return static_cast<bool>(reply_); }

    // Sets the rate of the open line.
    void setBaud(int baud);
    int baud() const;

    // Sends a request (a read of `count` registers, or with `values` a 10h
    // write of them); `reply` gets its outcome, always exactly once.
    void ask(uint8_t slave, uint8_t function, uint16_t address, uint16_t count, Reply reply,
             const std::vector<uint16_t>& values = {});

  private:
    void onProbeFrame(const uint8_t* bytes, int length) override;
    void onProbeTimeout() override;
    void watch();
    void answer(ProbeAnswer outcome);

    std::unique_ptr<WindowTimer> watchdog_;
    std::function<void(bool)> ready_;
    Reply reply_;
    bool held_ = false;
    bool pausedPolling_ = false;
};

}  // namespace kestro::finder
