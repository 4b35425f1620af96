#pragma once
// The MODBUS RTU master: frame building and sending, receiving, the transmit
// state machine, response handling and status reporting.

#include <cstdint>
#include <string>

#include "modbus/DB_Modbus.h"
#include "modbus/Ports.h"

namespace kestro {

struct DriverModbusState {
    uint8_t StagingBuffer[kFrameBufferSize] = {};
};
extern DriverModbusState Driver_Modbus;

// Transmit side (frame building, time-outs).
bool BeginFrame(uint8_t slave, uint8_t function);
void PutByte(uint8_t b);
void PutWord(uint16_t w);
void PutBytes(const uint8_t* bytes, int count);
void SendFrame();
void ComputeTimeouts(uint8_t function, int points);
void ArmPollDelay();
// A frame that found no room: written once there is room, dropped with
// "Fatal error. Tx timeout." once TxTimeout has expired.
bool WritePendingFrame();
void DropPendingFrame();

// Port events.
void OnDataAvailable(int count);
void OnTimerTrigger(TriggerHandle handle);

// Scan engine.
void PollTick();
void TxStep();
void LoadRemaining();
void BuildRequest(uint8_t slave, uint8_t function, uint16_t firstAddress, const uint8_t* data,
                  int byteCount, uint16_t n);
void BuildSingleWrite(uint8_t slave, uint8_t function, uint16_t address, uint16_t value);
int PackCoils(uint16_t first, uint16_t n, uint8_t* out);

// Response processing and status reporting.
void ProcessResponse();
bool UnpackBits(uint8_t* table, int firstPoint, const uint8_t* data, int byteCount, int n);
void RecordFailure(int function, int kind);
void ErrorHook(int code);
void SetStatus(const std::string& text, int kind);
void ShowQueryStatus(const std::string& text);
// Tells the host that the transaction that just failed was a read of the
// input registers, so no reading came.
void ReportReadingMissed(const std::string& reason);
// Shows in red why the port is not open (which port, and why: access
// denied, busy, unplugged); false when the port is open or there is none.
bool ShowPortProblem();

// Fails what was asked of a function, so that nobody waits for it: a read
// loses its valid flag, a write is disarmed and marked failed, and a
// command waiting on a 03h read or a 10h write is released.
void FailRequest(int function);

// Ends the transaction in progress as failed without a response: clears
// AwaitingResponse, finishes the step and fails the write or read that was
// waiting for it. Shared by the response time-out, a frame that never left
// and a port change.
void AbandonTransaction();

// Requests posted by the device commands.
void PostPresetWrite(uint16_t startRegister, uint16_t count, const uint16_t* values);
void OpenHoldingRead(uint16_t startRegister, uint16_t count);
void CloseHoldingRead();

}  // namespace kestro
