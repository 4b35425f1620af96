// The wiring faults of an installation as the simulated analyzer measures
// them: each compared with the same line wired right at the same moment,
// through the registers a master reads.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "sim/model/DeviceModel.h"
#include "tests/sim/SimTestSupport.h"

using namespace kestro::sim;
using namespace kestro::sim::test;
using namespace kestro::regmap;

namespace {

constexpr double kDegree = M_PI / 180;
constexpr int R = 0, S = 1, T = 2;

struct Phase {
    double v, i, p, q;
};

struct Image {
    Phase phase[3];
    double f;
    uint16_t status, quantities;
};

Image read(const DeviceModel& model) {
    const InputImage regs = model.inputRegisters();
    Image image{};
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        image.phase[ph] = {swappedFloat(&regs[kInVoltage[ph]]), swappedFloat(&regs[kInCurrent[ph]]),
                           swappedFloat(&regs[kInActive[ph]]),
                           swappedFloat(&regs[kInReactive[ph]])};
    }
    image.f = swappedFloat(&regs[kInF]);
    image.status = regs[kInStatusWord];
    image.quantities = regs[kInQuantityStateWord];
    return image;
}

// How far the current lags the voltage, from a correctly wired phase.
double phi(const Phase& p) {
    return std::atan2(p.q, p.p);
}

// A float register holds about 7 digits: compare to a part in 10^5.
void expectNear(double actual, double expected, const char* what, int ph) {
    EXPECT_NEAR(actual, expected, 1e-5 * std::max(1.0, std::abs(expected))) << what << " " << ph;
}

void expectSame(const Phase& actual, const Phase& expected, int ph) {
    expectNear(actual.v, expected.v, "V", ph);
    expectNear(actual.i, expected.i, "I", ph);
    expectNear(actual.p, expected.p, "P", ph);
    expectNear(actual.q, expected.q, "Q", ph);
}

struct WiringCase {
    const char* name;
    std::function<void(LineFaults&)> apply;
    uint16_t status;
    uint16_t quantities;
    // Checks the faulty image against the one wired right.
    std::function<void(const Image& wrong, const Image& right)> check;
};

class ModelWiring : public ::testing::TestWithParam<WiringCase> {};

TEST_P(ModelWiring, ShowsInValuesAndStatusWords) {
    for (int second : {0, 17, 45}) {
        SCOPED_TRACE(second);
        DeviceModel right, wrong;
        GetParam().apply(wrong.faults);
        right.advance(second * 1000);
        wrong.advance(second * 1000);
        const Image w = read(wrong);
        EXPECT_EQ(w.status, GetParam().status);
        EXPECT_EQ(w.quantities, GetParam().quantities);
        GetParam().check(w, read(right));
    }
}

// What the input of a phase at voltage angle `angle` reads when it carries
// the current of `other`, whose voltage stands at `otherAngle`: the current
// lags this voltage by angle - otherAngle + phi(other).
Phase carrying(const Phase& own, double angle, const Phase& other, double otherAngle) {
    const double lag = (angle - otherAngle) * kDegree + phi(other);
    const double s = own.v * other.i;
    return {own.v, other.i, s * std::cos(lag), s * std::sin(lag)};
}

// The other phases read as if wired right.
void othersUnchanged(const Image& wrong, const Image& right, std::initializer_list<int> others) {
    for (int ph : others)
        expectSame(wrong.phase[ph], right.phase[ph], ph);
    expectNear(wrong.f, right.f, "f", 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModelWiring,
    ::testing::Values(
        // A reversed CT turns the current by 180°: P and Q both change sign,
        // both direction bits of S (4 and 5) are set.
        WiringCase{"ReversedCtOnS", [](LineFaults& f) { f.phase[S].reverseCt = true; }, 0x0030,
                   0x01FF,
                   [](const Image& w, const Image& r) {
                       expectSame(w.phase[S],
                                  {r.phase[S].v, r.phase[S].i, -r.phase[S].p, -r.phase[S].q}, S);
                       othersUnchanged(w, r, {R, T});
                   }},
        // S's input carries T's current: it lags S's voltage by
        // -120° - 120° + phi(T) = 120° + phi(T) (P < 0, Q > 0: bit 4); T's
        // carries S's, lagging by 240° + phi(S) = phi(S) - 120°, about -92°
        // (P < 0, Q < 0: bits 6 and 7).
        WiringCase{"SwappedCtsOfSAndT",
                   [](LineFaults& f) {
                       f.swappedCts[0] = S;
                       f.swappedCts[1] = T;
                   },
                   0x00D0, 0x01FF,
                   [](const Image& w, const Image& r) {
                       expectSame(w.phase[S], carrying(r.phase[S], -120, r.phase[T], 120), S);
                       expectSame(w.phase[T], carrying(r.phase[T], 120, r.phase[S], -120), T);
                       othersUnchanged(w, r, {R});
                   }},
        // R's input carries S's current, lagging by 120° + phi(S) (bit 2);
        // S's carries R's, lagging by phi(R) - 120° (bits 4 and 5).
        WiringCase{"SwappedCtsOfRAndS",
                   [](LineFaults& f) {
                       f.swappedCts[0] = R;
                       f.swappedCts[1] = S;
                   },
                   0x0034, 0x01FF,
                   [](const Image& w, const Image& r) {
                       expectSame(w.phase[R], carrying(r.phase[R], 0, r.phase[S], -120), R);
                       expectSame(w.phase[S], carrying(r.phase[S], -120, r.phase[R], 0), S);
                       othersUnchanged(w, r, {T});
                   }},
        // In the other rotation S stands at +120° and T at -120°: swapped,
        // S's input lags by 240° + phi(T) = phi(T) - 120° (bits 4 and 5),
        // T's by 120° + phi(S) (bit 6), besides the sequence fault (bit 0).
        WiringCase{"SwappedCtsOfSAndTInTheOtherRotation",
                   [](LineFaults& f) {
                       f.sequenceFault = true;
                       f.swappedCts[0] = S;
                       f.swappedCts[1] = T;
                   },
                   0x0071, 0x01FF,
                   [](const Image& w, const Image& r) {
                       expectSame(w.phase[S], carrying(r.phase[S], 120, r.phase[T], -120), S);
                       expectSame(w.phase[T], carrying(r.phase[T], -120, r.phase[S], 120), T);
                   }},
        // No voltage at S's terminal: no V, no P, no Q, the current still
        // reads. Missing phase (bit 1) and S phase loss (bit 12); PS, QS and
        // VS (bits 1, 4, 7) not valid: 01FFh - 0092h = 016Dh.
        WiringCase{"MissingVoltageOnS", [](LineFaults& f) { f.phase[S].voltageMissing = true; },
                   0x1002, 0x016D,
                   [](const Image& w, const Image& r) {
                       expectSame(w.phase[S], {0, r.phase[S].i, 0, 0}, S);
                       othersUnchanged(w, r, {R, T});
                   }},
        // No voltage anywhere: signal loss too (bits 1, 10-13: 3C02h), no
        // frequency, nothing valid; the currents still read.
        WiringCase{"MissingVoltageEverywhere",
                   [](LineFaults& f) {
                       for (auto& ph : f.phase)
                           ph.voltageMissing = true;
                   },
                   0x3C02, 0x0000,
                   [](const Image& w, const Image& r) {
                       for (int ph : {R, S, T})
                           expectSame(w.phase[ph], {0, r.phase[ph].i, 0, 0}, ph);
                       EXPECT_EQ(w.f, 0);
                   }},
        // The other rotation, each CT with its voltage: only the sequence
        // fault bit.
        WiringCase{"ReversedSequence", [](LineFaults& f) { f.sequenceFault = true; }, 0x0001,
                   0x01FF,
                   [](const Image& w, const Image& r) {
                       othersUnchanged(w, r, {R, S, T});
                   }},
        // T exports with its current 170° behind its voltage: P = cos 170° =
        // -0.98481 of V·I, Q = sin 170° = +0.17365 of V·I; PT reversed (bit 6).
        WiringCase{"ExportingT", [](LineFaults& f) { f.phase[T].exporting = true; }, 0x0040, 0x01FF,
                   [](const Image& w, const Image& r) {
                       const double s = r.phase[T].v * r.phase[T].i;
                       expectSame(w.phase[T],
                                  {r.phase[T].v, r.phase[T].i, -0.984808 * s, 0.173648 * s}, T);
                       othersUnchanged(w, r, {R, S});
                   }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
