#include "tools/traffic/FrameDecoder.h"

#include <cstdio>

#include "modbus/Crc.h"
#include "modbus/ProtocolCodes.h"

namespace kestro {

namespace {

constexpr int kCrcBytes = 2;

int wordAt(const std::vector<uint8_t>& b, size_t i) {
    return b[i] << 8 | b[i + 1];
}

bool isRead(int f) {
    return f >= kReadCoilStatus && f <= kReadInputRegisters;
}

bool isMultipleWrite(int f) {
    return f == kForceMultipleCoils || f == kPresetMultipleRegisters;
}

// The fields after slave and function, where the frame holds them.
void decodeBody(FrameDirection direction, const std::vector<uint8_t>& b, DecodedFrame& d) {
    const size_t n = b.size() >= kCrcBytes ? b.size() - kCrcBytes : 0;  // without the CRC
    const int f = d.function;
    const bool request = direction == FrameDirection::Sent;
    if (d.exception) {
        if (n >= 3)
            d.exceptionCode = b[2];
        return;
    }
    if (isRead(f) && !request) {
        if (n >= 3)
            d.byteCount = b[2];
        return;
    }
    if (n >= 6 &&
        (isRead(f) || isMultipleWrite(f) || f == kForceSingleCoil || f == kPresetSingleRegister)) {
        d.address = wordAt(b, 2);
        if (f == kForceSingleCoil || f == kPresetSingleRegister)
            d.value = wordAt(b, 4);
        else
            d.count = wordAt(b, 4);
    }
    if (isMultipleWrite(f) && request && n >= 7)
        d.byteCount = b[6];
}

std::string hexWord(int w) {
    char text[8];
    std::snprintf(text, sizeof text, "%04Xh", unsigned(w) & 0xFFFFu);
    return text;
}

}  // namespace

std::string FunctionName(int function) {
    switch (function) {
        case kReadCoilStatus:
            return "read coil status";
        case kReadInputStatus:
            return "read input status";
        case kReadHoldingRegisters:
            return "read holding registers";
        case kReadInputRegisters:
            return "read input registers";
        case kForceSingleCoil:
            return "force single coil";
        case kPresetSingleRegister:
            return "preset single register";
        case kForceMultipleCoils:
            return "force multiple coils";
        case kPresetMultipleRegisters:
            return "preset multiple registers";
        default:
            return "function " + std::to_string(function);
    }
}

std::string ExceptionName(int code) {
    switch (code) {
        case 1:
            return "illegal function";
        case 2:
            return "illegal data address";
        case 3:
            return "illegal data value";
        case 4:
            return "slave device failure";
        case 5:
            return "acknowledge";
        case 6:
            return "slave device busy";
        case 7:
            return "negative acknowledge";
        case 8:
            return "memory parity error";
        default:
            return "";
    }
}

DecodedFrame DecodeFrame(FrameDirection direction, const std::vector<uint8_t>& bytes) {
    DecodedFrame d;
    InitCrcTable();
    d.crcOk = CrcCheck(bytes.data(), int(bytes.size()));
    if (bytes.size() < 2)
        return d;
    d.slave = bytes[0];
    d.exception = (bytes[1] & kExceptionFlag) != 0;
    d.function = bytes[1] & ~kExceptionFlag;
    decodeBody(direction, bytes, d);
    return d;
}

std::string DecodedFrame::text() const {
    if (slave < 0)
        return "too short";
    std::string t = "slave " + std::to_string(slave) + ", " + FunctionName(function);
    if (address)
        t += ", address " + std::to_string(*address);
    if (count)
        t += ", count " + std::to_string(*count);
    if (value)
        t += ", value " + hexWord(*value);
    if (byteCount)
        t += ", " + std::to_string(*byteCount) + " bytes";
    if (exceptionCode) {
        const std::string name = ExceptionName(*exceptionCode);
        t += ", exception " + std::to_string(*exceptionCode) + (name.empty() ? "" : ": " + name);
    } else if (exception) {
        t += ", exception";
    }
    return t + (crcOk ? ", CRC ok" : ", CRC failed");
}

std::string DecodedText(const FrameEvent& event) {
    if (event.outcome == FrameOutcome::Timeout)
        return "no response";
    return DecodeFrame(event.direction, event.bytes).text();
}

}  // namespace kestro
