#pragma once
// What the protocol core needs from the program around it. The program (or a
// test) fills `Host` before communications start.

#include <functional>
#include <memory>
#include <string>

#include "modbus/FrameObserver.h"
#include "modbus/LinkProbe.h"
#include "modbus/PortComponent.h"

namespace kestro {

// Watches a port's traffic and drives the two status lights.
class StatusLightMonitor {
  public:
    virtual ~StatusLightMonitor() = default;
};

class LinkPlatform {
  public:
    virtual ~LinkPlatform() = default;
    virtual std::unique_ptr<PortComponent> createPort() = 0;
    // Takes over the port's trigger events and passes each one on to the
    // handlers set before.
    virtual std::unique_ptr<StatusLightMonitor> createStatusLights(PortComponent& port) = 0;
    // Waits while events keep being delivered (window timers keep ticking).
    virtual void pause(int ms) = 0;
    // A monotonic clock in microseconds, for the time stamps of frames.
    virtual int64_t nowUs() const = 0;
};

// Status bar panels written by the core: panel 0 (port) and panel 2 (status).
class StatusLine {
  public:
    virtual ~StatusLine() = default;
    virtual void showStatus(const std::string& text, bool red) = 0;
    virtual void showPort(const std::string& text) = 0;
};

struct LinkHost {
    LinkPlatform* platform = nullptr;
    StatusLine* status = nullptr;
    std::function<int()> slaveIdValue;  // the main window's Slave ID field
    std::function<bool()> selectPort;   // port selection; opens the chosen port
    std::function<void(bool)> enablePollTimer;
    std::function<void()> reportNoPort;    // beep and "No COM port defined..." message
    std::function<void()> refreshIfValid;  // live display after each processed frame
    // A valid answer to the input-register read was stored: the refresh
    // that follows shows a new reading; other refreshes repeat the last.
    std::function<void()> readingStored;
    std::function<void(int code)> errorHook;  // observer for tests; the program sets none
    // A read of the input registers ended without a reading, or the port
    // closed; `reason` says which, as the status line does.
    std::function<void(const std::string& reason)> readingMissed;
    FrameObserver* frameObserver = nullptr;  // every frame sent and collected
    LinkProbe* probe = nullptr;              // set while a tool asks the line itself
};

extern LinkHost Host;

}  // namespace kestro
