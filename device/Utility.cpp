#include "device/Utility.h"

#include <cstring>

#include "device/RegisterMap.h"
#include "platform/core/NumberFormat.h"

namespace kestro {

uint16_t SetBit(uint16_t word, int bit) {
    return uint16_t(word | (1u << bit));
}
bool TestBit(uint16_t word, int bit) {
    return (word >> bit) & 1u;
}

uint16_t RegWord(const uint16_t* table, int index) {
    return table[index];
}

float RegFloat(const uint16_t* table, int index, bool swap) {
    const uint32_t first = table[index];
    const uint32_t second = table[index + 1];
    const uint32_t bits = swap ? (second << 16) | first : (first << 16) | second;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void FloatToRegs(uint16_t* table, int index, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    table[index] = uint16_t(bits >> 16);
    table[index + 1] = uint16_t(bits & 0xFFFF);
}

namespace {

// One character as a decimal digit, failing as the run-time's integer
// conversion does.
uint8_t digit(const std::string& text, std::size_t at) {
    const char c = at < text.size() ? text[at] : '\0';
    if (c < '0' || c > '9') {
        const std::string shown = at < text.size() ? std::string(1, c) : std::string();
        throw EConvertError("'" + shown + "' is not a valid integer value");
    }
    return uint8_t(c - '0');
}

}  // namespace

uint8_t BcdByte(const std::string& text) {
    return uint8_t(digit(text, 0) * 16 + digit(text, 1));
}

std::string FirmwareText(const uint16_t* table) {
    std::string text;
    text.reserve(2 * regmap::kFirmwareRegisters);
    for (int i = 0; i < regmap::kFirmwareRegisters; ++i) {
        const uint16_t reg = table[regmap::kHoldFirmware + i];
        text += char(reg & 0xFF);
        text += char(reg >> 8);
    }
    return text;
}

}  // namespace kestro
