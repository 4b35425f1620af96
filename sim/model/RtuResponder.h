#pragma once
// The simulated analyzer on the virtual line: frames the master's bytes,
// checks address and CRC, lets the model answer and sends the reply back.
// The model's time follows the virtual clock.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/virtual/VirtualClock.h"
#include "platform/virtual/VirtualPort.h"
#include "sim/model/DeviceModel.h"

namespace kestro::sim {

class RtuResponder {
  public:
    RtuResponder(DeviceModel& model, VirtualClock& clock);
    ~RtuResponder();
    RtuResponder(const RtuResponder&) = delete;
    RtuResponder& operator=(const RtuResponder&) = delete;

    // Serves the master on `port` from now on; call again for each new port.
    void attach(VirtualPort& port);

    // How a reply goes out (see VirtualPort::sendToMaster).
    int replyDelayMs = 3;
    int chunkBytes = 16;
    int gapMs = 0;
    // When set, the device hears the master only while the master's port
    // runs at the device's rate; at another rate its bytes are noise.
    bool checkLineSpeed = false;
    // Sees each reply frame before it is sent, CRC included; may change it,
    // or return false to send nothing.
    std::function<bool(std::vector<uint8_t>& frame)> OnReply;
    // Every event of the model, as it happens; unset, they stay with the model.
    std::function<void(const Event&)> OnEvent;

    int framesServed() const { return framesServed_; }

  private:
    void receive(VirtualPort& port, const std::weak_ptr<int>& portAlive,
                 const std::vector<uint8_t>& bytes);
    void serveFrame(VirtualPort& port, const std::vector<uint8_t>& frame);
    void lineIdle(VirtualPort& port);
    void syncModelTime();
    void reportEvents();

    DeviceModel& model_;
    VirtualClock& clock_;
    std::vector<uint8_t> frame_;
    uint64_t silenceGeneration_ = 0;
    int64_t modelTimeUs_ = 0;
    int framesServed_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kestro::sim
