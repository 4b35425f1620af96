#pragma once
// The wiring check kept up to date from the readings, so that a report
// can say what it finds at any moment.

#include <functional>
#include <optional>

#include "device/ReadingsFeed.h"
#include "tools/wiring/WiringCheck.h"

namespace kestro::report {

class WiringWatch : public ReadingsListener {
  public:
    // `fullScale` gives the engineering full scales of the configuration
    // in effect and `siteFlow` the kind of site, at each reading.
    WiringWatch(std::function<std::optional<wiring::FullScale>()> fullScale,
                std::function<wiring::SiteFlow()> siteFlow)
        : fullScale_(std::move(fullScale)), siteFlow_(std::move(siteFlow)) {}

    void readingTaken(const ReadingSnapshot& snapshot) override;
    void readingMissed(const MissedReading&) override {}

    // Nothing before the first reading.
    std::optional<wiring::WiringPicture> picture(int64_t nowMs) const {
        return check_.picture(nowMs);
    }

  private:
    std::function<std::optional<wiring::FullScale>()> fullScale_;
    std::function<wiring::SiteFlow()> siteFlow_;
    wiring::WiringCheck check_;
};

}  // namespace kestro::report
