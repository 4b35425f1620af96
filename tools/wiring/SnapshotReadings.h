#pragma once
// The wiring check's view of a decoded reading: the per-phase values and
// fault bits it judges, and the engineering full scales of the loaded
// configuration, when there is one, to judge the readings against.

#include <optional>

#include "device/ReadingSnapshot.h"
#include "tools/wiring/WiringReadings.h"

namespace kestro::wiring {

WiringReadings wiringReadingsOf(const ReadingSnapshot& snapshot,
                                const std::optional<FullScale>& fullScale);

}  // namespace kestro::wiring
