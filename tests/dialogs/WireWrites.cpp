#include "tests/dialogs/WireWrites.h"

#include <cstddef>

namespace kestro::test {

std::vector<PresetWrite> PresetWrites(const std::vector<uint8_t>& wire) {
    std::vector<PresetWrite> writes;
    size_t at = 0;
    while (at + 8 <= wire.size()) {
        const uint8_t function = wire[at + 1];
        const bool block = function == 0x0F || function == 0x10;
        const size_t length = block ? 9 + wire[at + 6] : 8;
        if (at + length > wire.size())
            break;
        if (function == 0x10) {
            PresetWrite write;
            write.address = uint16_t(wire[at + 2] << 8 | wire[at + 3]);
            for (size_t i = at + 7; i + 1 < at + 7 + wire[at + 6]; i += 2)
                write.values.push_back(uint16_t(wire[i] << 8 | wire[i + 1]));
            writes.push_back(write);
        }
        at += length;
    }
    return writes;
}

}  // namespace kestro::test
