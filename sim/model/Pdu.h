#pragma once
// MODBUS requests and replies as the analyzer sees them, without the slave
// address and the CRC around them, so that the in-process responder and the
// libmodbus server parse and answer alike.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestro::sim {

constexpr uint8_t kFnReadHolding = 0x03;
constexpr uint8_t kFnReadInput = 0x04;
constexpr uint8_t kFnPresetMultiple = 0x10;

constexpr uint8_t kExIllegalFunction = 0x01;
constexpr uint8_t kExIllegalAddress = 0x02;
constexpr uint8_t kExIllegalValue = 0x03;

struct Request {
    uint8_t function = 0;
    uint16_t address = 0;  // 03h, 04h and 10h
    uint16_t count = 0;
    std::vector<uint16_t> values;  // 10h
    // False when the data does not fit the function's layout (length, or a
    // byte count that disagrees with the register count).
    bool wellFormed = true;
};

// Parses a PDU: the function code and its data.
Request parseRequest(const uint8_t* pdu, size_t length);

struct Reply {
    uint8_t exception = 0;            // 0 for a normal reply
    std::vector<uint16_t> registers;  // read data
};

// The response PDU for `request` answered with `reply`: the registers of a
// read, the echo of a write, or the exception.
std::vector<uint8_t> responsePdu(const Request& request, const Reply& reply);

}  // namespace kestro::sim
