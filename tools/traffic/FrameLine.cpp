#include "tools/traffic/FrameLine.h"

namespace kestro {

std::string DirectionText(FrameDirection direction) {
    return direction == FrameDirection::Sent ? "sent" : "received";
}

std::string OutcomeText(const FrameEvent& event) {
    switch (event.outcome) {
        case FrameOutcome::Sent:
            return "request";
        case FrameOutcome::Valid:
            return "valid";
        case FrameOutcome::CrcFailed:
            return "CRC failed";
        case FrameOutcome::UnexpectedFunction:
            return "unexpected function";
        case FrameOutcome::Exception:
            return "exception " + std::to_string(event.exceptionCode);
        case FrameOutcome::Invalid:
            return "invalid";
        case FrameOutcome::Timeout:
            return "time-out";
        case FrameOutcome::RxOverflow:
            return "Rx overflow";
        case FrameOutcome::Echo:
            return "echo";
        case FrameOutcome::NotAwaited:
            return "not awaited";
    }
    return "";
}

bool IsFailure(FrameOutcome outcome) {
    return outcome != FrameOutcome::Sent && outcome != FrameOutcome::Valid &&
           outcome != FrameOutcome::Echo;
}

std::string HexText(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += digits[b >> 4];
        text += digits[b & 0x0F];
    }
    return text;
}

}  // namespace kestro
