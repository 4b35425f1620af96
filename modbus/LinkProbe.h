#pragma once
// Asking the line directly, beside the scan: a tool that looks for the
// analyzer (which addresses answer, at which baud rate) sends its own
// requests while the poll timer is paused. While a probe is set in `Host`,
// a collected frame and a response time-out go to it instead of to the
// scan's response handling and status line, so the scan's tables, flags and
// status text stay as they were.

#include <cstdint>

namespace kestro {

class LinkProbe {
  public:
    virtual ~LinkProbe() = default;
    // A frame with a good CRC arrived while an answer was awaited; a request
    // heard back from a two-wire adapter has already been taken off.
    virtual void onProbeFrame(const uint8_t* bytes, int length) = 0;
    // No answer came within the request's time-out.
    virtual void onProbeTimeout() = 0;
};

// Sends one request built as the scan builds its requests (slave, function,
// 0-based address, and a count or, with `values`, a 10h write of `count`
// registers), with a response time-out of `timeoutTicks` port ticks. False
// when the link cannot send now (no open port, a frame still waiting).
bool SendProbeRequest(uint8_t slave, uint8_t function, uint16_t address, uint16_t count,
                      int timeoutTicks, const uint16_t* values = nullptr);

// The line as a probe sees it.
bool LineUsable();               // a port is open and its device there
bool ScanBetweenTransactions();  // nothing of the scan's on its way or unprocessed
bool ProbeRequestOpen();         // the request sent last still awaits its outcome
void SetLineBaud(int baud);      // the open port's rate, at once
int LineBaud();
// Sets `probe` in Host: from now on it gets the answers.
void BeginProbe(LinkProbe& probe);
// Clears the probe and whatever its requests left, so that nothing of them
// passes for an answer to the scan.
void EndProbe(LinkProbe& probe);

// Called by the link while a probe is set.
void ProbeFrameCollected();
void ProbeResponseTimeout();

}  // namespace kestro
