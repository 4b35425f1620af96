#pragma once
// The three-phase line the simulated analyzer measures: about 230 V and
// 50 Hz, a few amperes per phase at an inductive power factor, all drifting
// slowly and deterministically with time. Faults reverse a phase's power
// flow or take the phase away, and the wiring faults of an installation
// show as a real meter would measure them: each phase's P and Q come from
// the angle between the voltage at its terminals and the current its CT
// carries.

namespace kestro::sim {

struct PhaseFaults {
    bool reverseP = false;        // active power flows back
    bool reverseQ = false;        // reactive power flows back
    bool dropped = false;         // no voltage, no current
    bool reverseCt = false;       // CT mounted the wrong way round: its current turned by 180°
    bool voltageMissing = false;  // voltage tap open: no voltage, no power, the current flows
    bool exporting = false;       // the phase feeds power back (a PV inverter)
    bool noVoltage() const { return dropped || voltageMissing; }
};

constexpr int kNoPhase = -1;

struct LineFaults {
    PhaseFaults phase[3];  // R, S, T
    // The phases are connected R, T, S: the analyzer reports the sequence
    // fault. Each CT moved with its voltage, so the per-phase values stay
    // right; only a CT swap sees the other rotation.
    bool sequenceFault = false;
    // The CTs of these two phases are exchanged: each phase's current input
    // carries the other phase's current.
    int swappedCts[2] = {kNoPhase, kNoPhase};
    bool anyVoltageLost() const {
        return phase[0].noVoltage() || phase[1].noVoltage() || phase[2].noVoltage();
    }
    bool allVoltageLost() const {
        return phase[0].noVoltage() && phase[1].noVoltage() && phase[2].noVoltage();
    }
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
