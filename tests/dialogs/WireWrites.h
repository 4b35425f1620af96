#pragma once
// The 10h writes the master put on the line, read back from the bytes of the
// virtual port: what the analyzer was actually sent.

#include <cstdint>
#include <vector>

namespace kestro::test {

struct PresetWrite {
    uint16_t address = 0;  // wire address of the first register
    std::vector<uint16_t> values;
};

// Every 10h request among the master's frames, in order. The master sends
// only requests of functions 01h to 06h (eight bytes) and 0Fh and 10h (nine
// bytes and their data).
std::vector<PresetWrite> PresetWrites(const std::vector<uint8_t>& wire);

}  // namespace kestro::test
