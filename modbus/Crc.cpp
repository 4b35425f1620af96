#include "modbus/Crc.h"

namespace kestro {

uint16_t CrcTable[256];

void InitCrcTable() {
    for (int i = 0; i < 256; ++i) {
        uint16_t crc = 0;
        uint16_t c = uint16_t(i);
        for (int bit = 0; bit < 8; ++bit) {
            crc = ((c ^ crc) & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
            c >>= 1;
        }
        CrcTable[i] = uint16_t((crc << 8) | (crc >> 8));
    }
}

uint16_t CrcUpdate(uint16_t crc, uint8_t b) {
    return uint16_t(CrcTable[(crc >> 8) ^ b] ^ (crc << 8));
}

bool CrcCheck(const uint8_t* buffer, int n) {
    uint16_t crc = 0xFFFF;
    for (int i = 0; i < n; ++i)
        crc = CrcUpdate(crc, buffer[i]);
    return crc == 0;
}

std::vector<uint8_t> WithCrc(std::vector<uint8_t> frame) {
    if (CrcTable[1] == 0)  // not built yet
        InitCrcTable();
    uint16_t crc = 0xFFFF;
    for (uint8_t b : frame)
        crc = CrcUpdate(crc, b);
    frame.push_back(uint8_t(crc >> 8));
    frame.push_back(uint8_t(crc & 0xFF));
    return frame;
}

}  // namespace kestro
