#pragma once
// The port component on a virtual line: timer triggers run off the virtual
// clock, bytes take their 8N1 time at the port's baud rate in both
// directions, and the device can vanish and come back like an unplugged
// adapter.

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "modbus/PortComponent.h"
#include "platform/virtual/VirtualClock.h"

namespace kestro {

class VirtualPort : public PortComponent {
  public:
    explicit VirtualPort(VirtualClock& clock, int outBufferSize = 4096);
    ~VirtualPort() override;

    void setOpen(bool open) override;
    bool isOpen() const override { return open_; }
    TriggerHandle addTimerTrigger() override;
    void setTimerTrigger(TriggerHandle handle, int ticks, bool activate) override;
    int outBuffFree() const override;
    int getBlock(uint8_t* data, int length) override;

    // The slave side of the line.
    // Called with each block the master wrote, once its last byte is on the wire.
    std::function<void(const std::vector<uint8_t>&)> OnLineBytes;
    // Bytes sent by the slave: they start after `delayMs` and reach the port
    // in chunks of `chunkBytes`, each when its last byte has arrived, with
    // `gapMs` of extra silence between chunks.
    void sendToMaster(const std::vector<uint8_t>& bytes, int delayMs = 0, int chunkBytes = 16,
                      int gapMs = 0);

    // Faults.
    void unplug();           // the device goes away; the port closes itself
    void replug();           // the device is back; reopened at the next check
    void blockOutput(bool);  // output buffer reports no free space
    // When set, opening fails with this problem (a port held elsewhere, one
    // the user may not open).
    PortProblem openRefusal;
    bool present() const { return present_; }

    int64_t charTimeUs() const;
    std::vector<uint8_t> written;  // every byte the master put on the line

  protected:
    void writeBlock(const uint8_t* data, int length) override;

  private:
    struct Trigger {
        uint64_t generation = 0;
    };
    void openDevice();
    void closeDevice();
    void arrive(std::vector<uint8_t> chunk);
    void scheduleReopenCheck();

    VirtualClock& clock_;
    int outBufferSize_;
    bool open_ = false;
    bool present_ = true;
    bool wantOpen_ = false;
    bool outputBlocked_ = false;
    bool availPending_ = false;
    uint64_t lineGeneration_ = 0;  // bytes in flight die with a close
    int64_t txBusyUntil_ = 0;
    int64_t rxBusyUntil_ = 0;
    std::vector<Trigger> triggers_;
    std::deque<uint8_t> input_;
    std::shared_ptr<bool> alive_;
};

}  // namespace kestro
