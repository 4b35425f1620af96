#include "tools/wiring/SnapshotReadings.h"

namespace kestro::wiring {

namespace {

constexpr Quantity kVoltage[kPhaseCount] = {Quantity::Vr, Quantity::Vs, Quantity::Vt};
constexpr Quantity kCurrent[kPhaseCount] = {Quantity::Ir, Quantity::Is, Quantity::It};
constexpr Quantity kActive[kPhaseCount] = {Quantity::Pr, Quantity::Ps, Quantity::Pt};
constexpr Quantity kReactive[kPhaseCount] = {Quantity::Qr, Quantity::Qs, Quantity::Qt};

}  // namespace

WiringReadings wiringReadingsOf(const ReadingSnapshot& snapshot,
                                const std::optional<FullScale>& fullScale) {
    WiringReadings readings;
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        readings.phase[ph] = {snapshot.value(kVoltage[ph]), snapshot.value(kCurrent[ph]),
                              snapshot.value(kActive[ph]), snapshot.value(kReactive[ph])};
        readings.status.phaseLoss[ph] = snapshot.status.phaseLoss[ph];
    }
    readings.frequency = snapshot.value(Quantity::F);
    readings.status.sequenceFault = snapshot.status.phaseSequenceFault;
    readings.status.missingPhase = snapshot.status.missingPhase;
    readings.status.signalLoss = snapshot.status.signalLoss;
    readings.fullScale = fullScale;
    return readings;
}

}  // namespace kestro::wiring
