#include "tools/wiring/CtSources.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/wiring/Thresholds.h"

namespace kestro::wiring {

namespace {

struct Candidate {
    CtSources sources;
    int moved = 0;         // measurable phases whose CT is on another phase
    double alignment = 0;  // how well the currents point the expected way
};

// The phase angle phase `ph` would have if its CT carried `source`'s
// current: the current stands at its voltage angle minus phi, so against
// its own phase's voltage it lags by phi - angle(ph) + angle(source).
double angleIfFrom(const PhasorDiagram& d, int ph, int source) {
    return normalizedAngle(*d.phase[ph].phi - d.phase[ph].voltage.angle +
                           d.phase[source].voltage.angle);
}

double spread(const std::vector<double>& angles) {
    double widest = 0;
    for (size_t a = 0; a < angles.size(); ++a) {
        for (size_t b = a + 1; b < angles.size(); ++b)
            widest = std::max(widest, std::abs(normalizedAngle(angles[a] - angles[b])));
    }
    return widest;
}

// Fills `out` when the wiring `sources` makes the measurable phases' angles
// alike, all pointing the expected way.
bool judge(const PhasorDiagram& d, const std::vector<int>& measured, const CtSources& sources,
           bool forward, Candidate& out) {
    std::vector<double> angles;
    out = {sources, 0, 0};
    for (int ph : measured) {
        const double angle = angleIfFrom(d, ph, sources[ph]);
        const double along = std::cos(angle * kRadiansPerDegree) * (forward ? 1 : -1);
        if (along <= 0)
            return false;
        angles.push_back(angle);
        out.alignment += along;
        out.moved += sources[ph] != ph;
    }
    return spread(angles) <= kSimilarAngleDeg;
}

bool better(const Candidate& a, const Candidate& b) {
    return a.moved != b.moved ? a.moved < b.moved : a.alignment > b.alignment;
}

}  // namespace

std::optional<CtSources> likelyCtSources(const WiringReadings& readings,
                                         const PhasorDiagram& diagram,
                                         const std::array<bool, kPhaseCount>& measurable,
                                         bool forward) {
    std::vector<int> measured;
    std::vector<double> angles, currents;
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        if (!measurable[ph])
            continue;
        measured.push_back(ph);
        angles.push_back(*diagram.phase[ph].phi);
        currents.push_back(readings.phase[ph].i);
    }
    if (measured.size() < 2 || spread(angles) <= kSimilarAngleDeg)
        return {};
    const auto [least, most] = std::minmax_element(currents.begin(), currents.end());
    if (*least < kSimilarCurrentRatio * *most)
        return {};
    std::optional<Candidate> best;
    // Every way the CTs of the measurable phases could sit, one CT on any
    // phase: 3 x 3 x 3 at most.
    for (int code = 0; code < 27; ++code) {
        CtSources sources = {0, 1, 2};
        for (int ph = 0, rest = code; ph < kPhaseCount; ++ph, rest /= 3) {
            if (measurable[ph])
                sources[ph] = rest % 3;
        }
        Candidate candidate;
        if (judge(diagram, measured, sources, forward, candidate) && candidate.moved > 0 &&
            (!best || better(candidate, *best)))
            best = candidate;
    }
    if (!best)
        return {};
    return best->sources;
}

}  // namespace kestro::wiring
