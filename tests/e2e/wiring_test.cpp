// The wiring check against the simulated analyzer with each wiring fault
// of a site: the window, opened from the Tools menu, names the fault (or
// finds none) from the live readings. With KESTRO_DOCS_PICTURES set it
// saves a picture of each for the user guide.
#include <QTest>
#include <QTextBrowser>

#include "tests/e2e/KestroFixture.h"
#include "tests/support/Waiting.h"
#include "tools/wiring/WiringWindow.h"

using namespace kestro;
using namespace kestro::test;

namespace {

// Three readings make a finding; a reading comes every 2 s.
constexpr int kFindingMs = 30000;

struct WiringFault {
    const char* name;
    QStringList options;
    const char* finding;
    const char* picture;
};

void PrintTo(const WiringFault& fault, std::ostream* os) {
    *os << fault.name;
}

class WiringCheckOnSimulator : public KestroTest,
                               public ::testing::WithParamInterface<WiringFault> {};

TEST_P(WiringCheckOnSimulator, NamesTheFaultTheSiteHas) {
    const WiringFault& fault = GetParam();
    ASSERT_NO_FATAL_FAILURE(startSimulator(fault.options));
    ASSERT_NO_FATAL_FAILURE(startKestro());
    ASSERT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();

    window().bbWiringCheck->trigger();
    WiringWindow& wiring = window().wiringWindow();
    ASSERT_TRUE(wiring.isVisible());
    const auto findings = [&] { return wiring.findingsView->toPlainText(); };
    EXPECT_TRUE(waitUntil([&] { return findings().contains(fault.finding); }, kFindingMs))
        << findings().toStdString();
    if (QString(fault.finding) == "No wiring fault found") {
        EXPECT_EQ(findings().trimmed(), fault.finding);
    }
    ASSERT_TRUE(wiring.picture());
    EXPECT_FALSE(wiring.picture()->old);
    EXPECT_TRUE(wiring.stateLabel->text().startsWith("Live: the reading of"));

    const QString pictures = qEnvironmentVariable("KESTRO_DOCS_PICTURES");
    if (!pictures.isEmpty()) {
        wiring.resize(1060, 600);
        QTest::qWait(200);
        EXPECT_TRUE(wiring.grab().save(QDir(pictures).filePath(fault.picture)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, WiringCheckOnSimulator,
    ::testing::Values(WiringFault{"Healthy", {}, "No wiring fault found", "wiring-healthy.png"},
                      WiringFault{
                          "ReversedCt",
                          {"--reverse-ct", "S"},
                          "Active power flows back on phase S, though the site only consumes.",
                          "wiring-reversed-ct.png"},
                      WiringFault{"SwappedCts",
                                  {"--swap-ct", "S,T"},
                                  "The CTs of phases S and T are probably swapped",
                                  "wiring-swapped-cts.png"},
                      WiringFault{"MissingVoltage",
                                  {"--missing-voltage", "T"},
                                  "Phase T carries current but has no voltage.",
                                  "wiring-missing-voltage.png"}),
    [](const ::testing::TestParamInfo<WiringFault>& info) { return info.param.name; });

// The simulator stops answering: the window says so and keeps the last
// picture, marked as old.
TEST_F(KestroTest, WiringCheckMarksItsPictureOldWhenReadingsStop) {
    ASSERT_NO_FATAL_FAILURE(startSimulator({"--reverse-ct", "S"}));
    ASSERT_NO_FATAL_FAILURE(startKestro());
    ASSERT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();
    window().bbWiringCheck->trigger();
    WiringWindow& wiring = window().wiringWindow();
    ASSERT_TRUE(waitUntil([&] { return wiring.findingsView->toPlainText().contains("phase S"); },
                          kFindingMs));

    ASSERT_NO_FATAL_FAILURE(startSimulator({"--reverse-ct", "S", "--silent"}));
    EXPECT_TRUE(waitUntil([&] { return wiring.picture() && wiring.picture()->old; }, kFindingMs));
    EXPECT_TRUE(wiring.stateLabel->text().startsWith("Readings have stopped ("))
        << wiring.stateLabel->text().toStdString();
    EXPECT_TRUE(wiring.findingsView->toPlainText().contains("phase S"));

    const QString pictures = qEnvironmentVariable("KESTRO_DOCS_PICTURES");
    if (!pictures.isEmpty()) {
        wiring.resize(1060, 600);
        QTest::qWait(200);
        EXPECT_TRUE(wiring.grab().save(QDir(pictures).filePath("wiring-old.png")));
    }
}

}  // namespace
