#pragma once
// Builders of plain readings for the wiring check's tests.

#include <cmath>

#include "tools/wiring/PhasorGeometry.h"

namespace kestro::wiring::test {

constexpr int R = 0, S = 1, T = 2;

// A phase at `v` volts carrying `i` amperes that lag the voltage by `phi`
// degrees: P = V·I·cos φ, Q = V·I·sin φ.
inline PhaseValues at(double v, double i, double phi) {
    const double rad = phi * kRadiansPerDegree;
    return {v, i, v * i * std::cos(rad), v * i * std::sin(rad)};
}

// Three phases of 230 V, 5 A lagging 30° (P 995.9 W, Q 575 Var), 50 Hz.
inline WiringReadings balanced() {
    WiringReadings r;
    for (auto& ph : r.phase)
        ph = at(230, 5, 30);
    r.frequency = 50;
    return r;
}

}  // namespace kestro::wiring::test
