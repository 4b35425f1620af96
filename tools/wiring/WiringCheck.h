#pragma once
// The wiring check as a whole: takes one reading after another and gives
// the picture to show - the phasor diagram of the latest reading and the
// steady findings - marked old once readings stop coming. Time comes from
// the caller, in milliseconds of any steady clock.

#include <cstdint>
#include <optional>
#include <vector>

#include "tools/wiring/FindingDebounce.h"
#include "tools/wiring/PhasorGeometry.h"

namespace kestro::wiring {

struct WiringPicture {
    WiringReadings readings;  // the latest reading
    PhasorDiagram diagram;
    std::vector<Finding> findings;
    bool old = false;  // no reading for kStaleAfterMs: this is the last one
};

class WiringCheck {
  public:
    // A change starts the findings afresh: they mean other things now.
    void setSiteFlow(SiteFlow flow);
    SiteFlow siteFlow() const { return flow_; }

    void update(const WiringReadings& readings, int64_t nowMs);
    // Nothing before the first reading.
    std::optional<WiringPicture> picture(int64_t nowMs) const;

  private:
    SiteFlow flow_ = SiteFlow::ConsumesOnly;
    FindingDebounce debounce_;
    std::optional<WiringReadings> latest_;
    int64_t latestMs_ = 0;
};

}  // namespace kestro::wiring
