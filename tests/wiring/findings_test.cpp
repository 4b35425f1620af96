// The wiring findings on plain readings: one table of cases, each reading
// held for three readings so that its findings are steady, and what the
// findings say.
#include <gtest/gtest.h>

#include <functional>
#include <locale>

#include "tests/wiring/WiringCases.h"
#include "tools/wiring/WiringCheck.h"

using namespace kestro::wiring;
using namespace kestro::wiring::test;

namespace {

using K = FindingKind;

struct Expected {
    FindingKind kind;
    PhaseSet phases;
    bool operator==(const Expected& o) const { return kind == o.kind && phases == o.phases; }
};

std::ostream& operator<<(std::ostream& os, const Expected& e) {
    return os << "{kind " << int(e.kind) << ", phases " << e.phases << "}";
}

constexpr PhaseSet kR = 1, kS = 2, kT = 4;

struct FindingCase {
    const char* name;
    std::function<void(WiringReadings&)> change;  // applied to balanced()
    SiteFlow flow;
    std::vector<Expected> expected;
};

std::vector<Finding> steadyFindings(const WiringReadings& r, SiteFlow flow) {
    WiringCheck check;
    check.setSiteFlow(flow);
    for (int n = 0; n < 3; ++n)
        check.update(r, n * 2000);
    return check.picture(4000)->findings;
}

void PrintTo(const FindingCase& c, std::ostream* os) {
    *os << c.name;
}

class Findings : public ::testing::TestWithParam<FindingCase> {};

TEST_P(Findings, FromPlainReadings) {
    WiringReadings r = balanced();
    GetParam().change(r);
    std::vector<Expected> got;
    for (const Finding& f : steadyFindings(r, GetParam().flow))
        got.push_back({f.kind, f.phases});
    EXPECT_EQ(got, GetParam().expected);
}

void lose(WiringReadings& r, int ph, double current) {
    r.phase[ph] = {0, current, 0, 0};
    r.status.missingPhase = r.status.phaseLoss[ph] = true;
}

const auto consumes = SiteFlow::ConsumesOnly;
const auto mayExport = SiteFlow::MayExport;
const auto exportsOnly = SiteFlow::ExportsOnly;

INSTANTIATE_TEST_SUITE_P(
    Cases, Findings,
    ::testing::Values(
        FindingCase{"BalancedInductive", [](WiringReadings&) {}, consumes, {{K::NoFault, 0}}},
        FindingCase{"BalancedCapacitive",
                    [](WiringReadings& r) {
                        for (auto& ph : r.phase)
                            ph = {230, 5, 995.9, -575};
                    },
                    consumes,
                    {{K::NoFault, 0}}},
        // Reversed CT on S: P -995.9 W, Q -575 Var.
        FindingCase{"ReversedS", [](WiringReadings& r) { r.phase[S] = {230, 5, -995.9, -575}; },
                    consumes, {{K::CtReversed, kS}}},
        FindingCase{"ReversedSAtASiteThatMayExport",
                    [](WiringReadings& r) { r.phase[S] = {230, 5, -995.9, -575}; }, mayExport,
                    {{K::CtReversed, kS}}},
        FindingCase{"ReversedSAndT",
                    [](WiringReadings& r) {
                        r.phase[S] = r.phase[T] = {230, 5, -995.9, -575};
                    },
                    consumes, {{K::CtReversed, kS}, {K::CtReversed, kT}}},
        FindingCase{"AllBackThoughTheSiteOnlyConsumes",
                    [](WiringReadings& r) {
                        for (auto& ph : r.phase)
                            ph = {230, 5, -995.9, -575};
                    },
                    consumes, {{K::CtReversed, kR}, {K::CtReversed, kS}, {K::CtReversed, kT}}},
        FindingCase{"AllBackAtASiteThatMayExport",
                    [](WiringReadings& r) {
                        for (auto& ph : r.phase)
                            ph = {230, 5, -995.9, -575};
                    },
                    mayExport, {{K::NoFault, 0}}},
        // Feeding in at 170°, with R's CT reversed: R at 170° - 180° = -10°
        // (P 1132.5, Q -200).
        FindingCase{"OneForwardAtAGeneratingSite",
                    [](WiringReadings& r) {
                        r.phase[R] = {230, 5, 1132.5, -200};
                        r.phase[S] = r.phase[T] = {230, 5, -1132.5, 200};
                    },
                    exportsOnly, {{K::CtReversed, kR}}},
        FindingCase{"AllBackAtAGeneratingSite",
                    [](WiringReadings& r) {
                        for (auto& ph : r.phase)
                            ph = {230, 5, -1132.5, 200};
                    },
                    exportsOnly, {{K::NoFault, 0}}},
        // P of a current 100° behind its voltage is -0.17 of V·I: under the
        // fifth that counts as flowing. At 105° it is -0.26: back.
        FindingCase{"NearlyPerpendicularIsNeitherWay",
                    [](WiringReadings& r) { r.phase[T] = at(230, 5, 100); }, consumes,
                    {{K::NoFault, 0}}},
        FindingCase{"JustFlowingBack", [](WiringReadings& r) { r.phase[T] = at(230, 5, 105); },
                    consumes, {{K::CtReversed, kT}}},
        // S and T swapped: S's input lags by 120° + 30° (P -995.9, Q 575),
        // T's by 30° - 120° = -90° (P 0, Q -1150). Both flow "back", but the
        // swap explains them.
        FindingCase{"SwappedSAndT",
                    [](WiringReadings& r) {
                        r.phase[S] = {230, 5, -995.9, 575};
                        r.phase[T] = {230, 5, 0, -1150};
                    },
                    consumes, {{K::CtOnOtherPhase, kS | kT}}},
        // R's input carries S's current: 120° + 30° behind R's voltage.
        FindingCase{"SwappedRAndS",
                    [](WiringReadings& r) {
                        r.phase[R] = {230, 5, -995.9, 575};
                        r.phase[S] = {230, 5, 0, -1150};
                    },
                    consumes, {{K::CtOnOtherPhase, kR | kS}}},
        // T's CT sits on S: 30° - 120° behind T's voltage; S reads right.
        FindingCase{"TsCtOnS", [](WiringReadings& r) { r.phase[T] = {230, 5, 0, -1150}; },
                    consumes, {{K::CtOnOtherPhase, kT}}},
        // S's true angle 49°: corrected angles 30°, 49°, 30°, 19° apart.
        FindingCase{"SwapWithAnglesNineteenDegreesApart",
                    [](WiringReadings& r) {
                        r.phase[S] = at(230, 5, 169);
                        r.phase[T] = {230, 5, 0, -1150};
                    },
                    consumes, {{K::CtOnOtherPhase, kS | kT}}},
        // 21° apart is not alike: S then only flows back (cos 171° = -0.99).
        FindingCase{"SwapWithAnglesTwentyOneDegreesApart",
                    [](WiringReadings& r) {
                        r.phase[S] = at(230, 5, 171);
                        r.phase[T] = {230, 5, 0, -1150};
                    },
                    consumes, {{K::CtReversed, kS}}},
        // Currents of 2 A against 5 A are not alike: the angles are not
        // compared.
        FindingCase{"SwapLookWithUnlikeCurrents",
                    [](WiringReadings& r) {
                        r.phase[S] = {230, 2, -398.4, 230};
                        r.phase[T] = {230, 5, 0, -1150};
                    },
                    consumes, {{K::CtReversed, kS}}},
        FindingCase{"CurrentWithoutVoltageOnS", [](WiringReadings& r) { lose(r, S, 5); },
                    consumes, {{K::CurrentWithoutVoltage, kS}}},
        FindingCase{"PhaseSLost", [](WiringReadings& r) { lose(r, S, 0); }, consumes,
                    {{K::NoVoltage, kS}}},
        // 22 V is under a tenth of 230 V: no voltage, though no bit says so.
        FindingCase{"LowVoltageWithoutStatusBit",
                    [](WiringReadings& r) { r.phase[T] = {22, 0, 0, 0}; }, consumes,
                    {{K::NoVoltage, kT}}},
        FindingCase{"SignalLoss",
                    [](WiringReadings& r) {
                        for (int ph : {R, S, T})
                            lose(r, ph, 0);
                        r.status.signalLoss = true;
                        r.frequency = 0;
                    },
                    consumes, {{K::SignalLoss, 0}}},
        FindingCase{"MissingPhaseBitAlone",
                    [](WiringReadings& r) { r.status.missingPhase = true; }, consumes,
                    {{K::MissingPhase, 0}}},
        FindingCase{"SequenceFault", [](WiringReadings& r) { r.status.sequenceFault = true; },
                    consumes, {{K::SequenceFault, 0}}},
        FindingCase{"NoCurrentOnT", [](WiringReadings& r) { r.phase[T] = {230, 0, 0, 0}; },
                    consumes, {{K::NoCurrent, kT}}},
        // 0.04 A is under the 50 mA that carry load without a configuration.
        FindingCase{"ResidualCurrentOnT", [](WiringReadings& r) { r.phase[T] = at(230, 0.04, 30); },
                    consumes, {{K::NoCurrent, kT}}},
        FindingCase{"NoLoadAnywhere",
                    [](WiringReadings& r) {
                        for (auto& ph : r.phase)
                            ph = {230, 0, 0, 0};
                    },
                    consumes, {{K::NoLoad, 0}}},
        // With 1000 A CTs, 1% is 10 A: T's 5 A carry no load while R and S
        // carry 500 A.
        FindingCase{"LoadJudgedByFullScale",
                    [](WiringReadings& r) {
                        r.fullScale = FullScale{{1000, 1000, 1000}, {500, 500, 500}};
                        r.phase[R] = r.phase[S] = at(230, 500, 30);
                    },
                    consumes, {{K::NoCurrent, kT}}},
        // Mean 230 V: 254 V is 10.4% above it, 252 V 9.6%.
        FindingCase{"VoltagesUnbalancedJustOverTenPercent",
                    [](WiringReadings& r) {
                        r.phase[R].v = 254;
                        r.phase[S].v = r.phase[T].v = 218;
                    },
                    consumes, {{K::VoltageUnbalance, 0}}},
        FindingCase{"VoltagesUnbalancedJustUnderTenPercent",
                    [](WiringReadings& r) {
                        r.phase[R].v = 252;
                        r.phase[S].v = r.phase[T].v = 219;
                    },
                    consumes, {{K::NoFault, 0}}},
        FindingCase{"FrequencyAt45", [](WiringReadings& r) { r.frequency = 45; }, consumes,
                    {{K::NoFault, 0}}},
        FindingCase{"FrequencyUnder45", [](WiringReadings& r) { r.frequency = 44.9; }, consumes,
                    {{K::FrequencyOutOfRange, 0}}},
        FindingCase{"FrequencyAt65", [](WiringReadings& r) { r.frequency = 65; }, consumes,
                    {{K::NoFault, 0}}},
        FindingCase{"FrequencyOver65", [](WiringReadings& r) { r.frequency = 65.1; }, consumes,
                    {{K::FrequencyOutOfRange, 0}}},
        FindingCase{"AtFullScale",
                    [](WiringReadings& r) {
                        r.fullScale = FullScale{{5, 5, 5}, {230, 230, 230}};
                    },
                    consumes, {{K::NoFault, 0}}},
        FindingCase{"AboveFullScale",
                    [](WiringReadings& r) {
                        r.fullScale = FullScale{{5, 5, 5}, {500, 200, 500}};
                        r.phase[R].i = 5.2;
                    },
                    consumes,
                    {{K::CurrentAboveFullScale, kR}, {K::VoltageAboveFullScale, kS}}},
        FindingCase{"SeveralAtOnce",
                    [](WiringReadings& r) {
                        r.status.sequenceFault = true;
                        r.phase[R] = {230, 5, -995.9, -575};
                        r.frequency = 70;
                    },
                    consumes,
                    {{K::SequenceFault, 0}, {K::CtReversed, kR}, {K::FrequencyOutOfRange, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(FindingTexts, NameThePhasesAndWhatToDo) {
    WiringReadings r = balanced();
    r.phase[S] = {230, 5, -995.9, 575};
    r.phase[T] = {230, 5, 0, -1150};
    const auto swap = steadyFindings(r, SiteFlow::ConsumesOnly);
    ASSERT_EQ(swap.size(), 1u);
    EXPECT_TRUE(has(swap[0].what, "CTs of phases S and T are probably swapped")) << swap[0].what;

    r = balanced();
    r.phase[T] = {230, 5, 0, -1150};
    EXPECT_TRUE(has(steadyFindings(r, SiteFlow::ConsumesOnly)[0].what,
                    "The CT on phase T's input probably carries phase S's current."));

    r = balanced();
    r.phase[S] = {230, 5, -995.9, -575};
    const Finding consumes = steadyFindings(r, SiteFlow::ConsumesOnly)[0];
    EXPECT_TRUE(has(consumes.what, "flows back on phase S, though the site only consumes"));
    EXPECT_TRUE(has(consumes.check, "probably is mounted reversed") ||
                has(consumes.check, "probably mounted reversed") ||
                has(consumes.check, "is mounted reversed"));
    EXPECT_TRUE(has(consumes.check, "P1") && has(consumes.check, "S1 and S2"));
    const Finding mayExport = steadyFindings(r, SiteFlow::MayExport)[0];
    EXPECT_TRUE(has(mayExport.what, "back on phase S but forward on R and T"));
    EXPECT_TRUE(has(mayExport.check, "If nothing on phase S feeds power back"));

    EXPECT_EQ(steadyFindings(balanced(), SiteFlow::ConsumesOnly)[0].what, "No wiring fault found");
}

// Figures in the texts are whole numbers and percentages, the same under
// any locale.
TEST(FindingTexts, FiguresAreWholeNumbersUnderAnyLocale) {
    struct Comma : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    const std::locale before = std::locale::global(std::locale(std::locale::classic(), new Comma));
    WiringReadings r = balanced();
    r.phase[R].v = 260;
    r.phase[S].v = r.phase[T].v = 215;  // 30 V above the mean of 230 V: 13%
    r.frequency = 1234.5;
    r.fullScale = FullScale{{0.5, 5, 5}, {500, 500, 500}};  // R reads 5 A of 0.5 A: 1000%
    const auto findings = findFaults(r, SiteFlow::ConsumesOnly);
    std::locale::global(before);
    std::string all;
    for (const Finding& f : findings)
        all += f.what + "\n";
    EXPECT_TRUE(has(all, "differ by up to 13% from their mean, more than 10%.")) << all;
    EXPECT_TRUE(has(all, "The frequency reads 1235 Hz")) << all;
    EXPECT_TRUE(has(all, "reads 1000% of its engineering full scale")) << all;
}

}  // namespace
