#pragma once
// A MODBUS RTU slave for tests, on the slave side of a VirtualPort. It
// answers the master's eight function codes (01h-06h, 0Fh, 10h) from its own
// images of coils, discrete inputs, holding and input registers, and can be
// told, answer by answer, to misbehave.
//
//   ScriptedSlave slave;               // address 1, every image zero
//   slave.attachTo(platform);          // serves every port the program opens
//   slave.inputRegisters[0] = 2300;    // register address 0 (number 1)
//   slave.script.push_back(Reply::dropped());      // the next request: no answer
//   slave.script.push_back(Reply::exception(2));   // the one after: exception 2
//
// Requests are served in order: the front of `script` if it is not empty,
// otherwise `chooser` if set, otherwise `standing` (a prompt, correct answer
// unless changed). Writes change the images when they are received, unless
// the reply is dropped or an exception. A request with a bad CRC or for
// another address gets no answer and uses no reply.
//
// The slave must outlive the ports it is attached to.

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "platform/virtual/VirtualPlatform.h"

namespace kestro::test {

// How one answer goes wrong (or not). The faults combine: the body is built,
// then turned into an exception, given another function or address and
// edited; the CRC is added; then a byte is corrupted; `raw` replaces it all.
struct Reply {
    bool drop = false;    // the request is lost: no answer, nothing applied
    int delayMs = 0;      // silence before the answer starts
    int chunkBytes = 16;  // the answer reaches the master in chunks this size
    int gapMs = 0;        // extra silence between chunks
    int exception = 0;    // answer with this exception code instead
    int function = -1;    // send this function code instead of the request's
    int address = -1;     // answer as this slave address
    std::function<void(std::vector<uint8_t>&)> edit;  // changes the body before the CRC
    int corruptByte = -1;      // index of a byte flipped after the CRC was added
    std::vector<uint8_t> raw;  // sent as it is instead of an answer
    int repeatAfterMs = -1;    // the whole answer again, after this much silence

    static Reply prompt() { return {}; }
    static Reply dropped();
    static Reply delayed(int ms);
    static Reply split(int chunkBytes, int gapMs);
    static Reply exceptionCode(int code);
    static Reply withFunction(int function);
    static Reply fromAddress(int address);
    static Reply edited(std::function<void(std::vector<uint8_t>&)> edit);
    static Reply corrupted(int byteIndex);
    static Reply garbage(std::vector<uint8_t> bytes);
    static Reply repeated(int afterMs);
};

// One request as the slave received it. `start` is the wire address
// (0-based); `count` is the point count or, for 05h and 06h, the value.
struct SlaveRequest {
    uint8_t address = 0;
    uint8_t function = 0;
    uint16_t start = 0;
    uint16_t count = 0;
    std::vector<uint8_t> frame;
    int64_t atUs = 0;  // virtual time the last byte was on the line
};

class ScriptedSlave {
  public:
    explicit ScriptedSlave(uint8_t address = 1);

    // Serves the port; request times are read from the clock.
    void attach(VirtualPort& port, const VirtualClock& clock);
    // Attaches to every port the platform creates from now on.
    void attachTo(VirtualPlatform& platform);

    uint8_t address;
    std::vector<uint8_t> coils;              // 65536 entries, 0 or 1
    std::vector<uint8_t> discreteInputs;     // 65536 entries, 0 or 1
    std::vector<uint16_t> holdingRegisters;  // 65536 entries
    std::vector<uint16_t> inputRegisters;    // 65536 entries

    std::deque<Reply> script;
    std::function<Reply(const SlaveRequest&)> chooser;
    Reply standing;

    // Well-formed requests for this address, oldest first (when logging).
    std::vector<SlaveRequest> requests;
    bool logRequests = true;
    uint64_t requestCount = 0;
    // Called for each of them before it is answered.
    std::function<void(const SlaveRequest&)> onRequest;

  private:
    void receive(VirtualPort& port, const VirtualClock& clock, const std::vector<uint8_t>& frame);
    Reply nextReply(const SlaveRequest& request);
    // The correct answer's body (no CRC), applying a write; exception codes
    // as a slave would give them.
    std::vector<uint8_t> serve(const SlaveRequest& request);
};

}  // namespace kestro::test
