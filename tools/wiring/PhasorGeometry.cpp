#include "tools/wiring/PhasorGeometry.h"

#include <algorithm>
#include <cmath>

namespace kestro::wiring {

namespace {

Quadrant quadrantOf(double p, double q) {
    if (p >= 0)
        return q >= 0 ? Quadrant::ImportInductive : Quadrant::ImportCapacitive;
    return q >= 0 ? Quadrant::ExportInductive : Quadrant::ExportCapacitive;
}

// A length of 0 to 1; a value that is not a number draws as nothing.
double share(double value, double largest) {
    return largest > 0 && std::isfinite(value) ? value / largest : 0;
}

}  // namespace

const char* quadrantName(Quadrant quadrant) {
    switch (quadrant) {
        case Quadrant::ImportInductive:
            return "import, inductive";
        case Quadrant::ExportInductive:
            return "export, inductive";
        case Quadrant::ExportCapacitive:
            return "export, capacitive";
        case Quadrant::ImportCapacitive:
            return "import, capacitive";
    }
    return "";
}

double voltageAngle(int phase, bool sequenceFault) {
    constexpr double kAngles[kPhaseCount] = {0, -120, 120};
    return kAngles[phase] * (sequenceFault ? -1 : 1);
}

double normalizedAngle(double degrees) {
    double a = std::fmod(degrees, 360.0);
    if (a <= -180)
        a += 360;
    else if (a > 180)
        a -= 360;
    return a;
}

PhasorDiagram phasorDiagram(const WiringReadings& readings) {
    double largestV = 0, largestI = 0;
    for (const PhaseValues& ph : readings.phase) {
        if (std::isfinite(ph.v))
            largestV = std::max(largestV, std::abs(ph.v));
        if (std::isfinite(ph.i))
            largestI = std::max(largestI, std::abs(ph.i));
    }
    PhasorDiagram diagram;
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        const PhaseValues& in = readings.phase[ph];
        PhasePhasors& out = diagram.phase[ph];
        out.voltage = {voltageAngle(ph, readings.status.sequenceFault),
                       share(std::abs(in.v), largestV)};
        out.current = {out.voltage.angle, share(std::abs(in.i), largestI)};
        const double apparent = std::hypot(in.p, in.q);
        if (!(apparent > 0) || !std::isfinite(apparent))
            continue;
        out.phi = std::atan2(in.q, in.p) / kRadiansPerDegree;
        out.current.angle = normalizedAngle(out.voltage.angle - *out.phi);
        out.powerFactor = in.p / apparent;
        out.quadrant = quadrantOf(in.p, in.q);
    }
    return diagram;
}

}  // namespace kestro::wiring
