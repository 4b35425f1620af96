#pragma once
// CRC-16/MODBUS, kept in byte-swapped form: the register's high byte is the
// low byte of the standard CRC, so appending it high byte first puts the CRC
// on the wire low byte first.

#include <cstdint>
#include <vector>

namespace kestro {

extern uint16_t CrcTable[256];

void InitCrcTable();
uint16_t CrcUpdate(uint16_t crc, uint8_t b);
// True when the n bytes, CRC included, check out. An empty buffer fails.
bool CrcCheck(const uint8_t* buffer, int n);
// The frame followed by its CRC, low byte first on the wire: what the other
// end of the line sends (the simulated analyzer, the tests' slaves).
std::vector<uint8_t> WithCrc(std::vector<uint8_t> frame);

}  // namespace kestro
