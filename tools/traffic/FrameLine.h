#pragma once
// The columns of one line of the traffic monitor other than its time and
// its decoded column: direction, outcome and the bytes in hex, and whether
// the line is a failure (shown in red).

#include <string>
#include <vector>

#include "modbus/FrameObserver.h"

namespace kestro {

// "sent", "received"
std::string DirectionText(FrameDirection direction);
// "request", "valid", "CRC failed", "exception 2", "time-out", ...
std::string OutcomeText(const FrameEvent& event);
// Every outcome but a request, a valid answer and the echo of a request.
bool IsFailure(FrameOutcome outcome);
// "01 04 00 00 00 2C F1 DF"
std::string HexText(const std::vector<uint8_t>& bytes);

}  // namespace kestro
