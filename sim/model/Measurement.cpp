#include "sim/model/Measurement.h"

#include <cmath>

namespace kestro::sim {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegree = kTwoPi / 360;
// Below the 5 A input full scale at the highest point of their drift (+15%).
constexpr double kBaseCurrent[3] = {4.2, 3.7, 4.3};
constexpr double kBasePowerFactor[3] = {0.93, 0.88, 0.95};
// A phase that exports feeds a PV inverter's current back while its own
// loads still draw some reactive power: the current stands 170° behind the
// voltage (P at -0.98 of V·I, Q at +0.17 of V·I).
constexpr double kExportAngle = 170 * kDegree;

// A slow wave of period `period` seconds.
double wave(double t, double period, double phase) {
    return std::sin(kTwoPi * t / period + phase);
}

// What flows on one phase conductor, before any wiring.
struct Conductor {
    double v = 0, i = 0;
    double angle = 0;  // voltage angle, radians
    double phi = 0;    // how far the current lags its voltage, radians
};

Conductor conductor(double t, int ph, const LineFaults& faults) {
    // R at 0°, S at -120°, T at +120°; the other rotation swaps S and T.
    const int turn = (ph == 0 ? 0 : ph == 1 ? -1 : 1) * (faults.sequenceFault ? -1 : 1);
    Conductor c;
    c.angle = turn * 120 * kDegree;
    if (faults.phase[ph].dropped)
        return c;
    c.v = 230.0 + 1.8 * wave(t, 47, 2.1 * ph) + 0.4 * wave(t, 5.3, ph);
    c.i = kBaseCurrent[ph] * (1 + 0.12 * wave(t, 31, 1.3 * ph) + 0.03 * wave(t, 2.7, ph));
    c.phi = faults.phase[ph].exporting ? kExportAngle
                                       : std::acos(kBasePowerFactor[ph] + 0.015 * wave(t, 59, ph));
    return c;
}

// The phase whose current reaches the current input of phase `ph`.
int currentSource(int ph, const LineFaults& faults) {
    if (ph == faults.swappedCts[0])
        return faults.swappedCts[1];
    if (ph == faults.swappedCts[1])
        return faults.swappedCts[0];
    return ph;
}

PhaseReading measurePhase(const Conductor line[3], int ph, const LineFaults& faults,
                          const PhaseScale& scale) {
    const PhaseFaults& f = faults.phase[ph];
    const Conductor& source = line[currentSource(ph, faults)];
    // The current's angle against this phase's own voltage.
    const double delta =
        line[ph].angle - source.angle + source.phi + (f.reverseCt ? kTwoPi / 2 : 0);
    PhaseReading r;
    r.v = f.voltageMissing ? 0 : line[ph].v * scale.voltage[ph];
    r.i = source.i * scale.current[ph];
    r.p = r.v * r.i * std::cos(delta) * (f.reverseP ? -1 : 1);
    r.q = r.v * r.i * std::sin(delta) * (f.reverseQ ? -1 : 1);
    return r;
}

}  // namespace

Readings measure(double t, const LineFaults& faults, const PhaseScale& scale) {
    Conductor line[3];
    for (int ph = 0; ph < 3; ++ph)
        line[ph] = conductor(t, ph, faults);
    Readings r;
    for (int ph = 0; ph < 3; ++ph) {
        r.phase[ph] = measurePhase(line, ph, faults, scale);
        r.p += r.phase[ph].p;
        r.q += r.phase[ph].q;
    }
    const double s = std::sqrt(r.p * r.p + r.q * r.q);
    r.pf = s > 0 ? r.p / s : 0;
    r.f = faults.allVoltageLost() ? 0 : 50.0 + 0.04 * wave(t, 73, 0);
    r.temperature = 36.5 + 1.5 * wave(t, 900, 0) + 0.2 * wave(t, 37, 0);
    return r;
}

}  // namespace kestro::sim
