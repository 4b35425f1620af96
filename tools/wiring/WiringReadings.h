#pragma once
// What the wiring check looks at: the plain per-phase values of one reading,
// the fault bits of the analyzer's status word, and the engineering full
// scales of the loaded configuration when there is one. Phases are indexed
// 0, 1, 2 for R, S, T.

#include <optional>

namespace kestro::wiring {

constexpr int kPhaseCount = 3;
constexpr const char* kPhaseNames[kPhaseCount] = {"R", "S", "T"};

struct PhaseValues {
    double v = 0;  // V
    double i = 0;  // A
    double p = 0;  // W, negative when it flows back
    double q = 0;  // Var, negative when the current leads
};

// The fault bits of the status word; the direction bits are not needed,
// P and Q carry their signs.
struct StatusBits {
    bool sequenceFault = false;
    bool missingPhase = false;
    bool signalLoss = false;
    bool phaseLoss[kPhaseCount] = {};
};

// Engineering full scale of each phase's current (A) and voltage (V).
struct FullScale {
    double current[kPhaseCount] = {};
    double voltage[kPhaseCount] = {};
};

struct WiringReadings {
    PhaseValues phase[kPhaseCount];
    double frequency = 0;  // Hz
    StatusBits status;
    std::optional<FullScale> fullScale;
};

}  // namespace kestro::wiring
