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

// A wiring other than the right one when the angles of the `measurable`
// phases (a voltage, some load, active or reactive power) are not alike as
// measured but are in that wiring, with the currents flowing forward
// (`forward`) or back. Of several such wirings the one that moves the
// fewest CTs, then the one whose currents point most squarely the expected
// way. Nothing when the angles are alike as they are, when fewer than two
// phases are measurable or their currents are unlike, or when no wiring
// explains the angles.
std::optional<CtSources> likelyCtSources(const WiringReadings& readings,
                                         const PhasorDiagram& diagram,
                                         const std::array<bool, kPhaseCount>& measurable,
                                         bool forward);

}  // namespace kestro::wiring
