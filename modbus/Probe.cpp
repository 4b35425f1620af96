// Requests of a tool that asks the line itself while the scan is paused,
// and the hand-over of their answers.
#include <cstring>

#include "modbus/Crc.h"
#include "modbus/Driver_Modbus.h"

namespace kestro {

constexpr int kHomeBaud = 9600;

bool LineUsable() {
    return Ports.PortOpen && Ports.ComPort && Ports.ComPort->isOpen();
}

bool ScanBetweenTransactions() {
    return !Ports.AwaitingResponse && !Ports.TxPending && !Ports.FrameReceived;
}

bool ProbeRequestOpen() {
    return Ports.AwaitingResponse;
}

void SetLineBaud(int baud) {
    if (Ports.ComPort)
        Ports.ComPort->setBaud(baud);
}

int LineBaud() {
    return Ports.ComPort ? Ports.ComPort->settings().baud : kHomeBaud;
}

void BeginProbe(LinkProbe& probe) {
    Host.probe = &probe;
}

void EndProbe(LinkProbe& probe) {
    if (Host.probe != &probe)
        return;
    Host.probe = nullptr;
    Ports.AwaitingResponse = false;
    Ports.FrameReceived = false;
}

bool SendProbeRequest(uint8_t slave, uint8_t function, uint16_t address, uint16_t count,
                      int timeoutTicks, const uint16_t* values) {
    if (!Ports.PortOpen || Ports.AwaitingResponse || !BeginFrame(slave, function))
        return false;
    PutWord(address);
    PutWord(count);
    if (values) {
        PutByte(uint8_t(2 * count));
        for (int i = 0; i < count; ++i)
            PutWord(values[i]);
    }
    Ports.TxTimeout.Ticks = timeoutTicks;
    Ports.ResponseTimeout.Ticks = timeoutTicks;
    SendFrame();
    return true;
}

namespace {

// A two-wire adapter hears the request going out: a frame that begins with
// the exact bytes just sent carries them ahead of the answer. True when
// nothing but the echo came.
bool takeOffEcho() {
    const int sent = Ports.TxLength;
    if (sent <= 0 || Ports.RxCount < sent ||
        std::memcmp(Ports.RxBuffer, Ports.TxBuffer, size_t(sent)) != 0)
        return false;
    ReportCollectedFrame(Ports.TxBuffer, sent, FrameOutcome::Echo);
    Ports.RxCount -= sent;
    std::memmove(Ports.RxBuffer, Ports.RxBuffer + sent, size_t(Ports.RxCount));
    return Ports.RxCount == 0;
}

}  // namespace

void ProbeFrameCollected() {
    Ports.FrameReceived = false;
    if (Ports.RxCount == 0)
        return;  // the end of a frame already given up on as an overflow
    if (!Ports.AwaitingResponse || Ports.TxPending) {
        ReportCollectedFrame(Ports.RxBuffer, Ports.RxCount, FrameOutcome::NotAwaited);
        return;
    }
    if (takeOffEcho())
        return;
    // Noise, or an analyzer talking at another rate: the request stays open
    // until its time-out, as the scan's do.
    if (!CrcCheck(Ports.RxBuffer, Ports.RxCount)) {
        ReportCollectedFrame(Ports.RxBuffer, Ports.RxCount, FrameOutcome::CrcFailed);
        return;
    }
    Ports.AwaitingResponse = false;
    const bool exception = Ports.RxCount >= 3 && (Ports.RxBuffer[1] & 0x80) != 0;
    ReportCollectedFrame(Ports.RxBuffer, Ports.RxCount,
                         exception ? FrameOutcome::Exception : FrameOutcome::Valid,
                         exception ? Ports.RxBuffer[2] : 0);
    Host.probe->onProbeFrame(Ports.RxBuffer, Ports.RxCount);
}

void ProbeResponseTimeout() {
    Ports.ResponseTimeout.Fired = true;
    if (!Ports.AwaitingResponse || Ports.TxPending)
        return;
    Ports.AwaitingResponse = false;
    ReportTimeout();
    Host.probe->onProbeTimeout();
}

}  // namespace kestro
