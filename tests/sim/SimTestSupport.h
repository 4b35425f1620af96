#pragma once
// Small builders shared by the simulator's tests.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "sim/model/Encoding.h"
#include "sim/model/Pdu.h"

namespace kestro::sim::test {

inline Request readRequest(uint8_t function, uint16_t address, uint16_t count) {
    Request r;
    r.function = function;
    r.address = address;
    r.count = count;
    return r;
}

inline Request writeRequest(uint16_t address, std::vector<uint16_t> values) {
    Request r;
    r.function = kFnPresetMultiple;
    r.address = address;
    r.count = uint16_t(values.size());
    r.values = std::move(values);
    return r;
}

// Appends F32 values in normal word order.
inline void appendFloats(std::vector<uint16_t>& regs, std::initializer_list<float> values) {
    for (float v : values) {
        uint16_t pair[2];
        putFloat(pair, v, false);
        regs.push_back(pair[0]);
        regs.push_back(pair[1]);
    }
}

// A valid configuration block: 27081, baud, slave ID, twelve full scales.
inline std::vector<uint16_t> configurationBlock(uint16_t baud, uint16_t slave, float inpI = 5,
                                                float engI = 5) {
    std::vector<uint16_t> regs = {27081, baud, slave};
    appendFloats(regs, {inpI, inpI, inpI, 500, 500, 500, engI, engI, engI, 500, 500, 500});
    return regs;
}

// An F32 of the input image, stored low half first.
inline float swappedFloat(const uint16_t* regs) {
    return bitsFloat(uint32_t(regs[1]) << 16 | regs[0]);
}

}  // namespace kestro::sim::test
