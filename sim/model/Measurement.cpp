#include "Measurement.h"

#include <cmath>

namespace kestro::sim {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kBaseCurrent[3] = {4.2, 3.7, 5.1};
constexpr double kBasePowerFactor[3] = {0.93, 0.88, 0.95};

// A slow wave of period `period` seconds.
double wave(double t, double period, double phase) {
    return std::sin(kTwoPi * t / period + phase);
}

PhaseReading measurePhase(double t, int ph, const PhaseFaults& faults, const PhaseScale& scale) {
    PhaseReading r;
    if (faults.dropped)
        return r;
    const double v = 230.0 + 1.8 * wave(t, 47, 2.1 * ph) + 0.4 * wave(t, 5.3, ph);
    const double i =
        kBaseCurrent[ph] * (1 + 0.12 * wave(t, 31, 1.3 * ph) + 0.03 * wave(t, 2.7, ph));
    const double cosPhi = kBasePowerFactor[ph] + 0.015 * wave(t, 59, ph);
    const double sinPhi = std::sqrt(1 - cosPhi * cosPhi);
    r.v = v * scale.voltage[ph];
    r.i = i * scale.current[ph];
    r.p = r.v * r.i * cosPhi * (faults.reverseP ? -1 : 1);
    r.q = r.v * r.i * sinPhi * (faults.reverseQ ? -1 : 1);
    return r;
}

}  // namespace

Readings measure(double t, const LineFaults& faults, const PhaseScale& scale) {
    Readings r;
    for (int ph = 0; ph < 3; ++ph) {
        r.phase[ph] = measurePhase(t, ph, faults.phase[ph], scale);
        r.p += r.phase[ph].p;
        r.q += r.phase[ph].q;
    }
    const double s = std::sqrt(r.p * r.p + r.q * r.q);
    r.pf = s > 0 ? r.p / s : 0;
    r.f = faults.allDropped() ? 0 : 50.0 + 0.04 * wave(t, 73, 0);
    r.temperature = 36.5 + 1.5 * wave(t, 900, 0) + 0.2 * wave(t, 37, 0);
    return r;
}

}  // namespace kestro::sim
