#include "modbus/FrameObserver.h"

#include "modbus/LinkHost.h"

namespace kestro {

namespace {

// When the bytes now in RxBuffer began and last arrived.
int64_t rxStartUs = 0;
int64_t rxEndUs = 0;

int64_t now() {
    return Host.platform ? Host.platform->nowUs() : 0;
}

void report(FrameEvent event) {
    Host.frameObserver->onFrame(event);
}

}  // namespace

void NoteBytesArrived(bool frameStart) {
    if (!Host.frameObserver)
        return;
    rxEndUs = now();
    if (frameStart)
        rxStartUs = rxEndUs;
}

void ReportSentFrame(const uint8_t* bytes, int length) {
    if (!Host.frameObserver)
        return;
    const int64_t t = now();
    report({FrameDirection::Sent, FrameOutcome::Sent, 0, t, t, {bytes, bytes + length}});
}

void ReportCollectedFrame(const uint8_t* bytes, int length, FrameOutcome outcome,
                          int exceptionCode) {
    if (!Host.frameObserver)
        return;
    report({FrameDirection::Received,
            outcome,
            exceptionCode,
            rxStartUs,
            rxEndUs,
            {bytes, bytes + length}});
}

void ReportTimeout() {
    if (!Host.frameObserver)
        return;
    const int64_t t = now();
    report({FrameDirection::Received, FrameOutcome::Timeout, 0, t, t, {}});
}

}  // namespace kestro
