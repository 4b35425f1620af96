// Building and sending request frames, and the time-outs around them.
#include <string>

#include "modbus/Crc.h"
#include "modbus/Driver_Modbus.h"
#include "modbus/ProtocolCodes.h"

namespace kestro {

namespace {

int charTicks(int chars) {
    const int baud = Ports.ComPort ? Ports.ComPort->settings().baud : 9600;
    const int ticks = chars * 198 / (baud > 0 ? baud : 9600);
    return ticks < 1 ? 1 : ticks;
}

int msTicks(int ms) {
    const int ticks = ms / kTickMs;
    return ticks < 1 ? 1 : ticks;
}

void arm(TimerTrigger& trigger) {
    if (Ports.ComPort)
        Ports.ComPort->setTimerTrigger(trigger.Handle, trigger.Ticks, true);
}

}  // namespace

void DropPendingFrame() {
    Ports.TxPending = false;
    ErrorHook(kTxTimeoutError);
    ShowQueryStatus("Fatal error. Tx timeout.");
    AbandonTransaction();
}

bool BeginFrame(uint8_t slave, uint8_t function) {
    if (Ports.TxPending) {
        if (!Ports.TxTimeout.Fired)
            return false;
        DropPendingFrame();
    }
    Ports.TxCrc = 0xFFFF;
    Ports.TxLength = 0;
    PutByte(slave);
    PutByte(function);
    return true;
}

void PutByte(uint8_t b) {
    Ports.TxBuffer[Ports.TxLength++] = b;
    Ports.TxCrc = CrcUpdate(Ports.TxCrc, b);
    if (Ports.TxLength == kFrameBufferSize) {
        Ports.TxLength = 0;
        ErrorHook(kTxOverflowError);
        ShowQueryStatus("Fatal error. Tx buffer overflow.");
    }
}

void PutWord(uint16_t w) {
    PutByte(uint8_t(w >> 8));
    PutByte(uint8_t(w & 0xFF));
}

void PutBytes(const uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i)
        PutByte(bytes[i]);
}

// Writes the pending frame when the output buffer has room for it.
bool WritePendingFrame() {
    PortComponent* port = Ports.ComPort.get();
    if (!port || port->outBuffFree() < Ports.TxLength)
        return false;
    port->putBlock(Ports.TxBuffer, Ports.TxLength);
    ReportSentFrame(Ports.TxBuffer, Ports.TxLength);
    Ports.TxPending = false;
    // A frame complete before the request left cannot be its answer.
    Ports.FrameReceived = false;
    arm(Ports.ResponseTimeout);
    return true;
}

void SendFrame() {
    PutWord(Ports.TxCrc);
    Ports.TxPending = true;
    Ports.AwaitingResponse = true;
    Ports.TxTimeout.Fired = false;
    Ports.ResponseTimeout.Fired = false;
    Ports.TxRetry.Fired = false;
    if (WritePendingFrame())
        return;
    // No room yet: retry every tick until the frame fits or TxTimeout expires.
    arm(Ports.TxTimeout);
    arm(Ports.TxRetry);
}

void ComputeTimeouts(uint8_t function, int points) {
    const int bits = (points + 7) / 8;
    int request = 16, response = 16;
    switch (function) {
        case kReadCoilStatus:
        case kReadInputStatus:
            response = bits + 13;
            break;
        case kReadHoldingRegisters:
        case kReadInputRegisters:
            response = 2 * points + 13;
            break;
        case kForceMultipleCoils:
            request = bits + 17;
            break;
        case kPresetMultipleRegisters:
            request = 2 * points + 17;
            break;
        default:
            break;
    }
    Ports.TxTimeout.Ticks = charTicks(request);
    Ports.ResponseTimeout.Ticks =
        charTicks(request) + msTicks(DB_Modbus.ResponseMarginMs) + charTicks(response);
}

void ArmPollDelay() {
    Ports.PollDelay.Fired = false;
    Ports.PollDelay.Ticks = msTicks(DB_Modbus.PollDelayMs);
    arm(Ports.PollDelay);
}

}  // namespace kestro
