#include "tools/report/WiringWatch.h"

namespace kestro::report {

namespace {

constexpr Quantity kVoltage[] = {Quantity::Vr, Quantity::Vs, Quantity::Vt};
constexpr Quantity kCurrent[] = {Quantity::Ir, Quantity::Is, Quantity::It};
constexpr Quantity kActive[] = {Quantity::Pr, Quantity::Ps, Quantity::Pt};
constexpr Quantity kReactive[] = {Quantity::Qr, Quantity::Qs, Quantity::Qt};

}  // namespace

wiring::WiringReadings WiringReadingsOf(const ReadingSnapshot& snapshot,
                                        const std::optional<wiring::FullScale>& fullScale) {
    wiring::WiringReadings r;
    for (int p = 0; p < wiring::kPhaseCount; ++p) {
        r.phase[p] = {snapshot.value(kVoltage[p]), snapshot.value(kCurrent[p]),
                      snapshot.value(kActive[p]), snapshot.value(kReactive[p])};
        r.status.phaseLoss[p] = snapshot.status.phaseLoss[p];
    }
    r.frequency = snapshot.value(Quantity::F);
    r.status.sequenceFault = snapshot.status.phaseSequenceFault;
    r.status.missingPhase = snapshot.status.missingPhase;
    r.status.signalLoss = snapshot.status.signalLoss;
    r.fullScale = fullScale;
    return r;
}

// A refresh that shows an earlier reading again is not a new reading: it
// must not count twice towards a steady finding.
void WiringWatch::readingTaken(const ReadingSnapshot& snapshot) {
    if (!snapshot.newReading)
        return;
    check_.update(WiringReadingsOf(snapshot, fullScale_()), snapshot.taken.msSinceEpoch);
}

}  // namespace kestro::report
