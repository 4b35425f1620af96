#pragma once
// The numbers the link and its status reporting are built on, named once.

#include <cstdint>

namespace kestro {

// MODBUS function codes the master sends. The scan's states carry the same
// numbers: state 4 issues function 04h.
enum FunctionCode : uint8_t {
    kReadCoilStatus = 0x01,
    kReadInputStatus = 0x02,
    kReadHoldingRegisters = 0x03,
    kReadInputRegisters = 0x04,
    kForceSingleCoil = 0x05,
    kPresetSingleRegister = 0x06,
    kForceMultipleCoils = 0x0F,
    kPresetMultipleRegisters = 0x10,
};

// Set in the function byte of an exception response.
constexpr uint8_t kExceptionFlag = 0x80;

// The exception codes the analyzer answers with.
enum ExceptionCode : uint8_t {
    kExIllegalFunction = 1,
    kExIllegalDataAddress = 2,
    kExIllegalDataValue = 3,
    kExSlaveBusy = 6,
    kExNegativeAcknowledge = 7,
};

// What a failed transaction was, for the error latch: bit `kind` of
// ErrorLatch, and error code kind + kFirstFailureCode.
enum FailureKind : int {
    kNoResponse = 0,
    kInvalidResponse = 1,
    kIllegalFunction = 2,
    kIllegalDataAddress = 3,
    kIllegalDataValue = 4,
    kSlaveBusy = 5,
    kNegativeAcknowledge = 6,
};

// The codes handed to the error hook.
enum ErrorCode : int {
    kTxTimeoutError = 1,
    kTxOverflowError = 2,
    kRxOverflowError = 3,
    kInvalidTxStateError = 4,
    kInvalidRxStateError = 5,
    kCrcError = 6,
    kUnexpectedResponseError = 7,
    kFirstFailureCode = 8,  // 8 to 14: the failure kinds 0 to 6
};

// How the status line shows a text: the first two in red.
enum StatusKind : int {
    kNoResponseStatus = 0,
    kErrorStatus = 1,
    kValidStatus = 2,
};

}  // namespace kestro
