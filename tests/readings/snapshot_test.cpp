// The readings snapshot decoded from literal register images: every
// quantity from the address the register map gives it, in both word
// orders, S as the main window derives it, the two status words as flags
// and the device clock.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "device/ReadingSnapshot.h"

namespace kestro::test {
namespace {

// A register image in which each F32 is given by its address and its two
// words, the high-order word first.
struct FloatAt {
    int address;
    uint16_t high, low;
    Quantity quantity;
    double value;
};

// The addresses as the register map lists them, written out here rather
// than taken from the program's constants.
const std::vector<FloatAt> kMap = {
    {0, 0x4088, 0x0000, Quantity::Ir, 4.25},
    {2, 0x4060, 0x0000, Quantity::Is, 3.5},
    {4, 0x40B8, 0x0000, Quantity::It, 5.75},
    {6, 0x4366, 0x0000, Quantity::Vr, 230.0},
    {8, 0x4367, 0x0000, Quantity::Vs, 231.0},
    {10, 0x4365, 0x0000, Quantity::Vt, 229.0},
    {12, 0x4528, 0x2000, Quantity::P, 2690.0},
    {14, 0xC3CD, 0x8000, Quantity::Q, -411.0},
    {16, 0x3F40, 0x0000, Quantity::PF, 0.75},
    {18, 0x4248, 0x0000, Quantity::F, 50.0},
    {20, 0x4474, 0x8000, Quantity::Pr, 978.0},
    {22, 0x42F2, 0x0000, Quantity::Qr, 121.0},
    {24, 0x4462, 0x4000, Quantity::Ps, 905.0},
    {26, 0xC396, 0x0000, Quantity::Qs, -300.0},
    {28, 0x4449, 0xC000, Quantity::Pt, 807.0},
    {30, 0xC368, 0x0000, Quantity::Qt, -232.0},
    {32, 0x4640, 0xE600, Quantity::ActiveEnergy, 12345.5},
    {34, 0x4476, 0xD000, Quantity::ReactiveEnergy, 987.25},
    {42, 0x4212, 0x0000, Quantity::Temperature, 36.5},
};

std::vector<uint16_t> image(bool swapped) {
    std::vector<uint16_t> registers(44, 0);
    for (const FloatAt& f : kMap) {
        registers[f.address] = swapped ? f.low : f.high;
        registers[f.address + 1] = swapped ? f.high : f.low;
    }
    registers[36] = 0x0004;  // StatusWord
    registers[37] = 0x0008;  // QuantityStateWord
    registers[38] = 0x3507;  // 35 min 07 s
    registers[39] = 0x0314;  // Wednesday, 14 h
    registers[40] = 0x0912;  // 09.12.
    registers[41] = 0x0026;  // 2026
    return registers;
}

class SnapshotWordOrder : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(SwapWords, SnapshotWordOrder, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "On" : "Off"; });

TEST_P(SnapshotWordOrder, EveryQuantityComesFromItsAddress) {
    const bool swapped = GetParam();
    const TimeStamp taken{1'765'460'107'250, 3600};
    const ReadingSnapshot s = DecodeReadings(image(swapped).data(), swapped, taken);
    for (const FloatAt& f : kMap)
        EXPECT_EQ(s.value(f.quantity), f.value) << "address " << f.address;
    // sqrt(2690^2 + 411^2) = 2721.2168...
    EXPECT_NEAR(s.value(Quantity::S), 2721.2168, 1e-4);
    EXPECT_EQ(s.statusWord, 0x0004);
    EXPECT_EQ(s.quantityStateWord, 0x0008);
    EXPECT_EQ(s.swapWords, swapped);
    EXPECT_EQ(s.taken.msSinceEpoch, taken.msSinceEpoch);
    EXPECT_EQ(s.taken.utcOffsetSeconds, 3600);
    const DeviceClock& c = s.deviceClock;
    ASSERT_TRUE(c.valid);
    EXPECT_EQ(c.year, 2026);
    EXPECT_EQ(c.month, 12);
    EXPECT_EQ(c.day, 9);
    EXPECT_EQ(c.hour, 14);
    EXPECT_EQ(c.minute, 35);
    EXPECT_EQ(c.second, 7);
    EXPECT_EQ(c.weekday, 3);
}

// The image of one order read in the other gives other values: the word
// order really is the one asked for.
TEST_P(SnapshotWordOrder, TheOtherOrderReadsOtherValues) {
    const bool swapped = GetParam();
    const ReadingSnapshot s = DecodeReadings(image(swapped).data(), !swapped, TimeStamp{});
    EXPECT_NE(s.value(Quantity::F), 50.0);  // 4248h 0000h read low word first: 2.4e-41
    EXPECT_NE(s.value(Quantity::P), 2690.0);
}

TEST(Snapshot, ApparentPowerComesFromTheWholeNumbersShown) {
    struct Case {
        uint16_t pHigh, pLow, qHigh, qLow;
        double s;
    };
    const Case cases[] = {
        // P 1.4 and Q 1.4 show as 1 and 1: S is the square root of 2, shown
        // as 1 (from 1.4 and 1.4 it would be 1.98, shown as 2).
        {0x3FB3, 0x3333, 0x3FB3, 0x3333, 1.4142135623730951},
        {0x4020, 0x0000, 0x0000, 0x0000, 3.0},                 // P 2.5 shows as 3
        {0xC020, 0x0000, 0x4040, 0x0000, 4.2426406871192848},  // P -2.5 as -3, Q 3: sqrt(18)
    };
    for (const Case& c : cases) {
        std::vector<uint16_t> registers(44, 0);
        registers[12] = c.pHigh;
        registers[13] = c.pLow;
        registers[14] = c.qHigh;
        registers[15] = c.qLow;
        EXPECT_DOUBLE_EQ(DecodeReadings(registers.data(), false, {}).value(Quantity::S), c.s);
    }
    std::vector<uint16_t> registers(44, 0);
    registers[12] = 0x7FC0;  // P is NaN
    EXPECT_TRUE(std::isnan(DecodeReadings(registers.data(), false, {}).value(Quantity::S)));
    registers[12] = 0xFF80;  // P is -infinity
    EXPECT_EQ(DecodeReadings(registers.data(), false, {}).value(Quantity::S), INFINITY);
}

TEST(Snapshot, StatusWordsBecomeNamedFlags) {
    std::vector<uint16_t> registers(44, 0);
    registers[36] = 0x3C03;
    registers[37] = 0x0008;
    ReadingSnapshot s = DecodeReadings(registers.data(), false, {});
    EXPECT_TRUE(s.status.phaseSequenceFault);
    EXPECT_TRUE(s.status.missingPhase);
    EXPECT_TRUE(s.status.signalLoss);
    EXPECT_EQ(s.status.phaseLoss, (std::array<bool, 3>{true, true, true}));
    EXPECT_EQ(s.status.activeReverse, (std::array<bool, 3>{false, false, false}));
    EXPECT_EQ(s.status.reactiveReverse, (std::array<bool, 3>{false, false, false}));
    EXPECT_EQ(s.quantityStates.reactive, (std::array<bool, 3>{true, false, false}));
    EXPECT_EQ(s.quantityStates.active, (std::array<bool, 3>{false, false, false}));
    EXPECT_EQ(s.quantityStates.voltage, (std::array<bool, 3>{false, false, false}));

    // Bits 2..7 in the order PR, QR, PS, QS, PT, QT; 6..8 of the other word VR, VS, VT.
    registers[36] = 0x0094;  // bits 2, 4, 7
    registers[37] = 0x0142;  // bits 1, 6, 8
    s = DecodeReadings(registers.data(), false, {});
    EXPECT_FALSE(s.status.phaseSequenceFault);
    EXPECT_FALSE(s.status.signalLoss);
    EXPECT_EQ(s.status.activeReverse, (std::array<bool, 3>{true, true, false}));
    EXPECT_EQ(s.status.reactiveReverse, (std::array<bool, 3>{false, false, true}));
    EXPECT_EQ(s.quantityStates.active, (std::array<bool, 3>{false, true, false}));
    EXPECT_EQ(s.quantityStates.voltage, (std::array<bool, 3>{true, false, true}));
}

// Whatever the clock registers hold, the decode goes through; only a real
// date and time with a weekday of 1 to 7 is valid.
TEST(Snapshot, DeviceClockIsValidOnlyForARealDateAndTime) {
    struct Case {
        uint16_t minSec, weekdayHour, date, year;
        bool valid;
    };
    const Case cases[] = {
        {0x5959, 0x0723, 0x3112, 0x0099, true},   // 31.12.2099 23:59:59, Sunday
        {0x0000, 0x0100, 0x2902, 0x0024, true},   // 29.02.2024, a leap year
        {0x0000, 0x0100, 0x2902, 0x0026, false},  // 29.02.2026
        {0x0000, 0x0100, 0x3104, 0x0026, false},  // 31.04.
        {0x0000, 0x0000, 0x0101, 0x0026, false},  // weekday 0
        {0x0000, 0x0800, 0x0101, 0x0026, false},  // weekday 8
        {0x6000, 0x0100, 0x0101, 0x0026, false},  // 60 minutes
        {0x0000, 0x0124, 0x0101, 0x0026, false},  // 24 hours
        {0x3A00, 0x0100, 0x0101, 0x0026, false},  // not BCD
        {0x0000, 0x0100, 0x0113, 0x0026, false},  // month 13
        {0x0000, 0x0100, 0x0001, 0x0026, false},  // day 0
        {0x0000, 0x0100, 0x0101, 0x0126, false},  // the year register's high byte set
        {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, false},
    };
    for (const Case& c : cases) {
        std::vector<uint16_t> registers(44, 0);
        registers[38] = c.minSec;
        registers[39] = c.weekdayHour;
        registers[40] = c.date;
        registers[41] = c.year;
        const ReadingSnapshot s = DecodeReadings(registers.data(), true, {});
        EXPECT_EQ(s.deviceClock.valid, c.valid)
            << std::hex << c.minSec << " " << c.weekdayHour << " " << c.date << " " << c.year;
        EXPECT_EQ(s.clockRegisters,
                  (std::array<uint16_t, 4>{c.minSec, c.weekdayHour, c.date, c.year}));
    }
}

}  // namespace
}  // namespace kestro::test
