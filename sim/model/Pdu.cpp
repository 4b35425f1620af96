#include "sim/model/Pdu.h"

namespace kestro::sim {

namespace {

uint16_t word(const uint8_t* p) {
    return uint16_t(p[0] << 8 | p[1]);
}

void putWord(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value & 0xFF));
}

}  // namespace

Request parseRequest(const uint8_t* pdu, size_t length) {
    Request r;
    if (length == 0) {
        r.wellFormed = false;
        return r;
    }
    r.function = pdu[0];
    if (r.function != kFnReadHolding && r.function != kFnReadInput &&
        r.function != kFnPresetMultiple)
        return r;
    if (length < 5) {
        r.wellFormed = false;
        return r;
    }
    r.address = word(pdu + 1);
    r.count = word(pdu + 3);
    if (r.function != kFnPresetMultiple) {
        r.wellFormed = length == 5;
        return r;
    }
    const size_t byteCount = length > 5 ? pdu[5] : 0;
    r.wellFormed = length > 5 && length == 6 + byteCount && byteCount == 2u * r.count;
    if (!r.wellFormed)
        return r;
    for (uint16_t i = 0; i < r.count; ++i)
        r.values.push_back(word(pdu + 6 + 2 * i));
    return r;
}

std::vector<uint8_t> responsePdu(const Request& request, const Reply& reply) {
    std::vector<uint8_t> out;
    if (reply.exception != 0) {
        out = {uint8_t(request.function | 0x80), reply.exception};
        return out;
    }
    out.push_back(request.function);
    if (request.function == kFnPresetMultiple) {
        putWord(out, request.address);
        putWord(out, request.count);
        return out;
    }
    out.push_back(uint8_t(2 * reply.registers.size()));
    for (uint16_t value : reply.registers)
        putWord(out, value);
    return out;
}

}  // namespace kestro::sim
