// What a screen reader says about the windows: a reading with its caption
// and the value it shows now, a lamp with what it means and whether it is
// on, a button with what it does, a field with its caption.
#include <QLabel>
#include <QRegularExpression>

#include "config/Configuration.h"
#include "device/DeviceCommands.h"
#include "dialogs/Calibrate.h"
#include "dialogs/EUnits.h"
#include "platform/Lamp.h"
#include "shell/Comselect.h"
#include "shell/StatusWin.h"
#include "tests/accessibility/AccessibilityFixture.h"

namespace kestro::test {
namespace {

using NamesTest = AccessibilityTest;

struct Spoken {
    const char* widget;
    const char* name;
};

void ExpectNames(QWidget& window, std::initializer_list<Spoken> cases) {
    for (const Spoken& c : cases)
        EXPECT_EQ(SpokenName(window.findChild<QWidget*>(c.widget)), c.name) << c.widget;
}

TEST_F(NamesTest, ReadingsAreSpokenWithTheirCaptionAndValue) {
    const struct {
        const char* indicator;
        const char* shown;
        const char* spoken;
    } cases[] = {
        {"IndPr", "400", "PR (W): 400"},  {"IndQt", "-230", "QT (Var): -230"},
        {"IndS", "2721", "S (VA): 2721"}, {"IndIr", "4,2", "IR (A): 4,2"},
        {"IndCos", "0.98", "PF: 0.98"},   {"IndTemp", "36", "°C: 36"},
    };
    for (const auto& c : cases) {
        auto* indicator = find<QLabel>(c.indicator);
        ASSERT_NE(indicator, nullptr) << c.indicator;
        indicator->setText(c.shown);
        EXPECT_EQ(SpokenName(indicator), c.spoken);
    }
    // Every indicator, with the value it shows at start.
    for (QLabel* indicator : main->findChildren<QLabel*>(QRegularExpression("^Ind"))) {
        const QString spoken = SpokenName(indicator);
        EXPECT_TRUE(spoken.endsWith(": " + indicator->text()) && spoken.size() > 3)
            << indicator->objectName().toStdString() << " is spoken as \"" << spoken.toStdString()
            << "\"";
    }
}

TEST_F(NamesTest, StatusBarPanelsSayWhatTheyShow) {
    EXPECT_EQ(SpokenName(main->sbMainPanel(0)), "Port: COM1,9600,N,8,1");
    main->sbMainPanel(1)->setText("RVX82UNTITLED.CFG");
    EXPECT_EQ(SpokenName(main->sbMainPanel(1)), "Configuration file: RVX82UNTITLED.CFG");
    main->showStatus("No response from slave device.", true);
    EXPECT_EQ(SpokenName(main->sbMainPanel(2)), "Status: No response from slave device.");
}

TEST_F(NamesTest, LampsSayWhatTheyShowAndWhetherTheyAreOn) {
    const Spoken cases[] = {
        {"LEDSignalLoss", "Signal loss"},
        {"LEDPhaseSeqErr", "Sequence fault"},
        {"LEDLossT", "T phase loss"},
        {"LEDPrFwd", "PR (W) forward"},
        {"LEDQtRev", "QT (Var) reverse"},
        {"LedTx", "Transmit"},
        {"LedRx", "Receive"},
    };
    for (const Spoken& c : cases) {
        auto* lamp = find<Lamp>(c.widget);
        ASSERT_NE(lamp, nullptr) << c.widget;
        lamp->setChecked(false);
        EXPECT_EQ(SpokenName(lamp), QString(c.name) + ": off");
        lamp->setChecked(true);
        EXPECT_EQ(SpokenName(lamp), QString(c.name) + ": on");
    }
    const QRegularExpression meaningAndState("^[A-Z].+: (on|off)$");
    for (Lamp* lamp : main->findChildren<Lamp*>())
        EXPECT_TRUE(meaningAndState.match(SpokenName(lamp)).hasMatch())
            << lamp->objectName().toStdString() << ": " << SpokenName(lamp).toStdString();
}

TEST_F(NamesTest, ButtonsSayWhatTheyDoAndFieldsCarryTheirCaptions) {
    ExpectNames(*main, {
                           {"IndPtotButton", "Reset kWh meter"},
                           {"IndQTotButton", "Reset kVarh meter"},
                           {"edRTCButton", "Set RTC from the computer's clock"},
                           {"IndPtot", "KWh"},
                           {"IndQTot", "KVarh"},
                           {"edRTC", "RTC"},
                           {"edComputerDate", "Date"},
                           {"edComputerTime", "Time"},
                           {"seSlaveID", "MODBUS ID"},
                           {"cbSwapFloat", "Swap Words"},
                       });
}

// The dialogs are set up as they are first shown, without a call of their
// own.
TEST_F(NamesTest, DialogFieldsCarryTheirCaptions) {
    Config.FirmwareVersion = "RVX82A V1.10";
    Config.Baud = 9600;
    TfrmEng eng;
    ShowActive(eng);
    ExpectNames(eng, {
                         {"lblVersion", "Ver: RVX82A V1.10"},
                         {"edConfigName", "Name"},
                         {"seSlaveID", "Slave ID"},
                         {"meInpIr", "Ir input FS"},
                         {"meEngVt", "Vt eng. FS"},
                     });
    EXPECT_TRUE(LabelledBy(eng.findChild<QWidget*>("cbBaud")).startsWith("Baud:"));
    eng.ShowStatus("Configuration downloaded.", true, clNavy);
    ExpectNames(eng, {{"lblStatus", "Status: Configuration downloaded."}});

    TfrmCal cal;
    ShowActive(cal);
    ExpectNames(cal, {
                         {"clbCalControl", "Quantities to calibrate"},
                         {"meCalIr", "Ir input (A)"},
                         {"meCalVt", "Vt input (V)"},
                     });

    TfrmComSelect ports(nullptr, ComSelectProbe);
    ShowActive(ports);
    EXPECT_TRUE(
        LabelledBy(ports.findChild<QWidget*>("cbComPorts")).startsWith("Please select COM port:"));
}

TEST_F(NamesTest, EveryInputOfEveryWindowHasAName) {
    TfrmEng eng;
    TfrmCal cal;
    TfrmComSelect ports(nullptr, ComSelectProbe);
    TfrmStatus about;
    for (QWidget* window :
         std::initializer_list<QWidget*>{main.get(), &eng, &cal, &ports, &about}) {
        ShowActive(*window);
        for (QWidget* input : Inputs(*window)) {
            const QString name = SpokenName(input);
            EXPECT_FALSE(name.isEmpty() || name == "...")
                << window->objectName().toStdString() << "." << input->objectName().toStdString()
                << " is spoken as \"" << name.toStdString() << "\"";
        }
        window->hide();
    }
}

}  // namespace
}  // namespace kestro::test
