#pragma once
// Feeds the engine's readings into a ReadingsFeed: every refresh while the
// input registers are valid publishes the image decoded once, and every
// reading the link reports missing publishes a MissedReading.

#include <functional>

#include "device/ReadingsFeed.h"

namespace kestro {

// Takes over Host.refreshIfValid, Host.readingStored and Host.readingMissed.
// `swapWords` gives the word order chosen at the moment of the refresh,
// `now` the time stamp.
void ConnectReadingsFeed(ReadingsFeed& feed, std::function<bool()> swapWords,
                         std::function<TimeStamp()> now);

}  // namespace kestro
