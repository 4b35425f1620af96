// The analyzer's readings travel from the simulator over COM1 into the main
// window's indicators, formatted for the user's locale.
#include <QLabel>
#include <QLineEdit>
#include <cmath>

#include "platform/Lamp.h"
#include "sim/model/DeviceModel.h"
#include "tests/wincom/ComOneFixture.h"

using namespace kestro;
using namespace kestro::test;

namespace {

// A value as the display should write it: the float the register carries,
// with the locale's decimal separator.
QString Shown(double value, int decimals) {
    return QString::number(double(float(value)), 'f', decimals)
        .replace('.', QLocale().decimalPoint());
}

using ReadingsOnCom1 = ComOneTest;

TEST_P(ReadingsOnCom1, IndicatorsShowWhatTheAnalyzerMeasures) {
    ASSERT_NO_FATAL_FAILURE(startKestro());

    // The same device as the simulator, which stands still (--freeze).
    const sim::DeviceModel model;
    const sim::Readings r = model.readings();
    TfrmMain& w = window();
    const struct {
        const char* name;
        QString text;
        QString expected;
    } rows[] = {
        {"IndIr", w.IndIr->text(), Shown(r.phase[0].i, 1)},
        {"IndVs", w.IndVs->text(), Shown(r.phase[1].v, 0)},
        {"IndPt", w.IndPt->text(), Shown(r.phase[2].p, 0)},
        {"IndQr", w.IndQr->text(), Shown(r.phase[0].q, 0)},
        {"IndP", w.IndP->text(), Shown(r.p, 0)},
        {"IndCos", w.IndCos->text(), Shown(r.pf, 2)},
        {"IndF", w.IndF->text(), Shown(r.f, 0)},
        {"IndPtot", w.IndPtot->text(), Shown(model.activeEnergy(), 0)},
        {"edRTC", w.edRTC->text(), "12:09:2026, 14:35:07, Saturday"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.text.toStdString(), row.expected.toStdString()) << row.name;

    // Power flows forward in every phase; no faults.
    for (const Lamp* forward : {w.LEDPrFwd, w.LEDPsFwd, w.LEDPtFwd, w.LEDQrFwd})
        EXPECT_TRUE(forward->isChecked()) << forward->objectName().toStdString();
    for (const Lamp* fault :
         {w.LEDPhaseSeqErr, w.LEDMissingPhase, w.LEDSignalLoss, w.LEDLossR, w.LEDLossS, w.LEDLossT})
        EXPECT_FALSE(fault->isChecked()) << fault->objectName().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Locales, ReadingsOnCom1, ::testing::Values(kPointLocale, kCommaLocale),
                         LocaleName);

}  // namespace
