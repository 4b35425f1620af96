#pragma once
// One reading of the analyzer, decoded once from the input-register image
// at a refresh, for every view that shows or keeps readings.

#include <array>
#include <cstdint>

#include "device/Quantities.h"
#include "platform/core/TimeStamp.h"

namespace kestro {

// StatusWord, bit by bit. Phases are indexed R, S, T.
struct StatusFlags {
    bool phaseSequenceFault = false;
    bool missingPhase = false;
    bool signalLoss = false;
    std::array<bool, 3> phaseLoss{};
    // A set direction bit: the power flows in reverse.
    std::array<bool, 3> activeReverse{};
    std::array<bool, 3> reactiveReverse{};
};

// QuantityStateWord, one flag per phase quantity; the main window shows a
// quantity whose flag is clear in red.
struct QuantityFlags {
    std::array<bool, 3> active{};
    std::array<bool, 3> reactive{};
    std::array<bool, 3> voltage{};
};

// The device clock of registers 38 to 41. `valid` only when every byte is
// BCD and the fields make a date and time (weekday 1 = Monday .. 7).
struct DeviceClock {
    bool valid = false;
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    int weekday = 0;
};

struct ReadingSnapshot {
    // Indexed by Quantity. S comes from the whole-number P and Q as the
    // main window shows them, so that the three agree on screen.
    std::array<double, kQuantityCount> values{};
    uint16_t statusWord = 0;
    uint16_t quantityStateWord = 0;
    StatusFlags status;
    QuantityFlags quantityStates;
    std::array<uint16_t, 4> clockRegisters{};  // 38 to 41 as read
    DeviceClock deviceClock;
    TimeStamp taken;         // the computer's clock at the refresh
    bool swapWords = false;  // the word order the values were decoded with
    // False when the refresh did not follow the read's valid answer (another
    // request's answer, a damaged or late frame) and shows the registers of
    // an earlier reading again.
    bool newReading = true;

    double value(Quantity q) const { return values[static_cast<size_t>(q)]; }
};

// Decodes the input-register image (indexed by address, at least 44
// entries). Nothing in the image can make it fail: NaN and infinity pass
// through, a clock that is not BCD comes back not valid.
ReadingSnapshot DecodeReadings(const uint16_t* inputRegisters, bool swapWords, TimeStamp taken);

// S as the main window derives it: the square root of the sum of squares of
// P and Q rounded to whole numbers (halves away from zero); a non-finite P
// or Q stands for itself.
double ApparentPowerShown(double p, double q);

}  // namespace kestro
