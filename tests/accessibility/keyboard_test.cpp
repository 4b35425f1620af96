// Every window by keyboard alone: Tab reaches every control, the meter and
// clock buttons and status panel 0 work from the keyboard, and the dialogs'
// buttons answer to their access keys.
#include <QAbstractButton>
#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "device/DeviceCommands.h"
#include "dialogs/Calibrate.h"
#include "dialogs/EUnits.h"
#include "shell/Comselect.h"
#include "shell/StatusWin.h"
#include "tests/accessibility/AccessibilityFixture.h"

namespace kestro::test {
namespace {

using KeyboardTest = AccessibilityTest;

void ExpectTabReachesEveryInput(QWidget& window, QStringList expected = {}) {
    for (QWidget* input : Inputs(window))
        expected << input->objectName();
    expected.removeDuplicates();
    const QStringList round = TabRound(window);
    for (const QString& name : expected)
        EXPECT_TRUE(round.contains(name))
            << window.objectName().toStdString() << ": Tab does not reach " << name.toStdString()
            << " (reaches " << round.join(", ").toStdString() << ")";
}

TEST_F(KeyboardTest, TabReachesEveryInputOfTheMainWindow) {
    EXPECT_EQ(QApplication::focusWidget(), main->seSlaveID)
        << "the focus starts in the Slave ID field";
    ExpectTabReachesEveryInput(*main,
                               {"IndPtotButton", "IndQTotButton", "edRTCButton", "sbMainPanel0"});
}

TEST_F(KeyboardTest, TabReachesEveryInputOfEachDialog) {
    TfrmEng eng;
    TfrmCal cal;
    TfrmComSelect ports(nullptr, ComSelectProbe);
    TfrmStatus about;
    for (QWidget* window : std::initializer_list<QWidget*>{&eng, &cal, &ports, &about}) {
        ShowActive(*window);
        ExpectTabReachesEveryInput(*window);
        window->hide();
    }
    // A command's result on the status panel: its Close button is reached.
    ShowActive(eng);
    eng.ShowStatus("Configuration download failed.", true, clRed);
    ASSERT_NE(QApplication::focusWidget(), nullptr) << "nothing has the focus";
    ExpectTabReachesEveryInput(eng, {"btnStatClose"});
}

TEST_F(KeyboardTest, MeterAndClockButtonsWorkFromTheKeyboard) {
    const struct {
        const char* button;
        const char* question;
    } cases[] = {
        {"IndPtotButton", "Are you sure you want to reset the kWh meter ?"},
        {"IndQTotButton", "Are you sure you want to reset the kVarh meter ?"},
        {"edRTCButton", "Are you sure you want to set the RTC ?"},
    };
    for (const auto& c : cases) {
        auto* button = find<QAbstractButton>(c.button);
        ASSERT_NE(button, nullptr) << c.button;
        interaction.answers.push_back(Answer::No);
        button->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(button->hasFocus()) << c.button;
        QTest::keyClick(button, Qt::Key_Space);
        ASSERT_FALSE(interaction.messages.empty()) << c.button;
        EXPECT_EQ(interaction.messages.back().text, c.question);
    }
}

TEST_F(KeyboardTest, EnterOnThePortPanelChoosesAnotherPort) {
    QLabel* panel = main->sbMainPanel(0);
    panel->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(panel->hasFocus());
    const int atStart = portSelections;
    QTest::keyClick(panel, Qt::Key_Return);
    EXPECT_EQ(portSelections, atStart + 1);
    QTest::keyClick(panel, Qt::Key_Space);
    EXPECT_EQ(portSelections, atStart + 2);
    QTest::keyClick(panel, Qt::Key_A);
    QTest::keyClick(panel, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(portSelections, atStart + 2);
    EXPECT_EQ(panel->text(), "COM1,9600,N,8,1");
}

TEST_F(KeyboardTest, DialogButtonsHaveAccessKeysOrAnswerEnter) {
    TfrmEng eng;
    TfrmCal cal;
    TfrmComSelect ports(nullptr, ComSelectProbe);
    TfrmStatus about;
    for (QWidget* window : std::initializer_list<QWidget*>{&eng, &cal, &ports, &about}) {
        for (QPushButton* button : window->findChildren<QPushButton*>())
            EXPECT_TRUE(!QKeySequence::mnemonic(button->text()).isEmpty() || button->isDefault())
                << window->objectName().toStdString() << "." << button->objectName().toStdString();
    }
}

TEST_F(KeyboardTest, KeysCloseTheDialogs) {
    TfrmEng eng;
    ShowActive(eng);
    // An access key presses its button the way a click would be shown.
    QTest::keyClick(&eng, Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !eng.isVisible(); }, 2000)) << "Alt+C presses Close";

    TfrmComSelect ports(nullptr, ComSelectProbe);
    ShowActive(ports);
    QTest::keyClick(&ports, Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ports.isVisible(); }, 2000));
    EXPECT_EQ(ports.result(), QDialog::Rejected) << "Alt+C presses Cancel";

    TfrmStatus about;
    ShowActive(about);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(about.isVisible()) << "Enter presses OK";
}

TEST_F(KeyboardTest, SpaceTicksACalibrationItem) {
    TfrmCal cal;
    ShowActive(cal);
    auto* list = cal.findChild<QListWidget*>("clbCalControl");
    ASSERT_NE(list, nullptr);
    list->setFocus(Qt::TabFocusReason);
    list->setCurrentRow(2);
    const Qt::CheckState before = list->item(2)->checkState();
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_NE(list->item(2)->checkState(), before);
}

}  // namespace
}  // namespace kestro::test
