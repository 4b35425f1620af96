// The transmit state machine: one step per poll tick through the eight
// functions, skipping those with nothing to do and splitting windows that are
// larger than one request may carry.
#include <algorithm>
#include <iterator>
#include <string>

#include "modbus/Driver_Modbus.h"
#include "modbus/ProtocolCodes.h"

namespace kestro {

namespace {

constexpr int kMaxBitsPerRequest = 960;
constexpr int kMaxRegistersPerRequest = 120;
constexpr int kAddressSpace = 65536;

std::string params(int sa, int nop) {
    return " Params <SA:" + std::to_string(sa) + "> <NOP:" + std::to_string(nop) + ">";
}

uint8_t targetSlave() {
    return uint8_t(DB_Modbus.TargetSlave & 0xFF);
}

// The functions in the order of a scan; state 0 starts and follows it.
constexpr int kScanOrder[] = {1, 2, 3, 4, 5, 6, 15, 16};

bool isFunctionState(int state) {
    return std::find(std::begin(kScanOrder), std::end(kScanOrder), state) != std::end(kScanOrder);
}

int nextState(int state) {
    const int* at = std::find(std::begin(kScanOrder), std::end(kScanOrder), state);
    return at == std::end(kScanOrder) || at + 1 == std::end(kScanOrder) ? 0 : at[1];
}

// A read window or a multiple write, and how its addresses map onto a table:
// a read stores address a at index a - start, a write takes address a from
// index a - 1.
struct Block {
    uint8_t function;
    const char* name;   // as in "Query <name> refused..."
    const char* table;  // the table the block maps onto
    int start;
    int count;
    int firstIndex;  // table index of `start`
    int capacity;    // entries (registers or points) of the table
    int cap;         // points per request
};

bool blockFits(const Block& b) {
    return b.start >= 1 && b.start + b.count - 1 <= kAddressSpace && b.firstIndex >= 0 &&
           b.firstIndex + b.count <= b.capacity;
}

// Fails what was asked of a block that cannot be served, so that nobody
// waits for it: a read loses its valid flag, a write is disarmed and failed.
void refuse(const Block& b, const std::string& why) {
    SetStatus(std::string("Query <") + b.name + "> refused." + why, kErrorStatus);
    Ports.StepDone = true;
    FailRequest(b.function);
}

std::string queryText(uint8_t function, int first, int n) {
    switch (function) {
        case kReadCoilStatus:
            return "Query <read coil status> issued..." + params(first, n);
        case kReadInputStatus:
            return "Query <read input status> issued..." + params(first, n);
        case kReadHoldingRegisters:
            return "Query <03h> issued...";
        case kReadInputRegisters:
            return "Query <04h> issued...";
        case kForceSingleCoil:
            return "Query <force single coil> issued..." + params(first, n);
        case kPresetSingleRegister:
            return "Query <preset single register> issued..." + params(first, n);
        case kForceMultipleCoils:
            return "Query <force multiple coils> issued..." + params(first, n);
        default:
            return "Query <10h> issued...";
    }
}

// Puts the data of a write chunk into StagingBuffer; returns its byte count.
int stageWriteData(uint8_t function, int first, int n) {
    uint8_t* out = Driver_Modbus.StagingBuffer;
    if (function == kForceMultipleCoils)
        return PackCoils(uint16_t(first), uint16_t(n), out);
    if (function != kPresetMultipleRegisters)
        return 0;
    for (int i = 0; i < n; ++i) {
        const uint16_t value = DB_Modbus.PresetRegisterTable[first - 1 + i];
        out[2 * i] = uint8_t(value >> 8);
        out[2 * i + 1] = uint8_t(value & 0xFF);
    }
    return 2 * n;
}

// On a two-wire line a request sent while a slave is still answering (a
// late answer after its time-out) collides with it: bytes that arrived
// without the end-of-frame silence after them mean the line is in use.
bool lineInUse() {
    return Ports.RxCount > 0 && !Ports.EndOfFrame.Fired;
}

// Poll ticks the next request has waited for a quiet line. The wait is
// bounded by more than the longest frame the receive buffer holds (1024
// bytes, 1.1 s at 9600 baud), so that a line that never falls silent cannot
// stop the scan, nor a command that waits for its write.
int quietLineWait = 0;
constexpr int kMaxQuietLineWaitTicks = 15;

// True while the request is to wait for the line to fall silent.
bool awaitQuietLine() {
    if (!lineInUse() || quietLineWait >= kMaxQuietLineWaitTicks) {
        quietLineWait = 0;
        return false;
    }
    ++quietLineWait;
    return true;
}

// Builder of a chunked state: waits while an answer is awaited, skips the
// state when it has nothing to send, waits for the poll delay and a quiet
// line, then sends the next chunk. Remaining counts the points still to
// request; the chunk must lie inside its block, which the requester may have
// changed while the state was running.
void buildChunk(const Block& b, bool gate) {
    if (Ports.AwaitingResponse)
        return;
    // With nothing left to request the block was opened after this state
    // had begun; the next pass serves it.
    if (!gate || DB_Modbus.Remaining == 0) {
        Ports.StepDone = true;
        return;
    }
    if (!Ports.PollDelay.Fired || awaitQuietLine())
        return;
    const int n = std::min<int>(DB_Modbus.Remaining, b.cap);
    const int first = b.start + b.count - DB_Modbus.Remaining;
    if (!blockFits(b)) {
        refuse(b, params(b.start, b.count) + " do not fit the " + b.table + ".");
        return;
    }
    if (DB_Modbus.Remaining > b.count) {
        refuse(b, params(b.start, b.count) + " changed while being served.");
        return;
    }
    DB_Modbus.Remaining = uint16_t(DB_Modbus.Remaining - n);
    const int byteCount = stageWriteData(b.function, first, n);
    BuildRequest(targetSlave(), b.function, uint16_t(first), Driver_Modbus.StagingBuffer, byteCount,
                 uint16_t(n));
    ShowQueryStatus(queryText(b.function, first, n));
}

// Builder of 05h and 06h; a single write counts as one point of its kind.
void buildSingleWriteState(uint8_t function, bool gate, uint16_t& count, uint16_t address,
                           uint16_t value) {
    if (Ports.AwaitingResponse)
        return;
    if (!gate) {
        Ports.StepDone = true;
        return;
    }
    if (!Ports.PollDelay.Fired || awaitQuietLine())
        return;
    count = 1;
    BuildSingleWrite(targetSlave(), function, address, value);
    ShowQueryStatus(queryText(function, address, 1));
}

void runBuilder(int state) {
    DbModbusState& db = DB_Modbus;
    switch (state) {
        case kReadCoilStatus:
            buildChunk({kReadCoilStatus, "read coil status", "coil status table", db.CoilReadStart,
                        db.CoilReadCount, 0, kStatusTablePoints, kMaxBitsPerRequest},
                       db.CoilReadCount != 0);
            break;
        case kReadInputStatus:
            buildChunk({kReadInputStatus, "read input status", "input status table",
                        db.InputStatusReadStart, db.InputStatusReadCount, 0, kStatusTablePoints,
                        kMaxBitsPerRequest},
                       db.InputStatusReadCount != 0);
            break;
        case kReadHoldingRegisters:
            buildChunk({kReadHoldingRegisters, "read holding registers", "holding register table",
                        db.HoldingReadStart, db.HoldingReadCount, 0, kRegisterTableSize,
                        kMaxRegistersPerRequest},
                       db.HoldingReadCount != 0);
            break;
        case kReadInputRegisters:
            buildChunk({kReadInputRegisters, "read input registers", "input register table",
                        db.InputReadStart, db.InputReadCount, 0, kRegisterTableSize,
                        kMaxRegistersPerRequest},
                       db.InputReadCount != 0);
            break;
        case kForceSingleCoil:
            buildSingleWriteState(kForceSingleCoil, db.SingleCoilArmed, db.CoilWriteCount,
                                  db.CoilWriteStart, db.SingleCoilValue ? 0xFF00 : 0x0000);
            break;
        case kPresetSingleRegister:
            buildSingleWriteState(kPresetSingleRegister, db.SingleRegisterArmed, db.PresetCount,
                                  db.PresetStart, db.SingleRegisterValue);
            break;
        case kForceMultipleCoils:
            buildChunk({kForceMultipleCoils, "force multiple coils", "coil status table",
                        db.CoilWriteStart, db.CoilWriteCount, db.CoilWriteStart - 1,
                        kStatusTablePoints, kMaxBitsPerRequest},
                       db.CoilWriteCount != 0 && db.CoilsArmed);
            break;
        case kPresetMultipleRegisters:
            buildChunk({kPresetMultipleRegisters, "preset multiple registers",
                        "preset register table", db.PresetStart, db.PresetCount, db.PresetStart - 1,
                        kRegisterTableSize, kMaxRegistersPerRequest},
                       db.PresetCount != 0 && db.PresetArmed);
            break;
        default:
            break;
    }
}

// The state that follows when the current one ends: a requested jump wins.
int followingState(int next) {
    if (!Ports.JumpRequest)
        return next;
    Ports.JumpRequest = false;
    return Ports.JumpState;
}

void enterState(int state) {
    Ports.TxState = state;
    Ports.StepDone = false;
    LoadRemaining();
    ArmPollDelay();
}

// Shared by both builders once BeginFrame has accepted the frame.
void finishRequest(uint8_t function, uint16_t first, uint16_t n) {
    SendFrame();
    DB_Modbus.LastStart = first;
    DB_Modbus.LastCount = n;
    Ports.LastFunction = function;
}

}  // namespace

void PollTick() {
    if (!Ports.PortOpen)
        return;
    TxStep();
    if (!Ports.FrameReceived)
        return;
    ProcessResponse();
    Ports.FrameReceived = false;
    if (Host.refreshIfValid)
        Host.refreshIfValid();
}

void TxStep() {
    const int state = Ports.TxState;
    if (state == 0) {
        enterState(followingState(1));
        return;
    }
    if (!isFunctionState(state)) {
        ErrorHook(kInvalidTxStateError);
        ShowQueryStatus("Fatal error. Invalid Tx state.");
        // Reported once; the scan starts over instead of stalling here.
        enterState(0);
        return;
    }
    if (!Ports.StepDone) {
        runBuilder(state);
        return;
    }
    enterState(followingState(nextState(state)));
}

void LoadRemaining() {
    switch (Ports.TxState) {
        case kReadCoilStatus:
            DB_Modbus.Remaining = DB_Modbus.CoilReadCount;
            break;
        case kReadInputStatus:
            DB_Modbus.Remaining = DB_Modbus.InputStatusReadCount;
            break;
        case kReadHoldingRegisters:
            DB_Modbus.Remaining = DB_Modbus.HoldingReadCount;
            break;
        case kReadInputRegisters:
            DB_Modbus.Remaining = DB_Modbus.InputReadCount;
            break;
        case kForceMultipleCoils:
            DB_Modbus.Remaining = DB_Modbus.CoilWriteCount;
            break;
        case kPresetMultipleRegisters:
            DB_Modbus.Remaining = DB_Modbus.PresetCount;
            break;
        default:
            break;
    }
}

void BuildRequest(uint8_t slave, uint8_t function, uint16_t firstAddress, const uint8_t* data,
                  int byteCount, uint16_t n) {
    if (!Ports.PortOpen) {
        Ports.StepDone = true;
        return;
    }
    if (!BeginFrame(slave, function))
        return;
    ComputeTimeouts(function, n);
    PutWord(uint16_t(firstAddress - 1));
    PutWord(n);
    if (byteCount != 0) {
        PutByte(uint8_t(byteCount));
        PutBytes(data, byteCount);
    }
    finishRequest(function, firstAddress, n);
}

void BuildSingleWrite(uint8_t slave, uint8_t function, uint16_t address, uint16_t value) {
    if (!Ports.PortOpen) {
        Ports.StepDone = true;
        return;
    }
    if (!BeginFrame(slave, function))
        return;
    ComputeTimeouts(function, 1);
    PutWord(uint16_t(address - 1));
    PutWord(value);
    finishRequest(function, address, 1);
}

// The builder has made sure that the coils lie in the table.
int PackCoils(uint16_t first, uint16_t n, uint8_t* out) {
    const int byteCount = (n + 7) / 8;
    std::fill(out, out + byteCount, uint8_t(0));
    for (int i = 0; i < n; ++i) {
        if (StatusPoint(DB_Modbus.CoilStatusTable, first - 1 + i))
            out[i / 8] |= uint8_t(1u << (i % 8));
    }
    return byteCount;
}

}  // namespace kestro
