#pragma once
// Where each phase's voltage and current stand, for the phasor diagram.
// Angles are in degrees, counter-clockwise from R's voltage, in
// (-180, 180]; a lagging current is turned clockwise from its voltage.

#include <optional>

#include "tools/wiring/WiringReadings.h"

namespace kestro::wiring {

// Degrees to radians (M_PI is not standard C++).
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;

// The four quadrants of the P-Q plane, I to IV counter-clockwise. Import
// draws power from the supply; a current that lags its voltage is
// inductive, one that leads it capacitive.
enum class Quadrant { ImportInductive, ExportInductive, ExportCapacitive, ImportCapacitive };
const char* quadrantName(Quadrant quadrant);  // "import, inductive", ...

struct Phasor {
    double angle = 0;   // degrees
    double length = 0;  // 0..1 of the largest of its kind (voltage or current)
};

struct PhasePhasors {
    Phasor voltage;
    // Without active and reactive power the current's angle is unknown; it
    // is then drawn along its voltage and `phi` is empty.
    Phasor current;
    std::optional<double> phi;          // degrees the current lags its voltage: atan2(Q, P)
    std::optional<double> powerFactor;  // P / sqrt(P² + Q²)
    std::optional<Quadrant> quadrant;
};

struct PhasorDiagram {
    PhasePhasors phase[kPhaseCount];
};

// R at 0°, S at -120°, T at +120°; when the analyzer reports the sequence
// fault the phases turn the other way round, S at +120° and T at -120°.
double voltageAngle(int phase, bool sequenceFault);

// An angle in degrees brought into (-180, 180].
double normalizedAngle(double degrees);

PhasorDiagram phasorDiagram(const WiringReadings& readings);

}  // namespace kestro::wiring
