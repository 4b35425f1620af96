#pragma once
// The program's port component: a serial port, or a remote line when the
// port's [PORTS] entry is "tcp://host:port". Which of the two it is gets
// decided by the port number when the port is first used (opened, or given
// a trigger), and stays so for the life of this object; the link layer
// creates a new port for every port it opens. Its events and its problem()
// are those of the port it became.

#include <memory>

#include "modbus/PortComponent.h"

namespace kestro {

class MappedPort : public PortComponent {
  public:
    void setOpen(bool open) override;
    bool isOpen() const override { return line_ && line_->isOpen(); }
    TriggerHandle addTimerTrigger() override;
    void setTimerTrigger(TriggerHandle handle, int ticks, bool activate) override;
    int outBuffFree() const override;
    int getBlock(uint8_t* data, int length) override;

    // The port this one became; none before its first use.
    const PortComponent* line() const { return line_.get(); }

    static constexpr int kOutBufferSize = 4096;

  protected:
    void writeBlock(const uint8_t* data, int length) override;
    void applyModemLines() override;
    void applyBaud() override;

  private:
    PortComponent& chosenLine();

    std::unique_ptr<PortComponent> line_;
};

}  // namespace kestro
