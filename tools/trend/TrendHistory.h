#pragma once
// The readings the trend draws: every quantity of every new reading over
// the last 24 hours, and a break wherever readings did not come.

#include <array>
#include <deque>
#include <functional>

#include "device/ReadingsFeed.h"

namespace kestro {

class TrendHistory : public ReadingsListener {
  public:
    struct Sample {
        double time;                               // seconds since 1970-01-01 UTC
        std::array<float, kQuantityCount> values;  // all NaN in a break
        bool isBreak = false;
        float value(Quantity q) const { return values[static_cast<size_t>(q)]; }
    };

    static constexpr double kKeepSeconds = 24 * 3600.0;

    void readingTaken(const ReadingSnapshot& snapshot) override;
    // A run of missed readings makes one break, at the first of them.
    void readingMissed(const MissedReading& missed) override;

    const std::deque<Sample>& samples() const { return samples_; }
    // The sample nearest to `time`, or null when there is none.
    const Sample* nearest(double time) const;

    // Called with each sample added (a reading or a break).
    std::function<void(const Sample&)> onSample;

  private:
    void add(const Sample& sample);

    std::deque<Sample> samples_;
};

double SecondsOf(TimeStamp stamp);

}  // namespace kestro
