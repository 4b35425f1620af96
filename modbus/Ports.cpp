#include "modbus/Ports.h"

#include <string>

#include "modbus/Crc.h"
#include "modbus/DB_Modbus.h"
#include "modbus/Driver_Modbus.h"

namespace kestro {

PortsState Ports;

void ResetLinkState() {
    PortsState fresh;
    fresh.ComPort = std::move(Ports.ComPort);
    fresh.StatusLights = std::move(Ports.StatusLights);
    // Keep the trigger handles of an open port: its triggers stay added.
    fresh.TxTimeout.Handle = Ports.TxTimeout.Handle;
    fresh.ResponseTimeout.Handle = Ports.ResponseTimeout.Handle;
    fresh.TxRetry.Handle = Ports.TxRetry.Handle;
    fresh.EndOfFrame.Handle = Ports.EndOfFrame.Handle;
    fresh.PollDelay.Handle = Ports.PollDelay.Handle;
    fresh.PortOpen = Ports.PortOpen;
    fresh.PortOpenSignal = Ports.PortOpenSignal;
    Ports = std::move(fresh);
}

void StartCommunications() {
    InitCrcTable();
    ResetLinkState();
    ResetMasterTables();
    const bool chosen = Host.selectPort && Host.selectPort();
    if (chosen) {
        if (Host.enablePollTimer)
            Host.enablePollTimer(true);
    } else if (Host.reportNoPort) {
        Host.reportNoPort();
    }
}

void StopCommunications() {
    if (Host.enablePollTimer)
        Host.enablePollTimer(false);
    ClosePort();
}

void ComPortOpen() {
    Ports.PortOpenSignal = true;
}
// Closed on purpose or by a device that went away: either way no reading
// comes until it opens again.
void ComPortClose() {
    const bool wasOpen = Ports.PortOpenSignal;
    Ports.PortOpenSignal = false;
    // A device that went away is said at once, not at the next time-out.
    if (Ports.ComPort && Ports.ComPort->problem().fault != PortFault::None)
        ShowPortProblem();
    if (wasOpen && Host.readingMissed)
        Host.readingMissed("Port closed.");
}
void ComPortTriggerTimer(TriggerHandle handle) {
    OnTimerTrigger(handle);
}
void ComPortTriggerAvail(int count) {
    OnDataAvailable(count);
}

namespace {

void pause(int ms) {
    if (Host.platform)
        Host.platform->pause(ms);
}

void addTriggers(PortComponent& port) {
    Ports.TxTimeout.Handle = port.addTimerTrigger();
    Ports.ResponseTimeout.Handle = port.addTimerTrigger();
    Ports.TxRetry.Handle = port.addTimerTrigger();
    Ports.EndOfFrame.Handle = port.addTimerTrigger();
    Ports.PollDelay.Handle = port.addTimerTrigger();
}

}  // namespace

void OpenPort(uint16_t portNumber) {
    if (!Host.platform)
        return;
    // Nothing is sent while the port is replaced: the poll ticks inside the
    // pauses would use a port without its triggers.
    Ports.PortOpen = false;
    if (Ports.ComPort) {
        Ports.ComPort->setOpen(false);
        pause(500);
    }
    // A transaction of the old port would never see its time-out.
    if (Ports.AwaitingResponse || Ports.TxPending)
        AbandonTransaction();
    // Nor would a frame half received on it ever see its end of frame.
    Ports.RxCount = 0;
    Ports.StatusLights.reset();
    Ports.ComPort = Host.platform->createPort();
    PortComponent& port = *Ports.ComPort;
    port.setAutoOpen(false);
    port.setComNumber(portNumber);
    port.setBaud(9600);
    port.setDataBits(8);
    port.setStopBits(1);
    port.setParity(Parity::None);
    port.setRS485Mode(true);
    port.setDTR(true);
    port.setRTS(true);
    port.OnPortClose = ComPortClose;
    port.OnPortOpen = ComPortOpen;
    port.setOpen(true);
    pause(500);
    Ports.PortOpen = Ports.PortOpenSignal;
    port.OnTriggerTimer = ComPortTriggerTimer;
    port.OnTriggerAvail = ComPortTriggerAvail;
    addTriggers(port);
    Ports.StatusLights = Host.platform->createStatusLights(port);
    if (Host.status)
        Host.status->showPort("COM" + std::to_string(portNumber) + ",9600,N,8,1");
    if (!Ports.PortOpen)
        ShowPortProblem();
}

// A port whose device went away has closed itself; it is released all the
// same, so that it stops looking for the device.
void ClosePort() {
    if (!Ports.ComPort)
        return;
    if (Ports.ComPort->isOpen()) {
        Ports.ComPort->setRTS(false);
        Ports.ComPort->setDTR(false);
        Ports.ComPort->setOpen(false);
    }
    Ports.PortOpen = false;
    Ports.StatusLights.reset();
    Ports.ComPort.reset();
    pause(500);
}

}  // namespace kestro
