// The wiring check's view of a reading: the input registers as the
// analyzer sends them, decoded into a snapshot, become the per-phase
// values, the frequency and the fault bits; a configuration gives its
// engineering full scales.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "tools/wiring/ConfigFullScale.h"
#include "tools/wiring/SnapshotReadings.h"

namespace kestro::wiring {
namespace {

// Register pairs of single-precision floats, high word first.
constexpr uint16_t k5_0 = 0x40A0, k4_0 = 0x4080, k2_5 = 0x4020, k230 = 0x4366, k232 = 0x4368,
                   k1000 = 0x447A, kMinus500 = 0xC3FA, kMinus800 = 0xC448, k600 = 0x4416,
                   k50 = 0x4248;

std::array<uint16_t, 44> registers(uint16_t statusWord) {
    std::array<uint16_t, 44> r{};
    r[0] = k5_0;  // Ir
    r[2] = k4_0;  // Is
    r[4] = k2_5;  // It
    r[6] = k230;  // Vr
    r[8] = k232;  // Vs; Vt stays 0
    r[18] = k50;  // F
    r[20] = k1000;
    r[22] = kMinus500;  // Pr, Qr
    r[24] = kMinus800;
    r[26] = k600;  // Ps, Qs; Pt and Qt stay 0
    r[36] = statusWord;
    return r;
}

TEST(WiringReadingsOfSnapshot, TakesEachPhasesValuesAndTheFrequency) {
    const auto image = registers(0);
    const WiringReadings r = wiringReadingsOf(DecodeReadings(image.data(), false, {}), {});
    const struct {
        double v, i, p, q;
    } expected[3] = {{230, 5, 1000, -500}, {232, 4, -800, 600}, {0, 2.5, 0, 0}};
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        EXPECT_EQ(r.phase[ph].v, expected[ph].v) << kPhaseNames[ph];
        EXPECT_EQ(r.phase[ph].i, expected[ph].i) << kPhaseNames[ph];
        EXPECT_EQ(r.phase[ph].p, expected[ph].p) << kPhaseNames[ph];
        EXPECT_EQ(r.phase[ph].q, expected[ph].q) << kPhaseNames[ph];
    }
    EXPECT_EQ(r.frequency, 50);
    EXPECT_FALSE(r.fullScale);
}

TEST(WiringReadingsOfSnapshot, TakesTheFaultBitsOfTheStatusWord) {
    const struct {
        uint16_t word;
        bool sequence, missing, signal, lossR, lossS, lossT;
    } cases[] = {
        {0x0000, false, false, false, false, false, false},
        // Sequence fault, T lost; the direction bits (PS, QT reversed) are
        // left to the signs of P and Q.
        {0x2091, true, false, false, false, false, true},
        {0x0402, false, true, true, false, false, false},
        {0x1800, false, false, false, true, true, false},
    };
    for (const auto& c : cases) {
        const auto image = registers(c.word);
        const StatusBits s = wiringReadingsOf(DecodeReadings(image.data(), false, {}), {}).status;
        SCOPED_TRACE(testing::Message() << std::hex << c.word);
        EXPECT_EQ(s.sequenceFault, c.sequence);
        EXPECT_EQ(s.missingPhase, c.missing);
        EXPECT_EQ(s.signalLoss, c.signal);
        EXPECT_EQ(s.phaseLoss[0], c.lossR);
        EXPECT_EQ(s.phaseLoss[1], c.lossS);
        EXPECT_EQ(s.phaseLoss[2], c.lossT);
    }
}

TEST(WiringReadingsOfSnapshot, CarriesTheEngineeringFullScalesOfTheConfiguration) {
    ConfigRecord config;
    config.InpIr = 5;
    config.InpIs = 5;
    config.InpIt = 5;
    config.InpVr = config.InpVs = config.InpVt = 400;
    config.EngIr = 100;
    config.EngIs = 150;
    config.EngIt = 200;
    config.EngVr = 20000;
    config.EngVs = 11000;
    config.EngVt = 400;
    config.CalIr = 7;  // calibration points are no full scale
    const auto image = registers(0);
    const WiringReadings r =
        wiringReadingsOf(DecodeReadings(image.data(), false, {}), engineeringFullScale(config));
    ASSERT_TRUE(r.fullScale);
    const double currents[] = {100, 150, 200}, voltages[] = {20000, 11000, 400};
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        EXPECT_EQ(r.fullScale->current[ph], currents[ph]) << kPhaseNames[ph];
        EXPECT_EQ(r.fullScale->voltage[ph], voltages[ph]) << kPhaseNames[ph];
    }
}

}  // namespace
}  // namespace kestro::wiring
