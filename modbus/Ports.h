#pragma once
// Link state: the one serial port, its timer triggers, the transmit and
// receive buffers and the flags around a transaction.

#include <cstdint>
#include <memory>

#include "modbus/LinkHost.h"
#include "modbus/PortComponent.h"

namespace kestro {

constexpr int kFrameBufferSize = 1025;  // at most 1024 bytes are used
constexpr int kMaxFrame = 1024;

struct TimerTrigger {
    int32_t Ticks = 0;
    TriggerHandle Handle = 0;  // as the port component numbers its triggers
    bool Fired = false;
};

struct PortsState {
    std::unique_ptr<PortComponent> ComPort;
    std::unique_ptr<StatusLightMonitor> StatusLights;
    uint8_t RxBuffer[kFrameBufferSize] = {};
    int32_t RxCount = 0;
    uint8_t TxBuffer[kFrameBufferSize] = {};
    uint16_t TxCrc = 0xFFFF;
    int32_t TxLength = 0;
    bool TxPending = false;
    TimerTrigger TxTimeout;
    TimerTrigger ResponseTimeout;
    TimerTrigger TxRetry{1, 0, false};
    TimerTrigger EndOfFrame{1, 0, false};
    TimerTrigger PollDelay{1, 0, false};
    bool AwaitingResponse = false;
    bool FrameReceived = false;
    bool PortOpen = false;
    bool PortOpenSignal = false;
    int32_t LastFunction = 0;
    // Scan engine state kept beside the link.
    int32_t TxState = 0;
    bool StepDone = false;
    bool JumpRequest = false;
    int32_t JumpState = 0;
};

extern PortsState Ports;

// Resets every field above except the port and its status lights.
void ResetLinkState();
void StartCommunications();
void StopCommunications();
void OpenPort(uint16_t portNumber);
void ClosePort();

// The port's event handlers: open and close set and clear PortOpenSignal;
// trigger and data-available events go to the link's handlers.
void ComPortOpen();
void ComPortClose();
void ComPortTriggerTimer(TriggerHandle handle);
void ComPortTriggerAvail(int count);

}  // namespace kestro
