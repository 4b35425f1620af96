#pragma once
// The link's report of its traffic: every frame it sends and every frame it
// collects, with the time of the platform clock and what became of it. A
// tool that shows or counts traffic listens here; with no observer set the
// link copies nothing.

#include <cstdint>
#include <vector>

namespace kestro {

enum class FrameDirection { Sent, Received };

enum class FrameOutcome {
    Sent,                // a request handed to the port
    Valid,               // the answer to the request in progress
    CrcFailed,           // the CRC does not match
    UnexpectedFunction,  // neither the function in progress nor its exception
    Exception,           // an exception answer; `exceptionCode` says which
    Invalid,             // the right function, but not the answer asked for
    Timeout,             // no answer in time: an event without bytes
    RxOverflow,          // more bytes than a frame may hold; they were dropped
    Echo,                // the request heard back from a two-wire adapter
    NotAwaited,          // a frame while no answer was awaited (late, another master)
};

struct FrameEvent {
    FrameDirection direction = FrameDirection::Sent;
    FrameOutcome outcome = FrameOutcome::Sent;
    int exceptionCode = 0;
    // Microseconds of the platform clock: when the frame was handed to the
    // port (sent), when its first and its last byte were taken in
    // (received), when the wait ended (time-out).
    int64_t startUs = 0;
    int64_t endUs = 0;
    std::vector<uint8_t> bytes;
};

class FrameObserver {
  public:
    virtual ~FrameObserver() = default;
    virtual void onFrame(const FrameEvent& event) = 0;
};

// Used by the link: they do nothing while no observer is set.
void ReportSentFrame(const uint8_t* bytes, int length);
void ReportCollectedFrame(const uint8_t* bytes, int length, FrameOutcome outcome,
                          int exceptionCode = 0);
void ReportTimeout();
// Time stamps of the bytes being collected into RxBuffer.
void NoteBytesArrived(bool frameStart);

}  // namespace kestro
