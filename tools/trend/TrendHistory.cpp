#include "tools/trend/TrendHistory.h"

#include <algorithm>
#include <limits>

namespace kestro {

double SecondsOf(TimeStamp stamp) {
    return double(stamp.msSinceEpoch) / 1000.0;
}

// A refresh after another request's answer repeats a reading already kept.
void TrendHistory::readingTaken(const ReadingSnapshot& snapshot) {
    if (!snapshot.newReading)
        return;
    Sample sample{SecondsOf(snapshot.taken), {}, false};
    for (size_t i = 0; i < sample.values.size(); ++i)
        sample.values[i] = float(snapshot.values[i]);
    add(sample);
}

void TrendHistory::readingMissed(const MissedReading& missed) {
    if (!samples_.empty() && samples_.back().isBreak)
        return;
    Sample gap{SecondsOf(missed.at), {}, true};
    gap.values.fill(std::numeric_limits<float>::quiet_NaN());
    add(gap);
}

void TrendHistory::add(const Sample& sample) {
    samples_.push_back(sample);
    while (!samples_.empty() && samples_.front().time < sample.time - kKeepSeconds)
        samples_.pop_front();
    if (onSample)
        onSample(sample);
}

const TrendHistory::Sample* TrendHistory::nearest(double time) const {
    if (samples_.empty())
        return nullptr;
    const auto after = std::lower_bound(samples_.begin(), samples_.end(), time,
                                        [](const Sample& s, double t) { return s.time < t; });
    if (after == samples_.begin())
        return &*after;
    if (after == samples_.end())
        return &samples_.back();
    const auto before = std::prev(after);
    return time - before->time <= after->time - time ? &*before : &*after;
}

}  // namespace kestro
