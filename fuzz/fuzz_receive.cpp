// Arbitrary bytes, in arbitrary pieces and gaps, through the receive path of
// the real engine on a virtual port: data-available events, the end-of-frame
// trigger and ProcessResponse, for whichever function is in progress, with
// the poll timer driving the scan as in the program.
//
// Input: byte 0 picks the function (bits 0-2) and flags (bit 3 arms a coil
// write during a coil read, bit 4 a preset during a holding read, bit 5 is
// the single coil value); bytes 1-2 the point count, low byte first. Then
// pieces: a length byte, a gap byte (ms of silence before the piece), and
// that many bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "modbus/Crc.h"
#include "modbus/Driver_Modbus.h"
#include "platform/virtual/VirtualPlatform.h"

using namespace kestro;

namespace {

const uint8_t kFunctions[8] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x0F, 0x10};
const uint16_t kZeros[kRegisterTableSize] = {};

void check(bool ok) {
    if (!ok)
        std::abort();
}

bool zeroFrom(const uint8_t* table, int size, int from) {
    for (int i = from; i < size; ++i) {
        if (table[i] != 0)
            return false;
    }
    return true;
}

bool zeroFrom(const uint16_t* table, int from) {
    for (int i = from; i < kRegisterTableSize; ++i) {
        if (table[i] != 0)
            return false;
    }
    return true;
}

// Opens the function with `count` points; the standing 04h window is closed
// unless 04h is the one fuzzed.
void open(uint8_t function, uint8_t flags, uint16_t count) {
    DbModbusState& db = DB_Modbus;
    db.InputReadCount = 0;
    switch (function) {
        case 0x01:
            db.CoilReadCount = count;
            db.CoilsArmed = flags & 0x08;
            db.CoilWriteStart = 1;
            db.CoilWriteCount = 8;
            break;
        case 0x02:
            db.InputStatusReadCount = count;
            break;
        case 0x03:
            OpenHoldingRead(1, count);
            if (flags & 0x10)
                PostPresetWrite(1, 1, kZeros);
            break;
        case 0x04:
            db.InputReadCount = count;
            break;
        case 0x05:
            db.CoilWriteStart = count;
            db.SingleCoilValue = flags & 0x20;
            db.SingleCoilArmed = true;
            break;
        case 0x06:
            db.PresetStart = count;
            db.SingleRegisterValue = count;
            db.SingleRegisterArmed = true;
            break;
        case 0x0F:
            db.CoilWriteStart = 1;
            db.CoilWriteCount = count;
            db.CoilsArmed = true;
            break;
        default:
            PostPresetWrite(1, count, kZeros);
            db.RequestPending = true;
            break;
    }
}

// Reads store only into their own table, inside the window; writes store
// nothing. A window larger than its table is refused, so stores still end
// at the table's last entry.
void checkStores(uint8_t function, uint16_t count) {
    const DbModbusState& db = DB_Modbus;
    const int points = function == 0x01 || function == 0x02 ? count : 0;
    const int statusBytes = 2 * ((points + 7) / 8);
    const int registers = function == 0x03 || function == 0x04 ? count : 0;
    check(zeroFrom(db.CoilStatusTable, kStatusTableSize, function == 0x01 ? statusBytes : 0));
    check(zeroFrom(db.InputStatusTable, kStatusTableSize, function == 0x02 ? statusBytes : 0));
    check(zeroFrom(db.HoldingRegisterTable, function == 0x03 ? registers : 0));
    check(zeroFrom(db.InputRegisterTable, function == 0x04 ? registers : 0));
    check(zeroFrom(db.PresetRegisterTable, 0));
    check(Ports.RxCount >= 0 && Ports.RxCount <= kMaxFrame);
}

void feed(VirtualPlatform& platform, const uint8_t* data, size_t size) {
    VirtualPort& port = *platform.port;
    size_t at = 0;
    while (at + 2 <= size) {
        const size_t length = data[at];
        const int gapMs = data[at + 1];
        at += 2;
        const size_t end = at + length < size ? at + length : size;
        const std::vector<uint8_t> piece(data + at, data + end);
        at = end;
        if (!piece.empty())
            port.sendToMaster(piece, gapMs, int(piece.size()));
        platform.clock.advanceUs(gapMs * 1000 + int64_t(piece.size()) * port.charTimeUs());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const uint8_t function = kFunctions[data[0] & 7];
    const bool bits = function == 0x01 || function == 0x02 || function == 0x0F;
    const uint16_t count = uint16_t((data[1] | data[2] << 8) % (bits ? 3300 : 520));

    VirtualPlatform platform;
    Host = LinkHost{};
    Host.platform = &platform;
    InitCrcTable();
    ResetLinkState();
    ResetMasterTables();
    OpenPort(1);
    check(Ports.PortOpen);
    open(function, data[0], count);
    std::unique_ptr<WindowTimer> pollTimer = platform.createTimer();
    pollTimer->setInterval(100);
    pollTimer->OnTimer = PollTick;
    pollTimer->setEnabled(true);
    // The bytes come while the function's request is out (a refused or
    // closed window sends nothing; then they come to an idle master).
    platform.clock.runUntil([] { return Ports.AwaitingResponse; }, 3000);

    feed(platform, data + 3, size - 3);
    // The end-of-frame silence and the poll tick that handles the frame.
    platform.clock.advanceMs(300);
    checkStores(function, count);

    // Without the poll timer every transaction ends by its time-out.
    pollTimer->setEnabled(false);
    platform.clock.advanceMs(3000);
    check(!Ports.AwaitingResponse);
    checkStores(function, count);

    ClosePort();
    Host = LinkHost{};
    return 0;
}
