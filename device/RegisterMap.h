#pragma once
// The RVX82A register map, shared by the live display, the device commands
// and the simulator. Addresses are the 0-based data addresses that travel in
// the frame; the master's request fields hold register numbers (address + 1).
// F32 values take two registers, BCD bytes hold two decimal digits, text
// holds two characters a register, the low byte first.

#include <cstdint>

namespace kestro::regmap {

// Phases in register order.
constexpr int kPhaseCount = 3;  // R, S, T

// ---- Input registers, read with 04h ----------------------------------------
constexpr int kInputReadStart = 1;   // register number of address 0
constexpr int kInputReadCount = 44;  // addresses 0..43

// F32 quantities (first register of the pair).
constexpr int kInIr = 0;  // current, A
constexpr int kInIs = 2;
constexpr int kInIt = 4;
constexpr int kInVr = 6;  // voltage, V
constexpr int kInVs = 8;
constexpr int kInVt = 10;
constexpr int kInP = 12;    // active power, total, W
constexpr int kInQ = 14;    // reactive power, total, Var
constexpr int kInCos = 16;  // power factor
constexpr int kInF = 18;    // frequency, Hz
constexpr int kInPr = 20;   // active and reactive power per phase, W and Var
constexpr int kInQr = 22;
constexpr int kInPs = 24;
constexpr int kInQs = 26;
constexpr int kInPt = 28;
constexpr int kInQt = 30;
constexpr int kInPtot = 32;  // active energy meter, kWh
constexpr int kInQTot = 34;  // reactive energy meter, kVarh
constexpr int kInTemp = 42;  // temperature, °C

// Per-phase tables, indexed R, S, T.
constexpr int kInCurrent[kPhaseCount] = {kInIr, kInIs, kInIt};
constexpr int kInVoltage[kPhaseCount] = {kInVr, kInVs, kInVt};
constexpr int kInActive[kPhaseCount] = {kInPr, kInPs, kInPt};
constexpr int kInReactive[kPhaseCount] = {kInQr, kInQs, kInQt};

// U16 words.
constexpr int kInStatusWord = 36;
constexpr int kInQuantityStateWord = 37;
// Device clock as read: 38 minutes<<8 | seconds (BCD); 39 weekday<<8 | hours
// (weekday 1 = Monday .. 7 = Sunday, binary; hours BCD); 40 day<<8 | month
// (BCD, shown high byte first); 41 year within the century (BCD).
constexpr int kInClockMinSec = 38;
constexpr int kInClockWeekdayHour = 39;
constexpr int kInClockDate = 40;
constexpr int kInClockYear = 41;

// Bits of StatusWord. A set direction bit means the power flows in reverse.
constexpr int kStatusPhaseSeqErr = 0;
constexpr int kStatusMissingPhase = 1;
constexpr int kStatusPrRev = 2;
constexpr int kStatusQrRev = 3;
constexpr int kStatusPsRev = 4;
constexpr int kStatusQsRev = 5;
constexpr int kStatusPtRev = 6;
constexpr int kStatusQtRev = 7;
constexpr int kStatusSignalLoss = 10;
constexpr int kStatusLossR = 11;
constexpr int kStatusLossS = 12;
constexpr int kStatusLossT = 13;
constexpr int kStatusActiveRev[kPhaseCount] = {kStatusPrRev, kStatusPsRev, kStatusPtRev};
constexpr int kStatusReactiveRev[kPhaseCount] = {kStatusQrRev, kStatusQsRev, kStatusQtRev};
constexpr int kStatusLoss[kPhaseCount] = {kStatusLossR, kStatusLossS, kStatusLossT};

// Bits of QuantityStateWord; the calibration control word CalControl uses
// the same layout to name the quantities to calibrate.
constexpr int kQtyPr = 0;
constexpr int kQtyPs = 1;
constexpr int kQtyPt = 2;
constexpr int kQtyQr = 3;
constexpr int kQtyQs = 4;
constexpr int kQtyQt = 5;
constexpr int kQtyVr = 6;
constexpr int kQtyVs = 7;
constexpr int kQtyVt = 8;
constexpr uint16_t kQtyAllMask = 0x01FF;  // bits 9..15 are not used
constexpr int kQtyActive[kPhaseCount] = {kQtyPr, kQtyPs, kQtyPt};
constexpr int kQtyReactive[kPhaseCount] = {kQtyQr, kQtyQs, kQtyQt};
constexpr int kQtyVoltage[kPhaseCount] = {kQtyVr, kQtyVs, kQtyVt};

// ---- Holding registers, read with 03h by the upload --------------------------
constexpr int kHoldingReadStart = 1;   // register number of address 0
constexpr int kHoldingReadCount = 52;  // addresses 0..51

constexpr int kHoldBaud = 1;     // U16, bit/s
constexpr int kHoldSlaveID = 2;  // U16
// Twelve F32 full-scale values in normal word order, two registers each, in
// the order InpIr, InpIs, InpIt, InpVr, InpVs, InpVt, EngIr .. EngVt.
constexpr int kHoldFullScale = 3;
constexpr int kFullScaleCount = 12;
constexpr int kHoldInpIr = 3;
constexpr int kHoldEngIr = 15;
// Firmware version text, 26 registers (52 characters). The read window
// ends at address 51, so the last register is not part of an upload.
constexpr int kHoldFirmware = 27;
constexpr int kFirmwareRegisters = 26;
constexpr int kHoldingMapSize = kHoldFirmware + kFirmwareRegisters;  // 0..52

// ---- Command blocks, written with 10h ---------------------------------------
struct CommandBlock {
    uint16_t presetStart;  // register number
    uint16_t presetCount;
    constexpr uint16_t address() const { return uint16_t(presetStart - 1); }
};
constexpr CommandBlock kBlockConfiguration{1, 27};  // addresses 0..26
constexpr CommandBlock kBlockCalibration{101, 14};  // addresses 100..113
constexpr CommandBlock kBlockEnergyReset{201, 2};   // addresses 200..201
constexpr CommandBlock kBlockClock{301, 4};         // addresses 300..303

// Code words in the first register of a block.
constexpr uint16_t kCodeConfiguration = 27081;
constexpr uint16_t kCodeCalibration = 36092;
constexpr uint16_t kCodeEnergyReset = 40617;

// Configuration block: 0 code word, then baud, slave ID and the twelve
// full-scale values at the holding-register addresses above.

// Calibration block: 100 code word, 101 CalControl, 102..113 the six F32
// calibration points CalIr, CalIs, CalIt, CalVr, CalVs, CalVt.
constexpr int kCalControl = 101;
constexpr int kCalPoints = 102;
constexpr int kCalPointCount = 6;

// Energy reset block: 200 code word, 201 meter selector.
constexpr int kEnergySelector = 201;
constexpr uint16_t kSelectKWh = 1;
constexpr uint16_t kSelectKVarh = 2;

// Clock block as written. Not the layout of the read registers 38..41:
// 300 minutes<<8 | seconds (BCD); 301 hours<<8 (BCD) | weekday (1..7);
// 302 month<<8 | day (BCD); 303 year within the century (BCD), high byte 0.
constexpr int kClockMinSec = 300;
constexpr int kClockHourWeekday = 301;
constexpr int kClockMonthDay = 302;
constexpr int kClockYear = 303;

}  // namespace kestro::regmap
