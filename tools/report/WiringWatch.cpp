#include "tools/report/WiringWatch.h"

#include "tools/wiring/SnapshotReadings.h"

namespace kestro::report {

// A refresh that shows an earlier reading again is not a new reading: it
// must not count twice towards a steady finding.
void WiringWatch::readingTaken(const ReadingSnapshot& snapshot) {
    if (!snapshot.newReading)
        return;
    check_.setSiteFlow(siteFlow_());
    check_.update(wiring::wiringReadingsOf(snapshot, fullScale_()), snapshot.taken.msSinceEpoch);
}

}  // namespace kestro::report
