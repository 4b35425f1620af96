#include "tools/wiring/FindingDebounce.h"

#include <algorithm>

#include "tools/wiring/Thresholds.h"

namespace kestro::wiring {

namespace {

bool same(const Finding& a, const Finding& b) {
    return a.kind == b.kind && a.phases == b.phases;
}

}  // namespace

void FindingDebounce::update(const std::vector<Finding>& latest) {
    ++readings_;
    for (Tracked& t : tracked_) {
        const auto found = std::find_if(latest.begin(), latest.end(),
                                        [&](const Finding& f) { return same(f, t.finding); });
        if (found == latest.end()) {
            t.present = 0;
            ++t.absent;
            continue;
        }
        t.finding = *found;
        t.order = int(found - latest.begin());
        ++t.present;
        t.absent = 0;
    }
    for (size_t n = 0; n < latest.size(); ++n) {
        const bool known = std::any_of(tracked_.begin(), tracked_.end(), [&](const Tracked& t) {
            return same(t.finding, latest[n]);
        });
        if (!known)
            tracked_.push_back({latest[n], 1, 0, false, int(n)});
    }
    for (Tracked& t : tracked_) {
        if (t.present >= kConfirmReadings)
            t.shown = true;
        if (t.absent >= kConfirmReadings)
            t.shown = false;
    }
    tracked_.erase(std::remove_if(tracked_.begin(), tracked_.end(),
                                  [](const Tracked& t) { return !t.shown && t.present == 0; }),
                   tracked_.end());
}

std::vector<Finding> FindingDebounce::steady() const {
    std::vector<const Tracked*> shown;
    for (const Tracked& t : tracked_) {
        if (t.shown)
            shown.push_back(&t);
    }
    std::stable_sort(shown.begin(), shown.end(),
                     [](const Tracked* a, const Tracked* b) { return a->order < b->order; });
    std::vector<Finding> findings;
    for (const Tracked* t : shown)
        findings.push_back(t->finding);
    if (findings.empty() && readings_ >= kConfirmReadings)
        findings.push_back(noFaultFound());
    return findings;
}

void FindingDebounce::reset() {
    tracked_.clear();
    readings_ = 0;
}

}  // namespace kestro::wiring
