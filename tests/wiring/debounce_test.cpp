// Findings steadied over readings: three in a row to show, three in a row
// to go, and the picture marked old when readings stop.
#include <gtest/gtest.h>

#include "tests/wiring/WiringCases.h"
#include "tools/wiring/FindingDebounce.h"
#include "tools/wiring/WiringCheck.h"

using namespace kestro::wiring;
using namespace kestro::wiring::test;

namespace {

Finding finding(FindingKind kind, PhaseSet phases, const std::string& what = "") {
    return {kind, phases, what, ""};
}

std::vector<FindingKind> kinds(const std::vector<Finding>& findings) {
    std::vector<FindingKind> out;
    for (const Finding& f : findings)
        out.push_back(f.kind);
    return out;
}

using K = FindingKind;
const Finding kReversedS = finding(K::CtReversed, 2);
const Finding kReversedT = finding(K::CtReversed, 4);

TEST(FindingDebounce, NothingUntilThreeReadingsThenNoFault) {
    FindingDebounce d;
    d.update({});
    d.update({});
    EXPECT_TRUE(d.steady().empty());
    d.update({});
    EXPECT_EQ(kinds(d.steady()), std::vector<K>{K::NoFault});
}

TEST(FindingDebounce, ShowsAfterThreeInARowAndGoesAfterThreeAbsent) {
    FindingDebounce d;
    const std::vector<std::vector<Finding>> readings = {
        {}, {}, {}, {kReversedS}, {kReversedS}, {kReversedS}, {}, {}, {}};
    const std::vector<std::vector<K>> steady = {{},
                                                {},
                                                {K::NoFault},
                                                {K::NoFault},
                                                {K::NoFault},
                                                {K::CtReversed},
                                                {K::CtReversed},
                                                {K::CtReversed},
                                                {K::NoFault}};
    for (size_t n = 0; n < readings.size(); ++n) {
        d.update(readings[n]);
        EXPECT_EQ(kinds(d.steady()), steady[n]) << "reading " << n;
    }
}

// A load that switches every other reading never makes it to the list, and
// a steady finding missing from one reading in two stays.
TEST(FindingDebounce, AlternatingConditionsDoNotFlicker) {
    FindingDebounce d;
    for (int n = 0; n < 10; ++n) {
        d.update(n % 2 ? std::vector<Finding>{kReversedS} : std::vector<Finding>{});
        if (n >= 2) {
            EXPECT_EQ(kinds(d.steady()), std::vector<K>{K::NoFault}) << n;
        }
    }
    FindingDebounce shown;
    for (int n = 0; n < 3; ++n)
        shown.update({kReversedS});
    for (int n = 0; n < 10; ++n) {
        shown.update(n % 2 ? std::vector<Finding>{kReversedS} : std::vector<Finding>{});
        EXPECT_EQ(kinds(shown.steady()), std::vector<K>{K::CtReversed}) << n;
    }
}

// The same kind on another phase is another finding; a finding keeps its
// latest text.
TEST(FindingDebounce, KindAndPhasesMakeAFindingTextFollowsTheLatest) {
    FindingDebounce d;
    d.update({kReversedS});
    d.update({kReversedS});
    d.update({kReversedT});
    EXPECT_EQ(kinds(d.steady()), std::vector<K>{K::NoFault});
    d.update({finding(K::VoltageUnbalance, 0, "12%")});
    d.update({finding(K::VoltageUnbalance, 0, "13%")});
    d.update({finding(K::VoltageUnbalance, 0, "11%")});
    ASSERT_EQ(d.steady().size(), 1u);
    EXPECT_EQ(d.steady()[0].what, "11%");
}

TEST(WiringCheck, PictureIsMarkedOldSixSecondsAfterTheLastReading) {
    WiringCheck check;
    EXPECT_FALSE(check.picture(0));
    WiringReadings r = balanced();
    check.update(r, 1000);
    r.phase[R].v = 231;
    check.update(r, 3000);
    auto picture = check.picture(8999);
    ASSERT_TRUE(picture);
    EXPECT_FALSE(picture->old);
    EXPECT_EQ(picture->readings.phase[R].v, 231);
    EXPECT_NEAR(picture->diagram.phase[R].current.angle, -30, 1e-9);
    EXPECT_TRUE(check.picture(9000)->old);
    check.update(r, 9500);
    EXPECT_FALSE(check.picture(9500)->old);
}

// The findings mean other things for another kind of site: they start
// afresh.
TEST(WiringCheck, ChangingTheSiteStartsTheFindingsAfresh) {
    WiringCheck check;
    WiringReadings r = balanced();
    r.phase[S] = {230, 5, -995.9, -575};
    for (int n = 0; n < 3; ++n)
        check.update(r, n * 2000);
    EXPECT_EQ(kinds(check.picture(4000)->findings), std::vector<K>{K::CtReversed});
    check.setSiteFlow(SiteFlow::ExportsOnly);
    check.update(r, 6000);
    EXPECT_TRUE(check.picture(6000)->findings.empty());
    check.update(r, 8000);
    check.update(r, 10000);
    const auto findings = check.picture(10000)->findings;
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[0].phases, 1u);  // R and T draw power while S feeds back
    EXPECT_EQ(findings[1].phases, 4u);
}

}  // namespace
