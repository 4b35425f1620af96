// The analyzer's readings travel from the simulator's model over the link
// into the main window's indicators, formatted for the user's locale.
#include <QLabel>
#include <QLineEdit>
#include <cmath>

#include "platform/Lamp.h"
#include "sim/model/DeviceModel.h"
#include "tests/e2e/KestroFixture.h"

using namespace kestro;
using namespace kestro::test;

namespace {

// A value as the display should write it: the float the register carries,
// with the locale's decimal separator.
QString Shown(double value, int decimals) {
    return QString::number(double(float(value)), 'f', decimals)
        .replace('.', QLocale().decimalPoint());
}

class LiveReadingsOnSimulator : public KestroTest,
                                public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(LiveReadingsOnSimulator, IndicatorsShowWhatTheAnalyzerMeasures) {
    QLocale::setDefault(GetParam().locale());  // the fixture puts it back
    ASSERT_NO_FATAL_FAILURE(startSimulator({"--reverse-p", "S"}));
    ASSERT_NO_FATAL_FAILURE(startKestro());
    ASSERT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();

    // The same device, standing still as the simulator does with --freeze.
    sim::DeviceModel model;
    model.faults.phase[1].reverseP = true;
    const sim::Readings r = model.readings();
    TfrmMain& w = window();
    const struct {
        const char* name;
        QString text;
        QString expected;
    } rows[] = {
        {"IndIr", w.IndIr->text(), Shown(r.phase[0].i, 1)},
        {"IndIs", w.IndIs->text(), Shown(r.phase[1].i, 1)},
        {"IndIt", w.IndIt->text(), Shown(r.phase[2].i, 1)},
        {"IndVr", w.IndVr->text(), Shown(r.phase[0].v, 0)},
        {"IndVs", w.IndVs->text(), Shown(r.phase[1].v, 0)},
        {"IndVt", w.IndVt->text(), Shown(r.phase[2].v, 0)},
        {"IndPr", w.IndPr->text(), Shown(r.phase[0].p, 0)},
        {"IndPs", w.IndPs->text(), Shown(r.phase[1].p, 0)},
        {"IndPt", w.IndPt->text(), Shown(r.phase[2].p, 0)},
        {"IndQr", w.IndQr->text(), Shown(r.phase[0].q, 0)},
        {"IndQs", w.IndQs->text(), Shown(r.phase[1].q, 0)},
        {"IndQt", w.IndQt->text(), Shown(r.phase[2].q, 0)},
        {"IndP", w.IndP->text(), Shown(r.p, 0)},
        {"IndQ", w.IndQ->text(), Shown(r.q, 0)},
        {"IndS", w.IndS->text(),
         Shown(std::hypot(std::round(float(r.p)), std::round(float(r.q))), 0)},
        {"IndCos", w.IndCos->text(), Shown(r.pf, 2)},
        {"IndF", w.IndF->text(), Shown(r.f, 0)},
        {"IndTemp", w.IndTemp->text(), Shown(r.temperature, 0)},
        {"IndPtot", w.IndPtot->text(), Shown(model.activeEnergy(), 0)},
        {"IndQTot", w.IndQTot->text(), Shown(model.reactiveEnergy(), 0)},
        {"edRTC", w.edRTC->text(), "12:09:2026, 14:35:07, Saturday"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.text.toStdString(), row.expected.toStdString()) << row.name;

    // Power flows forward except the active power of phase S; no faults.
    EXPECT_TRUE(w.LEDPrFwd->isChecked() && w.LEDPtFwd->isChecked() && w.LEDQsFwd->isChecked());
    EXPECT_TRUE(w.LEDPsRev->isChecked());
    EXPECT_FALSE(w.LEDPsFwd->isChecked() || w.LEDPrRev->isChecked());
    for (const Lamp* fault :
         {w.LEDPhaseSeqErr, w.LEDMissingPhase, w.LEDSignalLoss, w.LEDLossR, w.LEDLossS, w.LEDLossT})
        EXPECT_FALSE(fault->isChecked()) << fault->objectName().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Locales, LiveReadingsOnSimulator,
                         ::testing::Values(kPointLocale, kCommaLocale), LocaleName);

}  // namespace
