// The service report's data from plain inputs: the configuration compared
// field by field, the analyzer's clock against the computer's, the lamps
// and the actions in words.
#include <gtest/gtest.h>

#include "tools/report/ServiceReport.h"

namespace kestro::report {
namespace {

// 2026-12-11 10:00:00 at UTC+01:00, a Friday.
constexpr TimeStamp kTenOClock{1796979600000, 3600};

ConfigurationBlock numberedBlock() {
    ConfigurationBlock block;
    block.slaveId = 17;
    block.baud = 19200;
    for (size_t i = 0; i < block.fullScale.size(); ++i)
        block.fullScale[i] = 1.5f + float(i);
    return block;
}

ReportInputs inputs() {
    ReportInputs in;
    in.created = kTenOClock;
    in.configuration = {"Feeder 3", "/plant/plant.cfg", numberedBlock()};
    return in;
}

TEST(ReportConfigurationTest, TheAnalyzersBlockIsComparedFieldByField) {
    ReportInputs in = inputs();
    ConfigurationBlock device = numberedBlock();
    device.baud = 9600;
    device.fullScale[11] = 500.0f;  // EngVt
    device.firmware = std::string("RVX82A V1.10  \0\0", 16);
    in.readBack = ConfigurationReadBack{kTenOClock, device};
    in.readBackFromUpload = true;

    const ServiceReport r = BuildReport(in, '.');

    ASSERT_EQ(r.configuration.size(), 14u);
    EXPECT_EQ(r.configuration[0].label, "Slave ID");
    EXPECT_EQ(r.configuration[0].inEffect, 17);
    EXPECT_EQ(r.configuration[0].analyzer, 17);
    EXPECT_FALSE(r.configuration[0].differs);
    EXPECT_EQ(r.configuration[1].label, "Baud");
    EXPECT_EQ(r.configuration[1].unit, "bit/s");
    EXPECT_EQ(r.configuration[1].inEffect, 19200);
    EXPECT_EQ(r.configuration[1].analyzer, 9600);
    EXPECT_TRUE(r.configuration[1].differs);
    EXPECT_EQ(r.configuration[2].label, "Ir input full scale");
    EXPECT_EQ(r.configuration[2].unit, "A");
    EXPECT_EQ(r.configuration[2].inEffect, 1.5);
    EXPECT_EQ(r.configuration[2].decimals, 3);
    EXPECT_FALSE(r.configuration[2].differs);
    EXPECT_EQ(r.configuration[7].label, "Vt input full scale");
    EXPECT_EQ(r.configuration[7].unit, "V");
    EXPECT_EQ(r.configuration[13].label, "Vt engineering full scale");
    EXPECT_EQ(r.configuration[13].inEffect, 12.5);
    EXPECT_EQ(r.configuration[13].analyzer, 500.0);
    EXPECT_TRUE(r.configuration[13].differs);
    EXPECT_FALSE(r.configurationMatches);
    EXPECT_EQ(r.firmware, "RVX82A V1.10");
    EXPECT_EQ(r.readBackSource, "From the last upload.");
    EXPECT_EQ(r.configurationName, "Feeder 3");
    EXPECT_EQ(r.configurationFile, "/plant/plant.cfg");
}

TEST(ReportConfigurationTest, ABlockThatWasNotReadLeavesTheAnalyzerColumnEmptyAndSaysWhy) {
    ReportInputs in = inputs();
    in.configuration.block.firmware = "RVX82A V1.10";  // the file's word, not the analyzer's
    in.readBackFailure = "the analyzer did not answer the read";

    const ServiceReport r = BuildReport(in, '.');

    for (const ConfigurationField& f : r.configuration) {
        EXPECT_FALSE(f.analyzer) << f.label;
        EXPECT_FALSE(f.differs) << f.label;
    }
    EXPECT_FALSE(r.configurationMatches);
    EXPECT_EQ(r.firmware, "");
    EXPECT_EQ(r.readBackSource,
              "Not read from the analyzer: the analyzer did not answer the read.");
}

TEST(ReportConfigurationTest, AnEqualBlockMatches) {
    ReportInputs in = inputs();
    in.readBack = ConfigurationReadBack{kTenOClock, numberedBlock()};
    const ServiceReport r = BuildReport(in, '.');
    EXPECT_TRUE(r.configurationMatches);
    EXPECT_EQ(r.readBackSource, "Read for this report.");
}

struct ClockCase {
    const char* name;
    DeviceClock device;
    std::optional<double> drift;
    const char* text;
};

class ReportClockTest : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ReportClockTest, TheDriftIsTheAnalyzersLocalTimeLessTheComputers) {
    ReportInputs in = inputs();
    ReadingSnapshot snapshot;
    snapshot.taken = kTenOClock;
    snapshot.deviceClock = GetParam().device;
    in.snapshot = snapshot;

    const ServiceReport r = BuildReport(in, '.');

    ASSERT_EQ(r.clock.has_value(), GetParam().drift.has_value());
    if (!r.clock)
        return;
    EXPECT_EQ(r.clock->driftSeconds, *GetParam().drift);
    EXPECT_EQ(r.clock->deviceText, GetParam().text);
    EXPECT_EQ(r.clock->computer.msSinceEpoch, kTenOClock.msSinceEpoch);
}

INSTANTIATE_TEST_SUITE_P(
    Clocks, ReportClockTest,
    ::testing::Values(
        ClockCase{"Ahead", {true, 2026, 12, 11, 10, 0, 3, 5}, 3, "11:12:2026, 10:00:03, Friday"},
        ClockCase{"Behind", {true, 2026, 12, 11, 9, 59, 0, 5}, -60, "11:12:2026, 09:59:00, Friday"},
        ClockCase{"ADayAhead",
                  {true, 2026, 12, 12, 10, 0, 0, 6},
                  86400,
                  "12:12:2026, 10:00:00, Saturday"},
        ClockCase{"NotValid", {}, std::nullopt, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReportReadingsTest, EveryQuantityWithItsUnitAndTheScreensDecimals) {
    ReportInputs in = inputs();
    ReadingSnapshot snapshot;
    snapshot.values[size_t(Quantity::Ir)] = 4.96;
    snapshot.values[size_t(Quantity::PF)] = 0.87;
    snapshot.values[size_t(Quantity::ActiveEnergy)] = 1523.4;
    snapshot.taken = kTenOClock;
    in.snapshot = snapshot;

    const ServiceReport r = BuildReport(in, '.');

    ASSERT_EQ(r.readings.size(), 20u);
    EXPECT_EQ(r.readings[0].name, "Ir");
    EXPECT_EQ(r.readings[0].unit, "A");
    EXPECT_EQ(r.readings[0].value, 4.96);
    EXPECT_EQ(r.readings[0].decimals, 1);
    EXPECT_EQ(r.readings[3].name, "Vr");
    EXPECT_EQ(r.readings[3].decimals, 0);
    EXPECT_EQ(r.readings[15].name, "PF");
    EXPECT_EQ(r.readings[15].unit, "");
    EXPECT_EQ(r.readings[15].decimals, 2);
    EXPECT_EQ(r.readings[17].unit, "\u00B0C");
    EXPECT_EQ(r.readings[18].name, "Energy P");
    EXPECT_EQ(r.readings[18].unit, "kWh");
    EXPECT_EQ(r.readings[18].value, 1523.4);
    ASSERT_TRUE(r.readingTaken);
    EXPECT_EQ(r.readingTaken->msSinceEpoch, kTenOClock.msSinceEpoch);
}

TEST(ReportReadingsTest, TheLampsInWords) {
    ReportInputs in = inputs();
    ReadingSnapshot snapshot;
    in.snapshot = snapshot;
    EXPECT_EQ(BuildReport(in, '.').lamps,
              (std::vector<std::string>{"Fault lamps: none lit",
                                        "Active power: PR forward, PS forward, PT forward",
                                        "Reactive power: QR forward, QS forward, QT forward"}));

    in.snapshot->status.phaseSequenceFault = true;
    in.snapshot->status.phaseLoss[0] = true;
    in.snapshot->status.activeReverse[1] = true;
    in.snapshot->status.reactiveReverse[2] = true;
    EXPECT_EQ(BuildReport(in, '.').lamps,
              (std::vector<std::string>{"Fault lamps lit: Sequence fault, R phase loss",
                                        "Active power: PR forward, PS reverse, PT forward",
                                        "Reactive power: QR forward, QS forward, QT reverse"}));
}

TEST(ReportWiringTest, TheFindingsSayWhatAndWhatToCheck) {
    ReportInputs in = inputs();
    wiring::WiringPicture picture;
    picture.findings = {{wiring::FindingKind::CtReversed, 2, "S reversed", "turn the CT"},
                        {wiring::FindingKind::NoFault, 0, "No wiring fault found", ""}};
    in.wiring = picture;
    EXPECT_EQ(BuildReport(in, '.').findings,
              (std::vector<std::string>{"S reversed - turn the CT", "No wiring fault found"}));
}

struct SeparatorCase {
    const char* name;
    char separator;
    const char* calibration;
    const char* reset;
};

class ReportActionsTest : public ::testing::TestWithParam<SeparatorCase> {};

TEST_P(ReportActionsTest, EachActionInWordsWithTheScreensSeparator) {
    ReportInputs in = inputs();
    ActionRecord download;
    download.at = kTenOClock;
    download.kind = ActionKind::Download;
    download.configurationName = "Feeder 3";
    download.configuration = numberedBlock();
    download.outcome = "Configuration downloaded.";
    ActionRecord calibration;
    calibration.kind = ActionKind::Calibration;
    calibration.calControl = 0x1C7;
    calibration.appliedInputs = {5, 5, 5, 230, 230, 230.25f};
    calibration.outcome = "Calibration failed.";
    calibration.failed = true;
    ActionRecord reset;
    reset.kind = ActionKind::EnergyReset;
    reset.meter = EnergyMeter::KVarh;
    reset.meterBefore = 312.8;
    reset.outcome = "Valid response received <10h>.";
    ActionRecord clock;
    clock.kind = ActionKind::ClockSetting;
    clock.clockSet = {true, 2026, 12, 11, 10, 0, 0, 5};
    in.actions = {download, calibration, reset, clock};

    const ServiceReport r = BuildReport(in, GetParam().separator);

    ASSERT_EQ(r.actions.size(), 4u);
    EXPECT_EQ(r.actions[0].what, "Download");
    EXPECT_EQ(r.actions[0].details, "Configuration \"Feeder 3\": slave ID 17, 19200 baud");
    EXPECT_EQ(r.actions[0].outcome, "Configuration downloaded.");
    EXPECT_EQ(r.actions[0].at.msSinceEpoch, kTenOClock.msSinceEpoch);
    EXPECT_FALSE(r.actions[0].failed);
    EXPECT_EQ(r.actions[1].what, "Calibration");
    EXPECT_EQ(r.actions[1].details, GetParam().calibration);
    EXPECT_EQ(r.actions[1].outcome, "Calibration failed.");
    EXPECT_TRUE(r.actions[1].failed);
    EXPECT_EQ(r.actions[2].what, "Energy reset");
    EXPECT_EQ(r.actions[2].details, GetParam().reset);
    EXPECT_EQ(r.actions[2].outcome, "Valid response received <10h>.");
    EXPECT_EQ(r.actions[3].what, "Clock setting");
    EXPECT_EQ(r.actions[3].details,
              "Set to 11:12:2026, 10:00:00, Friday from the computer's clock");
    EXPECT_EQ(r.actions[3].outcome, "No answer yet");
}

INSTANTIATE_TEST_SUITE_P(
    Separators, ReportActionsTest,
    ::testing::Values(
        SeparatorCase{"Point", '.',
                      "Calibrate PR, PS, PT, VR, VS, VT (control word 01C7h); applied Ir 5.000 A, "
                      "Is 5.000 A, It 5.000 A, Vr 230.000 V, Vs 230.000 V, Vt 230.250 V",
                      "kVarh meter; it read 313 kVarh before the reset"},
        SeparatorCase{"Comma", ',',
                      "Calibrate PR, PS, PT, VR, VS, VT (control word 01C7h); applied Ir 5,000 A, "
                      "Is 5,000 A, It 5,000 A, Vr 230,000 V, Vs 230,000 V, Vt 230,250 V",
                      "kVarh meter; it read 313 kVarh before the reset"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestro::report
