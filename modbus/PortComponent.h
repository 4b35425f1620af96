#pragma once
// The serial port component as the link layer sees it. The program talks to
// the line only through this interface; the Qt port and the virtual port of
// the tests implement it.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace kestro {

enum class Parity { None, Odd, Even };

struct LineSettings {
    bool autoOpen = false;
    int comNumber = 1;
    int baud = 9600;
    int dataBits = 8;
    int stopBits = 1;
    Parity parity = Parity::None;
    bool rs485Mode = false;
    bool dtr = true;
    bool rts = true;
};

// Why a port is not open. Every port component says it in these terms, so
// that the status line can tell the user in words they act on whatever the
// port is (a serial device, a network connection).
enum class PortFault {
    None,          // open, or never asked to open
    AccessDenied,  // the user may not open the device
    Busy,          // another program holds it
    Unplugged,     // the device is not there, or went away while open
    Other,         // anything else; `detail` says what
};

struct PortProblem {
    PortFault fault = PortFault::None;
    std::string device;  // what the port opens, as the user may look it up
    std::string detail;  // the system's words for an Other fault
    std::string advice;  // what the user can do, where the platform knows (may be empty)
};

using TriggerHandle = uint16_t;

// Duration of one timer-trigger tick.
constexpr int kTickMs = 55;

class PortComponent {
  public:
    virtual ~PortComponent() = default;

    // Line settings: applied when the port opens. The baud rate, DTR and
    // RTS also take effect at once on an open port.
    void setAutoOpen(bool on) { settings_.autoOpen = on; }
    void setComNumber(int n) { settings_.comNumber = n; }
    void setBaud(int baud);
    void setDataBits(int bits) { settings_.dataBits = bits; }
    void setStopBits(int bits) { settings_.stopBits = bits; }
    void setParity(Parity p) { settings_.parity = p; }
    void setRS485Mode(bool on) { settings_.rs485Mode = on; }
    void setDTR(bool on);
    void setRTS(bool on);
    const LineSettings& settings() const { return settings_; }

    // Opens or closes the device; fires OnPortOpen or OnPortClose.
    virtual void setOpen(bool open) = 0;
    virtual bool isOpen() const = 0;

    // Why the port is not open: set by the port component when an open
    // fails or its device goes away, reset to PortFault::None when it opens.
    const PortProblem& problem() const { return problem_; }
    void setProblem(PortProblem problem) { problem_ = std::move(problem); }

    // Timer triggers: a new handle per call; arming (again) restarts the
    // trigger, which then expires once, `ticks` ticks later.
    virtual TriggerHandle addTimerTrigger() = 0;
    virtual void setTimerTrigger(TriggerHandle handle, int ticks, bool activate) = 0;

    // Free bytes in the output buffer; the configured size while closed.
    virtual int outBuffFree() const = 0;
    // Queues the bytes for sending in one piece.
    void putBlock(const uint8_t* data, int length);
    // Copies up to `length` waiting bytes out; returns how many.
    virtual int getBlock(uint8_t* data, int length) = 0;

    // Events, all delivered on the UI thread.
    std::function<void()> OnPortOpen;
    std::function<void()> OnPortClose;
    std::function<void(TriggerHandle)> OnTriggerTimer;
    std::function<void(int count)> OnTriggerAvail;
    // Fired after every put block; feeds the transmit status light.
    std::function<void(int count)> OnTransmit;

  protected:
    virtual void writeBlock(const uint8_t* data, int length) = 0;
    virtual void applyModemLines() {}
    // Ports whose rate is set elsewhere (a remote line) keep this default.
    virtual void applyBaud() {}

  private:
    LineSettings settings_;
    PortProblem problem_;
};

inline void PortComponent::setBaud(int baud) {
    settings_.baud = baud;
    if (isOpen())
        applyBaud();
}

inline void PortComponent::setDTR(bool on) {
    settings_.dtr = on;
    if (isOpen())
        applyModemLines();
}

inline void PortComponent::setRTS(bool on) {
    settings_.rts = on;
    if (isOpen())
        applyModemLines();
}

inline void PortComponent::putBlock(const uint8_t* data, int length) {
    writeBlock(data, length);
    if (OnTransmit)
        OnTransmit(length);
}

}  // namespace kestro
