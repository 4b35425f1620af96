// Collecting received bytes into frames, and the port's timer triggers.
#include <vector>

#include "modbus/Driver_Modbus.h"
#include "modbus/ProtocolCodes.h"

namespace kestro {

namespace {

// The frame given up on: the bytes collected so far and those dropped.
void reportOverflow(int collected, std::vector<uint8_t>& dropped) {
    if (!Host.frameObserver)
        return;
    NoteBytesArrived(collected == 0);
    dropped.insert(dropped.begin(), Ports.RxBuffer, Ports.RxBuffer + collected);
    ReportCollectedFrame(dropped.data(), int(dropped.size()), FrameOutcome::RxOverflow);
}

}  // namespace

void OnDataAvailable(int count) {
    if (Ports.EndOfFrame.Fired)
        Ports.RxCount = 0;
    Ports.EndOfFrame.Fired = false;
    PortComponent* port = Ports.ComPort.get();
    if (!port || count <= 0)
        return;
    if (Ports.RxCount + count <= kMaxFrame) {
        NoteBytesArrived(Ports.RxCount == 0);
        Ports.RxCount += port->getBlock(Ports.RxBuffer + Ports.RxCount, count);
        port->setTimerTrigger(Ports.EndOfFrame.Handle, Ports.EndOfFrame.Ticks, true);
        return;
    }
    ErrorHook(kRxOverflowError);
    const int collected = Ports.RxCount;
    Ports.RxCount = 0;
    SetStatus("Fatal error. Rx buffer overflow.", kErrorStatus);
    // Left in the port, these bytes would overflow every later frame too.
    std::vector<uint8_t> discard(count);
    port->getBlock(discard.data(), count);
    reportOverflow(collected, discard);
}

void FailRequest(int function) {
    switch (function) {
        case kReadCoilStatus:
            DB_Modbus.CoilDataValid = false;
            break;
        case kReadInputStatus:
            DB_Modbus.InputStatusValid = false;
            break;
        case kReadHoldingRegisters:
            DB_Modbus.HoldingRegistersValid = false;
            DB_Modbus.RequestPending = false;
            break;
        case kReadInputRegisters:
            DB_Modbus.InputRegistersValid = false;
            break;
        case kForceSingleCoil:
            DB_Modbus.SingleCoilArmed = false;
            DB_Modbus.SingleCoilFailed = true;
            break;
        case kPresetSingleRegister:
            DB_Modbus.SingleRegisterArmed = false;
            DB_Modbus.SingleRegisterFailed = true;
            break;
        case kForceMultipleCoils:
            DB_Modbus.CoilsArmed = false;
            DB_Modbus.CoilsFailed = true;
            break;
        case kPresetMultipleRegisters:
            DB_Modbus.PresetArmed = false;
            DB_Modbus.PresetFailed = true;
            DB_Modbus.RequestPending = false;
            break;
        default:
            break;
    }
}

void AbandonTransaction() {
    Ports.AwaitingResponse = false;
    Ports.TxPending = false;
    Ports.StepDone = true;
    FailRequest(Ports.LastFunction);
}

namespace {

void onResponseTimeout() {
    Ports.ResponseTimeout.Fired = true;
    if (!Ports.AwaitingResponse || Ports.TxPending)
        return;
    AbandonTransaction();
    RecordFailure(Ports.LastFunction, kNoResponse);
    SetStatus("No response from slave device.", kNoResponseStatus);
    ReportReadingMissed("No response from slave device.");
    ReportTimeout();
}

void onTxRetry() {
    Ports.TxRetry.Fired = true;
    if (!Ports.TxPending || WritePendingFrame())
        return;
    if (Ports.TxTimeout.Fired) {
        DropPendingFrame();
        return;
    }
    Ports.TxRetry.Fired = false;
    if (Ports.ComPort)
        Ports.ComPort->setTimerTrigger(Ports.TxRetry.Handle, Ports.TxRetry.Ticks, true);
}

}  // namespace

void OnTimerTrigger(TriggerHandle handle) {
    if (handle == Ports.TxTimeout.Handle) {
        Ports.TxTimeout.Fired = true;
    } else if (handle == Ports.ResponseTimeout.Handle) {
        Host.probe ? ProbeResponseTimeout() : onResponseTimeout();
    } else if (handle == Ports.TxRetry.Handle) {
        onTxRetry();
    } else if (handle == Ports.EndOfFrame.Handle) {
        Ports.EndOfFrame.Fired = true;
        Ports.FrameReceived = true;
        // The scan is paused while a probe asks: its answer is handed over
        // at once rather than at the next poll tick.
        if (Host.probe)
            ProbeFrameCollected();
    } else if (handle == Ports.PollDelay.Handle) {
        Ports.PollDelay.Fired = true;
    }
}

}  // namespace kestro
