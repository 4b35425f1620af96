// The service report of a scripted run: the program on the virtual line,
// the simulated analyzer answering, the user's commands as they are given.
#include <QFile>

#include "device/DeviceCommands.h"
#include "tests/report/ReportFixture.h"
#include "tools/report/ReportControl.h"

namespace kestro::test {
namespace {

// 2026-12-11 at hh:mm:00, local time, in milliseconds since the epoch.
int64_t at(int hour, int minute) {
    return QDateTime(QDate(2026, 12, 11), QTime(hour, minute)).toMSecsSinceEpoch();
}

using ReportRunTest = ReportTest;

TEST_F(ReportRunTest, DownloadCalibrationResetAndClockAreInTheReportInOrder) {
    startPolling();
    setClock(QTime(10, 0));
    ASSERT_EQ(download(), "Configuration downloaded.");
    setClock(QTime(10, 1));
    ASSERT_EQ(calibrateActivePower(), "Calibration success.");
    setClock(QTime(10, 2));
    resetKWh();
    setClock(QTime(10, 3));
    setDeviceClock();
    setClock(QTime(10, 4));

    const report::ServiceReport r =
        window->reportControl().gather({"Acme Service", "J. Smith", "Plant North", "Panel 2"});

    EXPECT_EQ(r.header.company, "Acme Service");
    EXPECT_EQ(r.header.site, "Plant North");
    EXPECT_EQ(r.created.msSinceEpoch, at(10, 4));
    EXPECT_EQ(r.port, "COM1");
    EXPECT_EQ(r.slaveAddress, 17);
    EXPECT_EQ(r.lineBaud, 9600);
    ASSERT_EQ(r.actions.size(), 4u);

    EXPECT_EQ(r.actions[0].at.msSinceEpoch, at(10, 0));
    EXPECT_EQ(r.actions[0].what, "Download");
    EXPECT_EQ(r.actions[0].details, "Configuration \"Feeder 3\": slave ID 17, 19200 baud");
    EXPECT_EQ(r.actions[0].outcome, "Configuration downloaded.");
    EXPECT_FALSE(r.actions[0].failed);

    // The sample's calibration points are 13.5 to 18.5; Active (P) ticks
    // PR, PS, PT, VR, VS, VT.
    EXPECT_EQ(r.actions[1].at.msSinceEpoch, at(10, 1));
    EXPECT_EQ(r.actions[1].what, "Calibration");
    EXPECT_EQ(r.actions[1].details,
              "Calibrate PR, PS, PT, VR, VS, VT (control word 01C7h); applied Ir 13.500 A, "
              "Is 14.500 A, It 15.500 A, Vr 16.500 V, Vs 17.500 V, Vt 18.500 V");
    EXPECT_EQ(r.actions[1].outcome, "Calibration success.");

    // The simulated meter starts at 1523.4 kWh and counts a fraction of a
    // kWh in the minutes of this run.
    EXPECT_EQ(r.actions[2].at.msSinceEpoch, at(10, 2));
    EXPECT_EQ(r.actions[2].what, "Energy reset");
    EXPECT_EQ(r.actions[2].details.substr(0, 18), "kWh meter; it read");
    const auto& before = CommandHost.journal.actions()[2].meterBefore;
    ASSERT_TRUE(before);
    EXPECT_NEAR(*before, 1523.4, 1.0);
    EXPECT_EQ(r.actions[2].outcome, "Valid response received <10h>.");
    EXPECT_FALSE(r.actions[2].failed);

    EXPECT_EQ(r.actions[3].at.msSinceEpoch, at(10, 3));
    EXPECT_EQ(r.actions[3].what, "Clock setting");
    EXPECT_EQ(r.actions[3].details,
              "Set to 11:12:2026, 10:03:00, Friday from the computer's clock");
    EXPECT_EQ(r.actions[3].outcome, "Valid response received <10h>.");

    // No upload in this run: the block was read for the report, and holds
    // what was downloaded.
    EXPECT_EQ(r.readBackSource, "Read for this report.");
    EXPECT_TRUE(r.configurationMatches);
    EXPECT_EQ(r.firmware, "RVX82A V1.10");
    EXPECT_EQ(r.configurationName, "Feeder 3");
    ASSERT_EQ(r.configuration.size(), 14u);
    EXPECT_EQ(r.configuration[1].analyzer, 19200);
    EXPECT_EQ(r.configuration[2].analyzer, 1.5);

    EXPECT_EQ(r.readings.size(), 20u);
    EXPECT_EQ(r.lamps.front(), "Fault lamps: none lit");
    ASSERT_TRUE(r.wiring);
    // The sample's voltage full scales (10.5 to 12.5 V) are far below the
    // 230 V the analyzer measures: the check says so for each phase.
    ASSERT_EQ(r.findings.size(), 3u);
    const char* const phases[] = {"R", "S", "T"};
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(
            r.findings[p].rfind(std::string("The voltage of phase ") + phases[p] + " reads", 0), 0u)
            << r.findings[p];
    }
    EXPECT_TRUE(r.clock);
}

TEST_F(ReportRunTest, AfterAnUploadTheReportTakesTheUploadedBlock) {
    startPolling();
    interaction.files = {inProgram("device.cfg")};
    ASSERT_EQ(pressInConfigDialog("btnUpload"), "Configuration uploaded.");
    const size_t writesBefore = platform.port->written.size();

    const report::ServiceReport r = window->reportControl().gather({});

    EXPECT_EQ(r.readBackSource, "From the last upload.");
    ASSERT_EQ(r.actions.size(), 1u);
    EXPECT_EQ(r.actions[0].what, "Upload");
    EXPECT_EQ(r.actions[0].details, "Read slave ID 17, 9600 baud, firmware \"RVX82A V1.10\"");
    EXPECT_EQ(r.actions[0].outcome, "Configuration uploaded.");
    // Nothing asked of the analyzer for the report itself.
    EXPECT_EQ(platform.port->written.size(), writesBefore);
}

TEST_F(ReportRunTest, ABlockTheAnalyzerDoesNotSendIsSaidInTheReportWithoutAMessage) {
    startPolling();
    responder.OnReply = [](std::vector<uint8_t>& frame) { return frame[1] != 0x03; };

    const report::ServiceReport r = window->reportControl().gather({});

    EXPECT_EQ(r.readBackSource,
              "Not read from the analyzer: the analyzer did not answer the read.");
    EXPECT_EQ(r.firmware, "");
    EXPECT_FALSE(r.configurationMatches);
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_TRUE(interaction.beeps.empty());
    EXPECT_TRUE(r.actions.empty());
}

TEST_F(ReportRunTest, AFailedResetKeepsTheStatusLinesText) {
    startPolling();
    responder.OnReply = [](std::vector<uint8_t>& frame) { return frame[1] != 0x10; };
    resetKWh();
    const ActionRecord& reset = CommandHost.journal.actions().back();
    EXPECT_EQ(reset.outcome, "No response from slave device.");
    EXPECT_TRUE(reset.failed);
}

TEST_F(ReportRunTest, AResetReplacedByTheClockBeforeItWasAnsweredDoesNotTakeTheClocksOutcome) {
    startPolling();
    interaction.answers = {Answer::Yes, Answer::Yes};
    window->IndPtotButton->click();
    window->edRTCButton->click();
    ASSERT_TRUE(platform.clock.runUntil(
        [] { return CommandHost.journal.actions().back().settled(); }, 10000));

    const auto& actions = CommandHost.journal.actions();
    ASSERT_EQ(actions.size(), 2u);
    EXPECT_EQ(actions[0].outcome, "Replaced by the next command before its answer came.");
    EXPECT_TRUE(actions[0].failed);
    EXPECT_EQ(actions[1].outcome, "Valid response received <10h>.");
}

// The report judges the wiring for the kind of site the wiring check keeps:
// phase S's power flowing back (its CT turned round) is a reversed CT at a
// site that only consumes, and possibly a generator where the site may export.
class ReportSiteTest : public ReportTest, public testing::WithParamInterface<const char*> {};

TEST_P(ReportSiteTest, TheWiringFindingsAreJudgedForTheKeptKindOfSite) {
    model.faults.phase[1].reverseCt = true;
    writeConfigFile(inProgram("plant.cfg"), sample());
    writeIni(programDir.path(), "[CONFIG]\nFileName=plant.cfg\nPath=" + programPath().toUtf8() +
                                    "\n" + QByteArray(GetParam()));
    startProgram();
    ASSERT_TRUE(
        platform.clock.runUntil([&] { return window->readings().latest() != nullptr; }, 10000));
    platform.clock.advanceMs(8000);

    const report::ServiceReport r = window->reportControl().gather({});
    ASSERT_TRUE(r.wiring);
    std::string reverse;
    for (const wiring::Finding& f : r.wiring->findings) {
        if (f.kind == wiring::FindingKind::CtReversed)
            reverse += f.what + " " + f.check;
    }
    const bool mayExport = QByteArray(GetParam()).contains("MayExport");
    EXPECT_EQ(reverse.find("though the site only consumes") != std::string::npos, !mayExport)
        << reverse;
    EXPECT_EQ(reverse.find("If nothing on phase S feeds power back") != std::string::npos,
              mayExport)
        << reverse;
}

INSTANTIATE_TEST_SUITE_P(Sites, ReportSiteTest,
                         testing::Values("", "[WIRING]\nSite=ConsumesOnly\n",
                                         "[WIRING]\nSite=MayExport\n"));

}  // namespace
}  // namespace kestro::test
