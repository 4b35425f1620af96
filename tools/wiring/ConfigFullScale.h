#pragma once
// The engineering full scales of a configuration record: what the analyzer
// reads at the full scale of each current and voltage input, given the CT
// and VT ratios the configuration was made for.

#include "config/Configuration.h"
#include "tools/wiring/WiringReadings.h"

namespace kestro::wiring {

FullScale engineeringFullScale(const ConfigRecord& config);

}  // namespace kestro::wiring
