#include "tools/wiring/WiringCheck.h"

#include "tools/wiring/Thresholds.h"

namespace kestro::wiring {

void WiringCheck::setSiteFlow(SiteFlow flow) {
    if (flow == flow_)
        return;
    flow_ = flow;
    debounce_.reset();
}

void WiringCheck::update(const WiringReadings& readings, int64_t nowMs) {
    debounce_.update(findFaults(readings, flow_));
    latest_ = readings;
    latestMs_ = nowMs;
}

std::optional<WiringPicture> WiringCheck::picture(int64_t nowMs) const {
    if (!latest_)
        return {};
    return WiringPicture{*latest_, phasorDiagram(*latest_), debounce_.steady(),
                         nowMs - latestMs_ >= kStaleAfterMs};
}

}  // namespace kestro::wiring
