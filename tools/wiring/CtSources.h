#pragma once
// Which phase's current each CT probably carries, judged from the phase
// angles. A CT on the wrong phase measures its current against another
// phase's voltage, so its angle is off by 120°; when turning the currents
// back to their likely phases makes all angles alike, that is the likely
// wiring.

#include <array>
#include <optional>

#include "tools/wiring/PhasorGeometry.h"

namespace kestro::wiring {

// source[ph]: the phase whose current the CT on phase ph's input carries.
using CtSources = std::array<int, kPhaseCount>;

// The phases with a trustworthy angle: a voltage, a current of at least
// `loadCurrent` and active or reactive power.
std::array<bool, kPhaseCount> measurablePhases(const WiringReadings& readings,
                                               const PhasorDiagram& diagram, double loadCurrent);

// A wiring other than the right one when the angles as measured are not
// alike but those of that wiring are, with the currents flowing forward
// (`forward`) or back. Nothing when the angles are alike as they are, when
// fewer than two phases are measurable or their currents are unlike, or
// when no wiring explains the angles.
std::optional<CtSources> likelyCtSources(const WiringReadings& readings,
                                         const PhasorDiagram& diagram,
                                         const std::array<bool, kPhaseCount>& measurable,
                                         bool forward);

}  // namespace kestro::wiring
