// The main window as other units and the user find it: names, captions,
// initial texts, hints, menus, lamps, the status bar, and texts that fit.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include "config/Configuration.h"
#include "platform/Lamp.h"
#include "platform/QtPlatform.h"
#include "tests/shell/ShellFixture.h"
#include "tests/support/Waiting.h"
#include "tools/traffic/TrafficWindow.h"

using namespace kestro;
using namespace kestro::test;

namespace {

const QString kHint = "Enter data to be displayed and \nthen press appropriate button";

bool HasCaption(const QWidget& group, const char* text) {
    const auto labels = group.findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(), [text](const QLabel* label) {
        return label->text() == QString::fromUtf8(text) && label->toolTip() == kHint;
    });
}

// "Red" and "green" as a user would call them: that colour clearly above
// the other two.
bool isRed(const QColor& c) {
    return c.red() >= 128 && c.green() < c.red() / 2 && c.blue() < c.red() / 2;
}
bool isGreen(const QColor& c) {
    return c.green() >= 128 && c.red() < c.green() / 2 && c.blue() < c.green() / 2;
}

class MainWindowTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        window = std::make_unique<TfrmMain>(platform, programDir.path());
    }
    template <typename T>
    T* find(const char* name) const {
        return window->findChild<T*>(name);
    }
};

}  // namespace

TEST_F(MainWindowTest, WindowCaptionSizeAndBorder) {
    EXPECT_EQ(window->windowTitle(), "Kestro V2.21");
    EXPECT_EQ(window->size(), QSize(474, 481));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
}

TEST_F(MainWindowTest, WindowAndPortDialogAreCentredOnTheScreen) {
    QPoint dialogCentre;
    dialogAnswers = {[&](TfrmComSelect& dialog) {
        dialog.show();
        dialogCentre = dialog.frameGeometry().center();
        return PressCancel()(dialog);
    }};
    window->show();
    const QPoint screenCentre = window->screen()->availableGeometry().center();
    EXPECT_LE((window->frameGeometry().center() - screenCentre).manhattanLength(), 2);
    EXPECT_LE((dialogCentre - screenCentre).manhattanLength(), 2);
}

TEST_F(MainWindowTest, GroupsCarryTheirCaptions) {
    const std::pair<const char*, const char*> groups[] = {
        {"gbPower", " Power "},       {"gbVoltage", " Voltage "}, {"gbCurrent", " Current "},
        {"gbEnergy", " Energy "},     {"gbOther", " Other "},     {"gbDateTime", " Date/Time "},
        {"gbSlaveId", " MODBUS ID "}, {"gbSignal", " Signal "},
    };
    for (const auto& [name, title] : groups) {
        auto* group = find<QGroupBox>(name);
        ASSERT_NE(group, nullptr) << name;
        EXPECT_EQ(group->title(), title) << name;
    }
}

TEST_F(MainWindowTest, IndicatorsShowTheirInitialTextsBesideTheirCaptions) {
    struct Row {
        const char* group;
        const char* caption;
        const char* indicator;
        const char* text;
    };
    const Row rows[] = {
        {"gbPower", "PR (W):", "IndPr", "0"},     {"gbPower", "PS (W):", "IndPs", "0"},
        {"gbPower", "PT (W):", "IndPt", "0"},     {"gbPower", "QR (Var):", "IndQr", "0"},
        {"gbPower", "QS (Var):", "IndQs", "0"},   {"gbPower", "QT (Var):", "IndQt", "0"},
        {"gbPower", "P (W):", "IndP", "0"},       {"gbPower", "Q (Var):", "IndQ", "0"},
        {"gbPower", "S (VA):", "IndS", "0"},      {"gbVoltage", "VR (V):", "IndVr", "0"},
        {"gbVoltage", "VS (V):", "IndVs", "0"},   {"gbVoltage", "VT (V):", "IndVt", "0"},
        {"gbCurrent", "IR (A):", "IndIr", "0.0"}, {"gbCurrent", "IS (A):", "IndIs", "0.0"},
        {"gbCurrent", "IT (A):", "IndIt", "0.0"}, {"gbOther", "F (Hz):", "IndF", "0"},
        {"gbOther", "PF:", "IndCos", "0.00"},     {"gbOther", "°C:", "IndTemp", "0"},
    };
    for (const Row& row : rows) {
        auto* group = find<QGroupBox>(row.group);
        auto* indicator = find<QLabel>(row.indicator);
        ASSERT_TRUE(group && indicator) << row.indicator;
        EXPECT_TRUE(group->isAncestorOf(indicator)) << row.indicator;
        EXPECT_EQ(indicator->text(), row.text) << row.indicator;
        EXPECT_TRUE(indicator->alignment() & Qt::AlignHCenter) << row.indicator;
        EXPECT_NE(indicator->frameShape(), QFrame::NoFrame) << row.indicator;
        EXPECT_TRUE(HasCaption(*group, row.caption)) << row.caption;
    }
}

TEST_F(MainWindowTest, EnergyAndClockFieldsAreReadOnlyWithOneButton) {
    const std::tuple<const char*, const char*, const char*, const char*> fields[] = {
        {"gbEnergy", "IndPtot", "0", "KWh:"},
        {"gbEnergy", "IndQTot", "0", "KVarh:"},
        {"gbDateTime", "edRTC", "", "RTC:"},
    };
    for (const auto& [group, name, text, caption] : fields) {
        auto* edit = find<QLineEdit>(name);
        auto* button = find<QToolButton>((std::string(name) + "Button").c_str());
        ASSERT_TRUE(edit && button) << name;
        EXPECT_TRUE(find<QGroupBox>(group)->isAncestorOf(edit)) << name;
        EXPECT_TRUE(edit->isReadOnly()) << name;
        EXPECT_EQ(edit->text(), text) << name;
        EXPECT_TRUE(HasCaption(*find<QGroupBox>(group), caption)) << caption;
    }
    for (const auto& [name, caption] :
         {std::pair{"edComputerDate", "Date:"}, {"edComputerTime", "Time:"}}) {
        auto* edit = find<QLineEdit>(name);
        ASSERT_NE(edit, nullptr) << name;
        EXPECT_TRUE(edit->isReadOnly());
        EXPECT_EQ(edit->text(), "");
        EXPECT_TRUE(HasCaption(*find<QGroupBox>("gbDateTime"), caption)) << caption;
    }
}

TEST_F(MainWindowTest, SlaveIdAndSwapWords) {
    auto* slaveId = find<QSpinBox>("seSlaveID");
    ASSERT_NE(slaveId, nullptr);
    EXPECT_EQ(slaveId->minimum(), 1);
    EXPECT_EQ(slaveId->maximum(), 247);
    EXPECT_EQ(slaveId->value(), 1);
    EXPECT_TRUE(find<QGroupBox>("gbSlaveId")->isAncestorOf(slaveId));
    auto* swap = find<QCheckBox>("cbSwapFloat");
    ASSERT_NE(swap, nullptr);
    EXPECT_EQ(swap->text(), "Swap Words");
    EXPECT_TRUE(swap->isChecked());
}

TEST_F(MainWindowTest, LampsStartOffWithTheirShapesAndCaptions) {
    for (const char* q : {"Pr", "Ps", "Pt", "Qr", "Qs", "Qt"}) {
        auto* rev = find<Lamp>((std::string("LED") + q + "Rev").c_str());
        auto* fwd = find<Lamp>((std::string("LED") + q + "Fwd").c_str());
        ASSERT_TRUE(rev && fwd) << q;
        EXPECT_EQ(rev->shape(), Lamp::ArrowLeft) << q;
        EXPECT_EQ(fwd->shape(), Lamp::ArrowRight) << q;
        EXPECT_FALSE(rev->isChecked() || fwd->isChecked()) << q;
        EXPECT_TRUE(find<QGroupBox>("gbPower")->isAncestorOf(rev));
    }
    const std::pair<const char*, const char*> signals_[] = {
        {"LEDSignalLoss", "Signal loss"},     {"LEDMissingPhase", "Missing phase"},
        {"LEDPhaseSeqErr", "Sequence fault"}, {"LEDLossR", "R phase loss"},
        {"LEDLossS", "S phase loss"},         {"LEDLossT", "T phase loss"},
    };
    for (const auto& [name, caption] : signals_) {
        auto* lamp = find<Lamp>(name);
        ASSERT_NE(lamp, nullptr) << name;
        EXPECT_EQ(lamp->text(), caption);
        EXPECT_FALSE(lamp->isChecked());
        EXPECT_TRUE(find<QGroupBox>("gbSignal")->isAncestorOf(lamp));
        lamp->setChecked(true);
        EXPECT_TRUE(isRed(lamp->currentColor())) << name << " is red when on";
    }
}

TEST_F(MainWindowTest, MenusListTheirEntriesWithCaptionsHintsAndShortcuts) {
    struct Entry {
        const char* name;
        const char* caption;
        const char* hint;
        const char* shortcut;
    };
    const std::vector<std::pair<std::pair<const char*, const char*>, std::vector<Entry>>> menus = {
        {{"siFile", "&File"},
         {{"bbNewConfig", "New configuration (default)", "Load a configuration file from disk", ""},
          {"bbOpenConfig", "Open Configuration", "Open Configuration", ""},
          {"bbSaveConfiguration", "Save Configuration", "Save device configuration to disk", ""},
          {"bbSaveConfigurationAs", "Save Configuration As...", "Save Configuration As", ""},
          {"", "", "", ""},
          {"bbServiceReport", "Service report...",
           "Save or print a report of the analyzer and of what was done to it", ""},
          {"", "", "", ""},
          {"bbExit", "Exit", "Exit", "Ctrl+X"}}},
        {{"siConfiguration", "&Configuration"},
         {{"bbEditConfig", "Edit Configuration", "Edit Configuration", ""}}},
        {{"siCalibration", "&Calibration"},
         {{"bbEditCalibration", "Edit Calibration", "Edit Calibration", ""}}},
        {{"siTools", "&Tools"},
         {{"bbTrend", "Trend...", "Show the readings over time", ""},
          {"bbRecordReadings", "Record readings...", "Record every reading to a CSV file", ""},
          {"bbWiringCheck", "Wiring check...",
           "Check the wiring of the CTs and voltage taps from the live readings", ""},
          {"bbTrafficMonitor", "Traffic monitor...",
           "Show every frame on the line and the link statistics", ""},
          {"bbFindAnalyzer", "Find analyzer...",
           "Find which slave addresses and baud rates answer on the port", ""}}},
        {{"siHelp", "&Help"}, {{"bbAbout", "About...", "About", ""}}},
    };
    const QList<QAction*> bar = window->menuBar()->actions();
    ASSERT_EQ(bar.size(), int(menus.size()));
    for (size_t m = 0; m < menus.size(); ++m) {
        const auto& [menuName, entries] = menus[m];
        QMenu* menu = bar[int(m)]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), menuName.first);
        EXPECT_EQ(menu->title(), menuName.second);
        EXPECT_TRUE(menu->menuAction()->isEnabled()) << menuName.first;
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), int(entries.size())) << menuName.first;
        for (size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            QAction* action = actions[int(i)];
            if (!*e.name) {
                EXPECT_TRUE(action->isSeparator());
                continue;
            }
            EXPECT_EQ(action->objectName(), e.name);
            EXPECT_EQ(action->text(), e.caption);
            EXPECT_EQ(action->toolTip(), e.hint);
            EXPECT_EQ(action->shortcut(), QKeySequence(e.shortcut)) << e.name;
            EXPECT_TRUE(action->isEnabled()) << e.name;
        }
    }
}

TEST_F(MainWindowTest, StatusBarHasThreeEmptyPanelsAndTwoSmallLights) {
    for (int i = 0; i < 3; ++i) {
        QLabel* panel = window->sbMainPanel(i);
        EXPECT_EQ(panel->text(), "") << i;
        EXPECT_TRUE(panel->alignment() & Qt::AlignHCenter) << i;
    }
    for (Lamp* light : {window->LedTx, window->LedRx}) {
        ASSERT_NE(light, nullptr);
        EXPECT_TRUE(window->pnlLeds->isAncestorOf(light));
        EXPECT_EQ(light->sizeHint(), QSize(11, 11));
        EXPECT_EQ(light->currentColor(), window->pnlLeds->palette().color(QPalette::Window));
        light->setLit(true);
        EXPECT_TRUE(isGreen(light->currentColor())) << "green when lit";
        light->setLit(false);
    }
}

// The panels keep their widths, and every text is readable in its panel:
// both its ends on screen (on one line or two, in a smaller font if need
// be, never cut), the whole text in the panel's hint.
TEST_F(MainWindowTest, EveryStatusTextIsReadableInItsPanel) {
    dialogAnswers = {PressOk()};
    window->show();
    QApplication::processEvents();
    const int widths[] = {94, 110, 215};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(window->sbMainPanel(i)->width(), widths[i]) << i;

    const char* const statusTexts[] = {
        "Invalid response received <preset multiple registers>.",
        "Invalid response received <read input registers>.",
        "Exception response received <illegal function>.",
        "Query <read coil status> issued... Params <SA:65535> <NOP:960>",
        "Query <preset single register> issued... Params <SA:65535> <NOP:1>",
        "Fatal error. Rx buffer overflow.",
    };
    QLabel* line = window->sbMainPanel(2);
    for (const char* text : statusTexts) {
        SCOPED_TRACE(text);
        window->showStatus(text, true);
        QApplication::processEvents();
        EXPECT_EQ(line->text(), text);
        EXPECT_EQ(line->toolTip(), text);
        const QRect room = line->contentsRect();
        const QRect needed = QFontMetrics(line->font())
                                 .boundingRect(QRect(0, 0, room.width(), 1000),
                                               line->wordWrap() ? Qt::TextWordWrap : 0, text);
        EXPECT_LE(needed.width(), room.width());
        EXPECT_LE(needed.height(), room.height());
        EXPECT_GE(line->font().pointSizeF(), 6.5) << "too small to read";
    }
    QLabel* port = window->sbMainPanel(0);
    window->showPort("COM12,9600,N,8,1");
    EXPECT_LE(QFontMetrics(port->font()).horizontalAdvance(port->text()),
              port->contentsRect().width());
    QLabel* file = window->sbMainPanel(1);
    Settings.FileName = "RVX82AUNTITLED.CFG";
    ShowCurrentFileName();
    EXPECT_LE(QFontMetrics(file->font()).horizontalAdvance(file->text()),
              file->contentsRect().width());
    EXPECT_EQ(file->toolTip(), "RVX82AUNTITLED.CFG");
}

TEST_F(MainWindowTest, StatusLineIsRedForErrorsAndBlackOtherwise) {
    QLabel* line = window->sbMainPanel(2);
    window->showStatus("No response from slave device.", true);
    EXPECT_EQ(line->text(), "No response from slave device.");
    EXPECT_EQ(line->palette().color(QPalette::WindowText), QColor(Qt::red));
    window->showStatus("Valid response received <04h>.", false);
    EXPECT_EQ(line->text(), "Valid response received <04h>.");
    EXPECT_EQ(line->palette().color(QPalette::WindowText), QColor(Qt::black));
}

// The widest texts each field shows in service fit it on this platform's
// fonts; captions are never cut.
TEST_F(MainWindowTest, WidestTextsFitTheirFields) {
    dialogAnswers = {PressOk()};
    window->show();
    const std::pair<const char*, const char*> widest[] = {
        {"IndPr", "-2000000"},
        {"IndQs", "-2000000"},
        {"IndS", "2828427"},
        {"IndVr", "99999"},
        {"IndIt", "-9999.9"},
        {"IndCos", "-1.00"},
        {"IndF", "100"},
        {"IndTemp", "-40"},
        {"IndPtot", "99999999"},
        {"IndQTot", "99999999"},
        {"edRTC", "09:12:20126, 14:35:07, Wednesday"},
    };
    // A layout squeezed below its minimum overlaps its fields.
    const QSize needed = window->centralWidget()->minimumSizeHint();
    EXPECT_LE(needed.width(), window->centralWidget()->width());
    EXPECT_LE(needed.height(), window->centralWidget()->height());
    for (const auto& [name, text] : widest) {
        if (auto* label = find<QLabel>(name)) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(text), label->contentsRect().width())
                << name;
            continue;
        }
        // An edit scrolls a text that does not fit: its start and its end then
        // show differently.
        auto* edit = find<QLineEdit>(name);
        ASSERT_NE(edit, nullptr) << name;
        edit->setText(text);
        edit->setCursorPosition(0);
        const QImage atStart = edit->grab().toImage();
        edit->end(false);
        EXPECT_EQ(edit->grab().toImage(), atStart) << name << " cuts " << text;
    }
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->objectName().startsWith("lbl"))
            continue;
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
    }
    for (Lamp* lamp : window->findChildren<Lamp*>())
        EXPECT_GE(lamp->width(), lamp->sizeHint().width()) << lamp->objectName().toStdString();
}

TEST_F(MainWindowTest, ComputerClockTicksEverySecondAlsoDuringThePortDialog) {
    for (const QLocale::Language language : {QLocale::German, QLocale::English}) {
        const LocaleScope locale(QLocale(
            language, language == QLocale::German ? QLocale::Germany : QLocale::UnitedStates));
        window = std::make_unique<TfrmMain>(platform, programDir.path());
        QString dateInDialog;
        dialogAnswers = {[&](TfrmComSelect& dialog) {
            platform.clock.advanceMs(1000);
            dateInDialog = window->edComputerDate->text();
            return PressCancel()(dialog);
        }};
        window->show();
        const QString separator = language == QLocale::German ? "." : "/";
        EXPECT_TRUE(dateInDialog.contains(separator)) << dateInDialog.toStdString();
        EXPECT_EQ(dateInDialog, QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        EXPECT_TRUE(QRegularExpression("^\\d{1,2}:\\d{2}:\\d{2}( [AP]M)?$")
                        .match(window->edComputerTime->text())
                        .hasMatch())
            << window->edComputerTime->text().toStdString();
        window.reset();
    }
}

// The real port dialog, run by its own exec() on the Qt platform: the
// program's window timers go on while it is up, so its clock ticks.
TEST_F(MainWindowTest, TheRealModalPortDialogKeepsTheWindowTimersRunning) {
    RunComSelect = nullptr;
    QtPlatform qtPlatform;
    window = std::make_unique<TfrmMain>(qtPlatform, programDir.path());
    const auto closeFirst = qScopeGuard([&] { window.reset(); });
    bool handled = false, modal = false, ticked = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<TfrmComSelect*>(QApplication::activeModalWidget());
        if (!dialog || handled)
            return;
        handled = true;
        watch.stop();
        modal = dialog->isModal() && dialog->isVisible();
        const QString shown = window->edComputerTime->text();
        ticked = waitUntil([&] { return window->edComputerTime->text() != shown; }, 5000);
        dialog->reject();
    });
    watch.start(10);

    window->show();
    ASSERT_TRUE(waitUntil([&] { return handled; }, 10000)) << "no port dialog came up";
    EXPECT_TRUE(modal);
    EXPECT_TRUE(ticked) << "the clock stood still while the dialog was up";
    EXPECT_FALSE(window->tmrPoll->enabled());
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text,
              "No COM port defined. Program will not communicate with the unit.");
}

// The link's frames are kept and counted from the start, before the monitor
// was ever opened; Tools > Traffic monitor then shows them. No analyzer
// answers on this line.
TEST_F(MainWindowTest, TrafficIsCountedFromTheStartAndShownByTheMonitor) {
    start({PressOk()});
    ASSERT_EQ(FirstRequest().size(), 8u);
    platform.clock.advanceMs(1500);  // the wait of 1155 ms runs out
    const LinkCounts& counts = window->trafficLog().statistics().counts();
    EXPECT_GE(counts.requestsSent, 1u);
    EXPECT_GE(counts.timeouts, 1u);

    window->bbTrafficMonitor->trigger();
    TrafficWindow& monitor = window->trafficWindow();
    EXPECT_TRUE(monitor.isVisible());
    EXPECT_FALSE(monitor.isModal());
    ASSERT_EQ(monitor.model().rowCount(), int(window->trafficLog().history().size()));
    EXPECT_EQ(monitor.model().lineText(0).section('\t', 1),
              "sent\trequest\t01 04 00 00 00 2C F1 D7\t"
              "slave 1, read input registers, address 0, count 44, CRC ok");
    EXPECT_EQ(monitor.model().lineText(1).section('\t', 1), "received\ttime-out\t\tno response");
    window->bbTrafficMonitor->trigger();
    EXPECT_EQ(&window->trafficWindow(), &monitor);
}
