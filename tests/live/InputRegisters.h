#pragma once
// Where the analyzer keeps its readings: input register addresses counted
// from 0, and the bits of its two state words, written down here from the
// device's register map so that the tests do not share the program's
// constants (two swapped there must fail a test).

#include <cstdint>

namespace kestro::test {

// Floats take two registers from the address given.
constexpr int kInIr = 0, kInIs = 2, kInIt = 4;
constexpr int kInVr = 6, kInVs = 8, kInVt = 10;
constexpr int kInP = 12, kInQ = 14, kInCos = 16, kInF = 18;
constexpr int kInPr = 20, kInQr = 22, kInPs = 24, kInQs = 26, kInPt = 28, kInQt = 30;
constexpr int kInPtot = 32, kInQTot = 34;
constexpr int kInStatusWord = 36, kInQuantityStateWord = 37;
constexpr int kInClockMinSec = 38, kInClockWeekdayHour = 39, kInClockDate = 40, kInClockYear = 41;
constexpr int kInTemp = 42;

// Bits of the status word and of the quantity state word.
constexpr int kStatusQsRev = 5;
constexpr int kQtyVs = 7;
constexpr uint16_t kQtyAllMask = 0x01FF;  // one bit per phase quantity, nine in all

}  // namespace kestro::test
