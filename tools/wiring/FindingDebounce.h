#pragma once
// Steadies the findings of single readings: a finding shows once it has
// held for kConfirmReadings readings in a row and goes once it has been
// absent for as many, so a load switching on and off does not make the
// list flicker. A finding is the same from one reading to the next when
// its kind and phases are; it shows with its latest texts.

#include <vector>

#include "tools/wiring/Findings.h"

namespace kestro::wiring {

class FindingDebounce {
  public:
    // Takes the findings of the next reading.
    void update(const std::vector<Finding>& latest);
    // The steady findings in the order of the latest reading; "No wiring
    // fault found" when none has held and kConfirmReadings readings have
    // come; nothing before that.
    std::vector<Finding> steady() const;
    void reset();

  private:
    struct Tracked {
        Finding finding;
        int present = 0;  // readings in a row with it
        int absent = 0;   // readings in a row without it
        bool shown = false;
        int order = 0;  // position in the latest reading that had it
    };
    std::vector<Tracked> tracked_;
    int readings_ = 0;
};

}  // namespace kestro::wiring
