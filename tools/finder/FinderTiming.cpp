#include "tools/finder/FinderTiming.h"

#include "modbus/PortComponent.h"

namespace kestro::finder {

namespace {

// An analyzer begins its answer well within this after the request's last
// byte; the scan's margin of a second is for a busy line, not a silent one.
constexpr int kAnswerAllowanceMs = 110;
// The link takes a frame as complete after one tick of silence.
constexpr int kEndOfFrameTicks = 1;
constexpr int kBitsPerByte = 10;  // start, 8 data, stop

int wireTicks(int baud, int bytes) {
    const long us = long(bytes) * kBitsPerByte * 1000000L / (baud > 0 ? baud : kHomeBaud);
    const long tickUs = kTickMs * 1000L;
    return int((us + tickUs - 1) / tickUs);
}

}  // namespace

int AnswerWaitTicks(int baud, int requestBytes, int answerBytes) {
    return wireTicks(baud, requestBytes) + wireTicks(baud, answerBytes) + kEndOfFrameTicks +
           kAnswerAllowanceMs / kTickMs;
}

}  // namespace kestro::finder
