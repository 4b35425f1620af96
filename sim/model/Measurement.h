#pragma once
// The three-phase line the simulated analyzer measures: about 230 V and
// 50 Hz, a few amperes per phase at an inductive power factor, all drifting
// slowly and deterministically with time. Faults reverse a phase's power
// flow or take the phase away.

namespace kestro::sim {

struct PhaseFaults {
    bool reverseP = false;  // active power flows back
    bool reverseQ = false;  // reactive power flows back
    bool dropped = false;   // no voltage, no current
};

struct LineFaults {
    PhaseFaults phase[3];  // R, S, T
    bool sequenceFault = false;
    bool anyDropped() const { return phase[0].dropped || phase[1].dropped || phase[2].dropped; }
    bool allDropped() const { return phase[0].dropped && phase[1].dropped && phase[2].dropped; }
};

struct PhaseReading {
    double v = 0, i = 0, p = 0, q = 0;  // V, A, W, Var
};

struct Readings {
    PhaseReading phase[3];
    double p = 0, q = 0;  // totals, the sums of the phases
    double pf = 0;        // P / sqrt(P² + Q²)
    double f = 0;         // Hz
    double temperature = 0;
};

// Engineering scale of each phase's current and voltage: engineering full
// scale over input full scale.
struct PhaseScale {
    double current[3] = {1, 1, 1};
    double voltage[3] = {1, 1, 1};
};

Readings measure(double seconds, const LineFaults& faults, const PhaseScale& scale);

}  // namespace kestro::sim
