#pragma once
// Unit Utility: the analyzer's register value encodings. A register table is
// passed as a whole array of 16-bit entries with an index; the caller keeps
// index and index + 1 inside the array.

#include <cstdint>
#include <string>

namespace kestro {

uint16_t SetBit(uint16_t word, int bit);
bool TestBit(uint16_t word, int bit);

uint16_t RegWord(const uint16_t* table, int index);

// The IEEE single at table[index], table[index + 1]: the lower address holds
// bits 31..16, or bits 15..0 when `swap` is set. Not checked: NaN and
// infinity patterns come back as they are.
float RegFloat(const uint16_t* table, int index, bool swap);

// Writes `value` in normal word order: bits 31..16 at table[index].
void FloatToRegs(uint16_t* table, int index, float value);

// Two decimal digits as one BCD byte ("59" is 59h); characters after the
// second are ignored. A character that is not a digit, or a text shorter
// than two characters, throws EConvertError.
uint8_t BcdByte(const std::string& text);

// The firmware version text of the holding registers 27 to 52: the low byte
// of each register first, every byte kept (zeros too), 52 characters.
std::string FirmwareText(const uint16_t* table);

}  // namespace kestro
