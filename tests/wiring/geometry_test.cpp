// The phasor diagram of literal readings: where each voltage and current
// stands, how long it is drawn, its phase angle, power factor and quadrant.
#include <gtest/gtest.h>

#include "tests/wiring/WiringCases.h"
#include "tools/wiring/PhasorGeometry.h"

using namespace kestro::wiring;
using namespace kestro::wiring::test;

namespace {

struct Expected {
    double voltageAngle, voltageLength, currentAngle, currentLength;
    double phi, powerFactor;
    Quadrant quadrant;
};

void expectPhase(const PhasePhasors& got, const Expected& e, int ph) {
    SCOPED_TRACE(kPhaseNames[ph]);
    EXPECT_NEAR(got.voltage.angle, e.voltageAngle, 0.01);
    EXPECT_NEAR(got.voltage.length, e.voltageLength, 1e-4);
    EXPECT_NEAR(got.current.angle, e.currentAngle, 0.01);
    EXPECT_NEAR(got.current.length, e.currentLength, 1e-4);
    ASSERT_TRUE(got.phi && got.powerFactor && got.quadrant);
    EXPECT_NEAR(*got.phi, e.phi, 0.01);
    EXPECT_NEAR(*got.powerFactor, e.powerFactor, 1e-4);
    EXPECT_EQ(*got.quadrant, e.quadrant);
}

constexpr auto kImportInductive = Quadrant::ImportInductive;

// 230, 230 and 207 V (207 is 0.9 of 230); 5, 4 and 2.5 A lagging 30°:
// cos 30° = 0.86603. Each current stands 30° clockwise of its voltage.
TEST(PhasorGeometry, BalancedInductiveLoad) {
    WiringReadings r;
    r.phase[R] = at(230, 5, 30);
    r.phase[S] = at(230, 4, 30);
    r.phase[T] = at(207, 2.5, 30);
    const PhasorDiagram d = phasorDiagram(r);
    expectPhase(d.phase[R], {0, 1, -30, 1, 30, 0.86603, kImportInductive}, R);
    expectPhase(d.phase[S], {-120, 1, -150, 0.8, 30, 0.86603, kImportInductive}, S);
    expectPhase(d.phase[T], {120, 0.9, 90, 0.5, 30, 0.86603, kImportInductive}, T);
}

// S's CT reversed: P -995.9 W, Q -575 Var, so phi = atan2(-575, -995.9) =
// -150°; the current stands at -120° + 150° = 30°, in the third quadrant.
TEST(PhasorGeometry, OneReversedCt) {
    WiringReadings r = balanced();
    r.phase[S] = {230, 5, -995.9, -575};
    const PhasorDiagram d = phasorDiagram(r);
    expectPhase(d.phase[R], {0, 1, -30, 1, 30, 0.86603, kImportInductive}, R);
    expectPhase(d.phase[S], {-120, 1, 30, 1, -150, -0.86603, Quadrant::ExportCapacitive}, S);
    EXPECT_STREQ(quadrantName(*d.phase[S].quadrant), "export, capacitive");
}

// S and T swapped: S's input carries T's current at 120° - 30° = 90°, 210°
// from S's voltage at -120°, i.e. phi 150° (P -995.9, Q 575); T's carries
// S's at -150°, phi 120° - (-150°) = 270° = -90° (P 0, Q -1150).
TEST(PhasorGeometry, SAndTCtsSwapped) {
    WiringReadings r = balanced();
    r.phase[S] = {230, 5, -995.9, 575};
    r.phase[T] = {230, 5, 0, -1150};
    const PhasorDiagram d = phasorDiagram(r);
    expectPhase(d.phase[S], {-120, 1, 90, 1, 150, -0.86603, Quadrant::ExportInductive}, S);
    expectPhase(d.phase[T], {120, 1, -150, 1, -90, 0, Quadrant::ImportCapacitive}, T);
    EXPECT_STREQ(quadrantName(*d.phase[S].quadrant), "export, inductive");
    EXPECT_STREQ(quadrantName(*d.phase[T].quadrant), "import, capacitive");
}

// With the sequence fault the voltages turn the other way: S at +120°, T at
// -120°, each current still 30° clockwise of its own voltage.
TEST(PhasorGeometry, SequenceFaultTurnsSAndT) {
    WiringReadings r = balanced();
    r.status.sequenceFault = true;
    const PhasorDiagram d = phasorDiagram(r);
    expectPhase(d.phase[R], {0, 1, -30, 1, 30, 0.86603, kImportInductive}, R);
    expectPhase(d.phase[S], {120, 1, 90, 1, 30, 0.86603, kImportInductive}, S);
    expectPhase(d.phase[T], {-120, 1, -150, 1, 30, 0.86603, kImportInductive}, T);
}

// A current without voltage has no power, so no angle: it is drawn along its
// voltage's direction, with no phi, power factor or quadrant. Nothing at all
// flowing draws nothing.
TEST(PhasorGeometry, CurrentWithoutPowerHasNoAngle) {
    WiringReadings r = balanced();
    r.phase[T] = {0, 2.5, 0, 0};
    PhasorDiagram d = phasorDiagram(r);
    EXPECT_EQ(d.phase[T].voltage.length, 0);
    EXPECT_EQ(d.phase[T].current.angle, 120);
    EXPECT_NEAR(d.phase[T].current.length, 0.5, 1e-9);
    EXPECT_FALSE(d.phase[T].phi || d.phase[T].powerFactor || d.phase[T].quadrant);

    d = phasorDiagram(WiringReadings{});
    for (const auto& ph : d.phase) {
        EXPECT_EQ(ph.voltage.length, 0);
        EXPECT_EQ(ph.current.length, 0);
    }
}

TEST(PhasorGeometry, AnglesAreKeptWithinHalfATurn) {
    EXPECT_EQ(normalizedAngle(180), 180);
    EXPECT_EQ(normalizedAngle(-180), 180);
    EXPECT_EQ(normalizedAngle(-270), 90);
    EXPECT_EQ(normalizedAngle(390), 30);
}

}  // namespace
