#pragma once
// Register encodings as the analyzer uses them: F32 in two registers (normal
// order: high half at the lower address), BCD bytes and two-character text.

#include <cstdint>
#include <cstring>
#include <string>

namespace kestro::sim {

inline uint32_t floatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float bitsFloat(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Writes `value` at regs[0] and regs[1]; swapped puts bits 15..0 first.
inline void putFloat(uint16_t* regs, float value, bool swapped) {
    const uint32_t bits = floatBits(value);
    const uint16_t high = uint16_t(bits >> 16), low = uint16_t(bits & 0xFFFF);
    regs[0] = swapped ? low : high;
    regs[1] = swapped ? high : low;
}

// Reads a normal-order F32 from regs[0] and regs[1].
inline float getFloat(const uint16_t* regs) {
    return bitsFloat(uint32_t(regs[0]) << 16 | regs[1]);
}

inline uint8_t toBcd(int value) {
    return uint8_t((value / 10) << 4 | (value % 10));
}

// The decimal value of a BCD byte, or -1 when a nibble is not a digit.
inline int fromBcd(uint8_t bcd) {
    const int tens = bcd >> 4, ones = bcd & 0x0F;
    return tens > 9 || ones > 9 ? -1 : tens * 10 + ones;
}

// Two characters a register, the first in the low byte; `text` is cut or
// padded with spaces to fill `count` registers.
inline void putText(uint16_t* regs, int count, const std::string& text) {
    for (int i = 0; i < count; ++i) {
        auto at = [&](size_t pos) { return uint8_t(pos < text.size() ? text[pos] : ' '); };
        regs[i] = uint16_t(at(2 * i + 1) << 8 | at(2 * i));
    }
}

}  // namespace kestro::sim
