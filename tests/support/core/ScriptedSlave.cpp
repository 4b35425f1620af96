#include "tests/support/core/ScriptedSlave.h"

#include "modbus/Crc.h"

namespace kestro::test {

namespace {

constexpr size_t kAddressSpace = 65536;

uint16_t wordAt(const std::vector<uint8_t>& frame, size_t index) {
    return uint16_t(frame[index] << 8 | frame[index + 1]);
}

void putWord(std::vector<uint8_t>& out, uint16_t w) {
    out.push_back(uint8_t(w >> 8));
    out.push_back(uint8_t(w & 0xFF));
}

std::vector<uint8_t> exceptionBody(uint8_t address, uint8_t function, int code) {
    return {address, uint8_t(function | 0x80), uint8_t(code)};
}

bool inRange(uint16_t start, uint16_t count, int maxCount) {
    return count >= 1 && count <= maxCount && size_t(start) + count <= kAddressSpace;
}

}  // namespace

Reply Reply::dropped() {
    Reply r;
    r.drop = true;
    return r;
}

Reply Reply::delayed(int ms) {
    Reply r;
    r.delayMs = ms;
    return r;
}

Reply Reply::split(int chunkBytes, int gapMs) {
    Reply r;
    r.chunkBytes = chunkBytes;
    r.gapMs = gapMs;
    return r;
}

Reply Reply::exceptionCode(int code) {
    Reply r;
    r.exception = code;
    return r;
}

Reply Reply::withFunction(int function) {
    Reply r;
    r.function = function;
    return r;
}

Reply Reply::fromAddress(int address) {
    Reply r;
    r.address = address;
    return r;
}

Reply Reply::edited(std::function<void(std::vector<uint8_t>&)> edit) {
    Reply r;
    r.edit = std::move(edit);
    return r;
}

Reply Reply::corrupted(int byteIndex) {
    Reply r;
    r.corruptByte = byteIndex;
    return r;
}

Reply Reply::garbage(std::vector<uint8_t> bytes) {
    Reply r;
    r.raw = std::move(bytes);
    return r;
}

Reply Reply::repeated(int afterMs) {
    Reply r;
    r.repeatAfterMs = afterMs;
    return r;
}

ScriptedSlave::ScriptedSlave(uint8_t address)
    : address(address),
      coils(kAddressSpace),
      discreteInputs(kAddressSpace),
      holdingRegisters(kAddressSpace),
      inputRegisters(kAddressSpace) {}

void ScriptedSlave::attach(VirtualPort& port, const VirtualClock& clock) {
    port.OnLineBytes = [this, &port, &clock](const std::vector<uint8_t>& frame) {
        receive(port, clock, frame);
    };
}

void ScriptedSlave::attachTo(VirtualPlatform& platform) {
    platform.OnPortCreated = [this, &platform](VirtualPort& port) { attach(port, platform.clock); };
}

Reply ScriptedSlave::nextReply(const SlaveRequest& request) {
    if (!script.empty()) {
        Reply r = std::move(script.front());
        script.pop_front();
        return r;
    }
    return chooser ? chooser(request) : standing;
}

void ScriptedSlave::receive(VirtualPort& port, const VirtualClock& clock,
                            const std::vector<uint8_t>& frame) {
    InitCrcTable();
    if (frame.size() < 8 || !CrcCheck(frame.data(), int(frame.size())) || frame[0] != address)
        return;
    SlaveRequest request;
    request.address = frame[0];
    request.function = frame[1];
    request.start = wordAt(frame, 2);
    request.count = wordAt(frame, 4);
    request.frame = frame;
    request.atUs = clock.nowUs();
    ++requestCount;
    if (onRequest)
        onRequest(request);
    if (logRequests)
        requests.push_back(request);

    const Reply reply = nextReply(request);
    if (reply.drop)
        return;
    std::vector<uint8_t> body = reply.exception != 0
                                    ? exceptionBody(address, request.function, reply.exception)
                                    : serve(request);
    if (reply.function >= 0)
        body[1] = uint8_t(reply.function);
    if (reply.address >= 0)
        body[0] = uint8_t(reply.address);
    if (reply.edit)
        reply.edit(body);
    std::vector<uint8_t> answer = WithCrc(body);
    if (reply.corruptByte >= 0 && size_t(reply.corruptByte) < answer.size())
        answer[size_t(reply.corruptByte)] ^= 0xFF;
    if (!reply.raw.empty())
        answer = reply.raw;
    port.sendToMaster(answer, reply.delayMs, reply.chunkBytes, reply.gapMs);
    if (reply.repeatAfterMs < 0)
        return;
    // The line stays busy until the first copy is through.
    const int64_t lineMs = (int64_t(answer.size()) * port.charTimeUs() + 999) / 1000;
    port.sendToMaster(answer, reply.delayMs + int(lineMs) + reply.repeatAfterMs, reply.chunkBytes,
                      reply.gapMs);
}

std::vector<uint8_t> ScriptedSlave::serve(const SlaveRequest& r) {
    const std::vector<uint8_t>& frame = r.frame;
    std::vector<uint8_t> body = {address, r.function};
    switch (r.function) {
        case 0x01:
        case 0x02: {
            if (!inRange(r.start, r.count, 2000))
                return exceptionBody(address, r.function, 2);
            const std::vector<uint8_t>& image = r.function == 0x01 ? coils : discreteInputs;
            const int bytes = (r.count + 7) / 8;
            body.push_back(uint8_t(bytes));
            for (int i = 0; i < bytes; ++i) {
                uint8_t b = 0;
                for (int bit = 0; bit < 8 && 8 * i + bit < r.count; ++bit)
                    if (image[r.start + 8 * i + bit])
                        b |= uint8_t(1u << bit);
                body.push_back(b);
            }
            return body;
        }
        case 0x03:
        case 0x04: {
            if (!inRange(r.start, r.count, 125))
                return exceptionBody(address, r.function, 2);
            const std::vector<uint16_t>& image =
                r.function == 0x03 ? holdingRegisters : inputRegisters;
            body.push_back(uint8_t(2 * r.count));
            for (int i = 0; i < r.count; ++i)
                putWord(body, image[r.start + i]);
            return body;
        }
        case 0x05:
            if (r.count != 0xFF00 && r.count != 0x0000)
                return exceptionBody(address, r.function, 3);
            coils[r.start] = r.count == 0xFF00;
            return {frame.begin(), frame.begin() + 6};
        case 0x06:
            holdingRegisters[r.start] = r.count;
            return {frame.begin(), frame.begin() + 6};
        case 0x0F: {
            const size_t bytes = (r.count + 7) / 8;
            if (!inRange(r.start, r.count, 1968) || frame[6] != bytes || frame.size() != 9 + bytes)
                return exceptionBody(address, r.function, 3);
            for (int i = 0; i < r.count; ++i)
                coils[r.start + i] = (frame[7 + i / 8] >> (i % 8)) & 1;
            return {frame.begin(), frame.begin() + 6};
        }
        case 0x10: {
            const size_t bytes = 2 * size_t(r.count);
            if (!inRange(r.start, r.count, 123) || frame[6] != bytes || frame.size() != 9 + bytes)
                return exceptionBody(address, r.function, 3);
            for (int i = 0; i < r.count; ++i)
                holdingRegisters[r.start + i] = wordAt(frame, 7 + 2 * i);
            return {frame.begin(), frame.begin() + 6};
        }
        default:
            return exceptionBody(address, r.function, 1);
    }
}

}  // namespace kestro::test
