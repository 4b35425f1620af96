// Checking a received frame against the request in progress, storing its
// data and reporting the outcome on the status line.
#include <algorithm>
#include <cstring>

#include "modbus/Crc.h"
#include "modbus/Driver_Modbus.h"
#include "modbus/ProtocolCodes.h"

namespace kestro {

namespace {

enum class Verdict { Valid, Invalid, NotLookedAt };

struct Handler {
    uint8_t function;
    const char* validText;
    const char* invalidText;
    Verdict (*check)();  // checks the frame and stores its data
    void (*onValid)();
    void (*onInvalid)();
    void (*always)();
};

constexpr uint16_t kNoResponseBit = 1u << 0;
constexpr uint16_t kInvalidResponseBit = 1u << 1;
constexpr uint16_t kExceptionBits = 0x7Cu;  // kinds 2 to 6

uint16_t wordAt(int index) {
    return uint16_t(Ports.RxBuffer[index] << 8 | Ports.RxBuffer[index + 1]);
}

// A 01h to 04h answer is address, function, byte count, data and CRC, and
// must carry exactly the bytes that the request asked for.
bool carriesDataBytes(int dataBytes) {
    return Ports.RxCount >= 5 && Ports.RxBuffer[2] == dataBytes && Ports.RxCount == 5 + dataBytes;
}

Verdict checkBits(uint8_t* table, uint16_t windowStart) {
    const int n = DB_Modbus.LastCount;
    const int dataBytes = (n + 7) / 8;
    if (!carriesDataBytes(dataBytes))
        return Verdict::Invalid;
    const int first = int(DB_Modbus.LastStart) - int(windowStart);
    return UnpackBits(table, first, Ports.RxBuffer + 3, dataBytes, n) ? Verdict::Valid
                                                                      : Verdict::Invalid;
}

Verdict checkRegisters(uint16_t* table, uint16_t windowStart) {
    const int n = DB_Modbus.LastCount;
    if (!carriesDataBytes(2 * n))
        return Verdict::Invalid;
    // The window may have moved while the request was out.
    const int first = int(DB_Modbus.LastStart) - int(windowStart);
    if (first < 0 || first + n > kRegisterTableSize)
        return Verdict::Invalid;
    for (int i = 0; i < n; ++i)
        table[first + i] = wordAt(3 + 2 * i);
    return Verdict::Valid;
}

// 05h and 06h echo the request: address, function, address, value, CRC.
Verdict checkValueEcho(uint16_t value) {
    return Ports.RxCount == 8 && wordAt(4) == value ? Verdict::Valid : Verdict::Invalid;
}

// 0Fh and 10h echo address, function, first address and count, CRC.
Verdict checkBlockEcho() {
    return Ports.RxCount == 8 && uint16_t(wordAt(2) + 1) == DB_Modbus.LastStart &&
                   wordAt(4) == DB_Modbus.LastCount
               ? Verdict::Valid
               : Verdict::Invalid;
}

void endReadChunk() {
    DB_Modbus.ErrorLatch &= uint16_t(~kNoResponseBit);
    Ports.AwaitingResponse = false;
    if (DB_Modbus.Remaining == 0)
        Ports.StepDone = true;
}

void endSingleWrite() {
    DB_Modbus.ErrorLatch &= uint16_t(~kNoResponseBit);
    Ports.AwaitingResponse = false;
    Ports.StepDone = true;
}

const Handler kHandlers[] = {
    {kReadCoilStatus, "Valid response received <read coil status>.",
     "Invalid response received <read coil status>.",
     // The coil table is the source of a pending 0Fh write: leave it alone.
     [] {
         return DB_Modbus.CoilsArmed
                    ? Verdict::NotLookedAt
                    : checkBits(DB_Modbus.CoilStatusTable, DB_Modbus.CoilReadStart);
     },
     [] { DB_Modbus.CoilDataValid = true; }, nullptr, endReadChunk},
    {kReadInputStatus, "Valid response received <read input status>.",
     "Invalid response received <read input status>.",
     [] { return checkBits(DB_Modbus.InputStatusTable, DB_Modbus.InputStatusReadStart); },
     [] { DB_Modbus.InputStatusValid = true; }, nullptr, endReadChunk},
    {kReadHoldingRegisters, "Valid response received <03h>.",
     "Invalid response received <read holding registers>.",
     [] {
         if (!DB_Modbus.PresetArmed)
             return checkRegisters(DB_Modbus.HoldingRegisterTable, DB_Modbus.HoldingReadStart);
         // Not stored: a waiting upload must not take older contents for
         // this answer.
         DB_Modbus.HoldingRegistersValid = false;
         return Verdict::NotLookedAt;
     },
     [] { DB_Modbus.HoldingRegistersValid = true; }, nullptr,
     // The wait of an upload ends with the last chunk of its window.
     [] {
         endReadChunk();
         if (DB_Modbus.Remaining == 0)
             DB_Modbus.RequestPending = false;
     }},
    {kReadInputRegisters, "Valid response received <04h>.",
     "Invalid response received <read input registers>.",
     [] { return checkRegisters(DB_Modbus.InputRegisterTable, DB_Modbus.InputReadStart); },
     [] {
         DB_Modbus.InputRegistersValid = true;
         if (Host.readingStored)
             Host.readingStored();
     },
     nullptr, endReadChunk},
    {0x05, "Valid response received <force single coil>.",
     "Invalid response received <force single coil>.",
     [] { return checkValueEcho(DB_Modbus.SingleCoilValue ? 0xFF00 : 0x0000); },
     [] { DB_Modbus.SingleCoilArmed = false; },
     [] {
         DB_Modbus.SingleCoilArmed = false;
         DB_Modbus.SingleCoilFailed = true;
     },
     endSingleWrite},
    {kPresetSingleRegister, "Valid response received <preset single register>.",
     "Invalid response received <preset single register>.",
     [] { return checkValueEcho(DB_Modbus.SingleRegisterValue); },
     [] { DB_Modbus.SingleRegisterArmed = false; },
     [] {
         DB_Modbus.SingleRegisterArmed = false;
         DB_Modbus.SingleRegisterFailed = true;
     },
     endSingleWrite},
    {kForceMultipleCoils, "Valid response received <force multiple coils>.",
     "Invalid response received <force multiple coils>.", checkBlockEcho, nullptr,
     [] {
         DB_Modbus.CoilsArmed = false;
         DB_Modbus.CoilsFailed = true;
     },
     [] {
         Ports.AwaitingResponse = false;
         if (DB_Modbus.Remaining != 0)
             return;
         DB_Modbus.CoilsArmed = false;
         Ports.StepDone = true;
     }},
    {kPresetMultipleRegisters, "Valid response received <10h>.",
     "Invalid response received <preset multiple registers>.", checkBlockEcho, nullptr,
     [] {
         DB_Modbus.PresetArmed = false;
         DB_Modbus.PresetFailed = true;
     },
     [] {
         Ports.AwaitingResponse = false;
         if (DB_Modbus.Remaining == 0) {
             DB_Modbus.PresetArmed = false;
             Ports.StepDone = true;
         }
         // The waiting command learns the outcome once the whole write has
         // ended, not after its first chunk.
         if (!DB_Modbus.PresetArmed)
             DB_Modbus.RequestPending = false;
     }},
};

const Handler* handlerFor(int function) {
    for (const Handler& h : kHandlers) {
        if (h.function == function)
            return &h;
    }
    return nullptr;
}

void runHandler(const Handler& h, Verdict verdict) {
    if (verdict == Verdict::Valid) {
        if (h.onValid)
            h.onValid();
        DB_Modbus.ErrorLatch &= uint16_t(~kInvalidResponseBit);
        SetStatus(h.validText, kValidStatus);
    } else if (verdict == Verdict::Invalid) {
        if (h.onInvalid)
            h.onInvalid();
        RecordFailure(Ports.LastFunction, kInvalidResponse);
        SetStatus(h.invalidText, kErrorStatus);
        ReportReadingMissed(h.invalidText);
    }
    h.always();
    DB_Modbus.ErrorLatch &= uint16_t(~kExceptionBits);
}

struct ExceptionText {
    int code;
    int kind;
    const char* text;
};

const ExceptionText kExceptions[] = {
    {kExIllegalFunction, kIllegalFunction, "Exception response received <illegal function>."},
    {kExIllegalDataAddress, kIllegalDataAddress, "Exception response received <data address>."},
    {kExIllegalDataValue, kIllegalDataValue, "Exception response received <data value>."},
    {kExSlaveBusy, kSlaveBusy, "Exception response received <busy>."},
    {kExNegativeAcknowledge, kNegativeAcknowledge, "Exception response received <nack>."},
};

struct Judged {
    FrameOutcome outcome;
    int exceptionCode = 0;
};

// An exception answer is address, function + 80h, code and CRC.
Judged handleException(int function) {
    if (Ports.RxCount != 5) {
        if (const Handler* h = handlerFor(function)) {
            runHandler(*h, Verdict::Invalid);
        } else {
            ErrorHook(kInvalidRxStateError);
            SetStatus("Fatal error. Invalid Rx state.", kErrorStatus);
        }
        return {FrameOutcome::Invalid};
    }
    Ports.AwaitingResponse = false;
    Ports.StepDone = true;
    DB_Modbus.RequestPending = false;
    FailRequest(function);
    const int code = Ports.RxBuffer[2];
    for (const ExceptionText& e : kExceptions) {
        if (e.code != code)
            continue;
        RecordFailure(Ports.LastFunction, e.kind);
        SetStatus(e.text, kErrorStatus);
        ReportReadingMissed(e.text);
    }
    return {FrameOutcome::Exception, code};
}

// Two-wire adapters that hear their own transmission receive the request
// ahead of the answer. A frame that begins with the exact bytes of the
// request just sent carries them as echo: they are dropped and the answer
// after them is read. True when the frame was the echo alone, so that the
// answer is still to come - unless the answer itself repeats the request
// (05h, 06h), in which case the frame is taken as the answer. Adapters
// without echo never see a frame that begins with the whole request: no
// answer of 01h to 04h, 0Fh or 10h does.
bool onlyEcho() {
    const int sent = Ports.TxLength;
    if (sent <= 0 || Ports.RxCount < sent ||
        std::memcmp(Ports.RxBuffer, Ports.TxBuffer, size_t(sent)) != 0)
        return false;
    if (Ports.RxCount == sent)
        return Ports.LastFunction != kForceSingleCoil &&
               Ports.LastFunction != kPresetSingleRegister;
    Ports.RxCount -= sent;
    std::memmove(Ports.RxBuffer, Ports.RxBuffer + sent, size_t(Ports.RxCount));
    return false;
}

// Checks an answer that came while one was awaited, acts on it and says
// what it was.
Judged handleAnswer() {
    if (!CrcCheck(Ports.RxBuffer, Ports.RxCount)) {
        ErrorHook(kCrcError);
        SetStatus("Receive CRC check failed.", kErrorStatus);
        return {FrameOutcome::CrcFailed};
    }
    // The slave address is not compared: any slave's answer to the function
    // in progress is taken.
    const int function = Ports.RxCount >= 2 ? Ports.RxBuffer[1] : -1;
    const int state = Ports.TxState;
    if (function == state) {
        const Handler* h = handlerFor(state);
        if (!h) {
            ErrorHook(kInvalidRxStateError);
            SetStatus("Fatal error. Invalid Rx state.", kErrorStatus);
            return {FrameOutcome::Invalid};
        }
        const Verdict verdict = h->check();
        runHandler(*h, verdict);
        return {verdict == Verdict::Invalid ? FrameOutcome::Invalid : FrameOutcome::Valid};
    }
    if (function == (state | kExceptionFlag))
        return handleException(state);
    ErrorHook(kUnexpectedResponseError);
    SetStatus("Unexpected response received.", kErrorStatus);
    return {FrameOutcome::UnexpectedFunction};
}

}  // namespace

void ProcessResponse() {
    // A late answer after its time-out, or a frame that came while the
    // request was still waiting to leave.
    if (!Ports.AwaitingResponse || Ports.TxPending) {
        // No bytes: the end of a frame already given up on as an overflow.
        if (Ports.RxCount > 0)
            ReportCollectedFrame(Ports.RxBuffer, Ports.RxCount, FrameOutcome::NotAwaited);
        return;
    }
    const int collected = Ports.RxCount;
    const bool echoOnly = onlyEcho();
    // The echo is the request as it was sent.
    if (echoOnly || Ports.RxCount != collected)
        ReportCollectedFrame(Ports.TxBuffer, Ports.TxLength, FrameOutcome::Echo);
    if (echoOnly)
        return;
    const Judged judged = handleAnswer();
    ReportCollectedFrame(Ports.RxBuffer, Ports.RxCount, judged.outcome, judged.exceptionCode);
}

bool UnpackBits(uint8_t* table, int firstPoint, const uint8_t* data, int byteCount, int n) {
    if (n < 0 || byteCount < 0)
        return false;
    const int fullBytes = std::min(byteCount, n / 8);
    const int rest = n - 8 * fullBytes;
    const bool hasLastByte = fullBytes < byteCount;
    // Checked before anything is stored, so that a refused answer leaves the
    // table as it was.
    if (hasLastByte && (data[fullBytes] >> rest) != 0)
        return false;
    const int points = 8 * fullBytes + (hasLastByte ? rest : 0);
    if (firstPoint < 0 || firstPoint + points > kStatusTablePoints)
        return false;
    for (int p = 0; p < points; ++p)
        SetStatusPoint(table, firstPoint + p, (data[p / 8] >> (p % 8)) & 1);
    return true;
}

}  // namespace kestro
