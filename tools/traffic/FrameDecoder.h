#pragma once
// What a frame on the line says, in the words of the traffic monitor's
// decoded column: slave, function, address and count, byte count,
// exception, CRC check.

#include <optional>
#include <string>
#include <vector>

#include "modbus/FrameObserver.h"

namespace kestro {

struct DecodedFrame {
    int slave = -1;     // -1: the frame is too short to say
    int function = -1;  // without the exception bit
    bool exception = false;
    // The first address as it travels in the frame, counted from 0 as the
    // analyzer's register map counts (the program's read windows number
    // registers from 1: its register 1 is address 0).
    std::optional<int> address;
    std::optional<int> count;
    std::optional<int> value;  // of a single write
    std::optional<int> byteCount;
    std::optional<int> exceptionCode;
    bool crcOk = false;

    // "slave 1, read input registers, address 0, count 2, CRC ok",
    // "slave 1, read input registers, exception 2: illegal data address, CRC ok"
    std::string text() const;
};

// A request when sent, an answer when received.
DecodedFrame DecodeFrame(FrameDirection direction, const std::vector<uint8_t>& bytes);

// The decoded column of an observed event; a time-out has no frame.
std::string DecodedText(const FrameEvent& event);

// "read input registers"; "function 42" for codes the program does not use.
std::string FunctionName(int function);
// "illegal data address"; empty for codes MODBUS does not define.
std::string ExceptionName(int code);

}  // namespace kestro
