#pragma once
// What looks wrong with the wiring in one reading, in plain words, each
// with what to check. The findings of a single reading flicker with the
// load; FindingDebounce steadies them.

#include <string>
#include <vector>

#include "tools/wiring/WiringReadings.h"

namespace kestro::wiring {

// Whether power may flow back from the site into the supply: decides what
// a phase with reversed active power means.
enum class SiteFlow {
    ConsumesOnly,  // power only flows in: reversed power is a reversed CT
    MayExport,     // PV or a generator may feed back on some phases
    ExportsOnly,   // a generating site: power flows out on every phase
};

enum class FindingKind {
    SignalLoss,
    NoVoltage,
    CurrentWithoutVoltage,
    MissingPhase,
    SequenceFault,
    CtOnOtherPhase,
    CtReversed,
    NoCurrent,
    NoLoad,
    VoltageUnbalance,
    FrequencyOutOfRange,
    CurrentAboveFullScale,
    VoltageAboveFullScale,
    NoFault,
};

// The phases a finding is about: bit 0 R, bit 1 S, bit 2 T.
using PhaseSet = unsigned;
constexpr PhaseSet phaseBit(int phase) {
    return 1u << phase;
}

struct Finding {
    FindingKind kind = FindingKind::NoFault;
    PhaseSet phases = 0;
    std::string what;   // what the readings show
    std::string check;  // what to check or do about it
};

// Every finding of one reading, most basic first (no voltage before
// anything measured with it). Never NoFault.
std::vector<Finding> findFaults(const WiringReadings& readings, SiteFlow flow);

// "No wiring fault found".
Finding noFaultFound();

// The phases by name: "S", "R and T", "R, S and T".
std::string phaseList(PhaseSet phases);

}  // namespace kestro::wiring
