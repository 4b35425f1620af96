#pragma once
// Master data: read windows, write requests, their flags and the data tables.

#include <cstdint>

namespace kestro {

constexpr int kRegisterTableSize = 501;
constexpr int kStatusTableSize = 801;

// Status tables hold one bit per point: point k is bit k mod 8 of the
// little-endian 16-bit word k div 8, and only the low byte of each word
// carries points.
constexpr int kStatusTablePoints = kStatusTableSize / 2 * 8;  // 3200

inline bool StatusPoint(const uint8_t* table, int k) {
    return (table[2 * (k / 8)] >> (k % 8)) & 1;
}

inline void SetStatusPoint(uint8_t* table, int k, bool on) {
    const uint8_t mask = uint8_t(1u << (k % 8));
    uint8_t& byte = table[2 * (k / 8)];
    byte = on ? uint8_t(byte | mask) : uint8_t(byte & ~mask);
}

struct DbModbusState {
    int32_t TargetSlave = 1;
    int32_t ResponseMarginMs = 1000;
    int32_t PollDelayMs = 0;

    // Read windows; starts are 1-based, a count of 0 switches the function off.
    uint16_t CoilReadStart = 1, CoilReadCount = 0;
    uint16_t InputStatusReadStart = 1, InputStatusReadCount = 0;
    uint16_t HoldingReadStart = 1, HoldingReadCount = 0;
    uint16_t InputReadStart = 1, InputReadCount = 44;

    // Write requests.
    uint16_t CoilWriteStart = 0, CoilWriteCount = 0;
    uint16_t PresetStart = 0, PresetCount = 0;
    bool SingleCoilValue = false;
    uint16_t SingleRegisterValue = 0;

    bool SingleCoilArmed = false, SingleRegisterArmed = false, CoilsArmed = false,
         PresetArmed = false;
    bool SingleCoilFailed = false, SingleRegisterFailed = false, CoilsFailed = false,
         PresetFailed = false;
    bool CoilDataValid = false, InputStatusValid = false, InputRegistersValid = false,
         HoldingRegistersValid = false;
    bool RequestPending = false;

    // Transaction bookkeeping.
    uint16_t Remaining = 0;
    uint16_t LastStart = 0;
    uint16_t LastCount = 0;
    uint16_t ErrorLatch = 0;

    uint16_t InputRegisterTable[kRegisterTableSize] = {};
    uint16_t HoldingRegisterTable[kRegisterTableSize] = {};
    uint16_t PresetRegisterTable[kRegisterTableSize] = {};
    uint8_t CoilStatusTable[kStatusTableSize] = {};
    uint8_t InputStatusTable[kStatusTableSize] = {};
};

extern DbModbusState DB_Modbus;

// Every field and table to its default; TargetSlave from the Slave ID field.
void ResetMasterTables();

}  // namespace kestro
