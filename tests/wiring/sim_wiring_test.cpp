// The wiring check fed from the simulated analyzer's registers, reading by
// reading as a master sees them, for each wiring fault the simulator puts
// on the line: each gives its finding, and the line wired right gives none.
#include <gtest/gtest.h>

#include <functional>

#include "sim/model/DeviceModel.h"
#include "tests/sim/SimTestSupport.h"
#include "tools/wiring/WiringCheck.h"

using namespace kestro::wiring;
using kestro::sim::DeviceModel;
using kestro::sim::LineFaults;
using namespace kestro::regmap;

namespace {

bool bit(uint16_t word, int b) {
    return (word >> b) & 1;
}

// The readings and the configured full scales as read over the line: the
// input registers in swapped word order, the holding registers in normal.
WiringReadings readingsOf(const DeviceModel& model) {
    const auto in = model.inputRegisters();
    const auto hold = model.holdingRegisters();
    auto value = [&in](int address) { return kestro::sim::test::swappedFloat(&in[address]); };
    WiringReadings r;
    FullScale scale;
    for (int ph = 0; ph < kestro::wiring::kPhaseCount; ++ph) {
        r.phase[ph] = {value(kInVoltage[ph]), value(kInCurrent[ph]), value(kInActive[ph]),
                       value(kInReactive[ph])};
        r.status.phaseLoss[ph] = bit(in[kInStatusWord], kStatusLoss[ph]);
        scale.current[ph] = kestro::sim::getFloat(&hold[kHoldEngIr + 2 * ph]);
        scale.voltage[ph] = kestro::sim::getFloat(&hold[kHoldEngIr + 6 + 2 * ph]);
    }
    r.frequency = value(kInF);
    r.status.sequenceFault = bit(in[kInStatusWord], kStatusPhaseSeqErr);
    r.status.missingPhase = bit(in[kInStatusWord], kStatusMissingPhase);
    r.status.signalLoss = bit(in[kInStatusWord], kStatusSignalLoss);
    r.fullScale = scale;
    return r;
}

struct Expected {
    FindingKind kind;
    PhaseSet phases;
    bool operator==(const Expected& o) const { return kind == o.kind && phases == o.phases; }
};

std::ostream& operator<<(std::ostream& os, const Expected& e) {
    return os << "{kind " << int(e.kind) << ", phases " << e.phases << "}";
}

struct SimCase {
    const char* name;
    std::function<void(LineFaults&)> apply;
    SiteFlow flow;
    std::vector<Expected> expected;
};

void PrintTo(const SimCase& c, std::ostream* os) {
    *os << c.name;
}

class WiringFromSimulator : public ::testing::TestWithParam<SimCase> {};

// Two minutes of readings every two seconds, the line drifting underneath:
// the steady findings stay the expected ones from the third reading on.
TEST_P(WiringFromSimulator, GivesTheFinding) {
    DeviceModel model;
    GetParam().apply(model.faults);
    WiringCheck check;
    check.setSiteFlow(GetParam().flow);
    for (int n = 0; n < 60; ++n, model.advance(2000)) {
        check.update(readingsOf(model), n * 2000);
        if (n < 2)
            continue;
        const auto picture = check.picture(n * 2000);
        std::vector<Expected> got;
        for (const Finding& f : picture->findings)
            got.push_back({f.kind, f.phases});
        ASSERT_EQ(got, GetParam().expected) << "reading " << n;
    }
}

using K = FindingKind;
constexpr int R = 0, S = 1, T = 2;
const auto consumes = SiteFlow::ConsumesOnly;

INSTANTIATE_TEST_SUITE_P(
    Faults, WiringFromSimulator,
    ::testing::Values(SimCase{"WiredRight", [](LineFaults&) {}, consumes, {{K::NoFault, 0}}},
                      SimCase{"ReversedCtOnS",
                              [](LineFaults& f) { f.phase[S].reverseCt = true; },
                              consumes,
                              {{K::CtReversed, 2}}},
                      SimCase{"SwappedCtsOfSAndT",
                              [](LineFaults& f) {
                                  f.swappedCts[0] = S;
                                  f.swappedCts[1] = T;
                              },
                              consumes,
                              {{K::CtOnOtherPhase, 6}}},
                      SimCase{"SwappedCtsOfRAndT",
                              [](LineFaults& f) {
                                  f.swappedCts[0] = R;
                                  f.swappedCts[1] = T;
                              },
                              consumes,
                              {{K::CtOnOtherPhase, 5}}},
                      SimCase{"SwappedCtsInTheOtherRotation",
                              [](LineFaults& f) {
                                  f.sequenceFault = true;
                                  f.swappedCts[0] = S;
                                  f.swappedCts[1] = T;
                              },
                              consumes,
                              {{K::SequenceFault, 0}, {K::CtOnOtherPhase, 6}}},
                      SimCase{"MissingVoltageOnT",
                              [](LineFaults& f) { f.phase[T].voltageMissing = true; },
                              consumes,
                              {{K::CurrentWithoutVoltage, 4}}},
                      SimCase{"PhaseRDropped",
                              [](LineFaults& f) { f.phase[R].dropped = true; },
                              consumes,
                              {{K::NoVoltage, 1}}},
                      SimCase{"ReversedSequence",
                              [](LineFaults& f) { f.sequenceFault = true; },
                              consumes,
                              {{K::SequenceFault, 0}}},
                      SimCase{"ExportingSAtASiteThatMayExport",
                              [](LineFaults& f) { f.phase[S].exporting = true; },
                              SiteFlow::MayExport,
                              {{K::CtReversed, 2}}},
                      SimCase{"ExportingEverywhereAtASiteThatMayExport",
                              [](LineFaults& f) {
                                  for (auto& ph : f.phase)
                                      ph.exporting = true;
                              },
                              SiteFlow::MayExport,
                              {{K::NoFault, 0}}},
                      SimCase{"ExportingSAtAGeneratingSite",
                              [](LineFaults& f) { f.phase[S].exporting = true; },
                              SiteFlow::ExportsOnly,
                              {{K::CtReversed, 1}, {K::CtReversed, 4}}}),
    [](const auto& info) { return std::string(info.param.name); });

// The finding's words for the swap the simulator made.
TEST(WiringFromSimulator, NamesTheSwappedCts) {
    DeviceModel model;
    model.faults.swappedCts[0] = R;
    model.faults.swappedCts[1] = T;
    WiringCheck check;
    for (int n = 0; n < 3; ++n, model.advance(2000))
        check.update(readingsOf(model), n * 2000);
    const auto findings = check.picture(4000)->findings;
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].what.find("The CTs of phases R and T are probably swapped"),
              std::string::npos)
        << findings[0].what;
}

}  // namespace
