// Requests that the device commands post to the scan engine.
#include <algorithm>

#include "modbus/Driver_Modbus.h"

namespace kestro {

void PostPresetWrite(uint16_t startRegister, uint16_t count, const uint16_t* values) {
    // A block outside the table stores nothing; it is still armed, so that the
    // preset state refuses and fails it and a waiting command learns of it.
    if (startRegister >= 1 && startRegister - 1 + count <= kRegisterTableSize)
        std::copy(values, values + count, DB_Modbus.PresetRegisterTable + startRegister - 1);
    DB_Modbus.PresetStart = startRegister;
    DB_Modbus.PresetArmed = true;
    DB_Modbus.PresetFailed = false;
    DB_Modbus.PresetCount = count;
    Ports.JumpState = 16;
    Ports.JumpRequest = true;
}

void OpenHoldingRead(uint16_t startRegister, uint16_t count) {
    DB_Modbus.HoldingReadStart = startRegister;
    DB_Modbus.HoldingReadCount = count;
    DB_Modbus.RequestPending = true;
}

void CloseHoldingRead() {
    DB_Modbus.HoldingReadCount = 0;
}

}  // namespace kestro
