// The calibration dialog: check list, presets, input mask, confirmation and
// what a confirmed calibration stores and sends.
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "dialogs/Calibrate.h"
#include "platform/Regional.h"
#include "shell/MainState.h"
#include "tests/dialogs/DialogFixture.h"

namespace kestro::test {
namespace {

class CalibrationDialogTest : public LocaleDialogTest {
  protected:
    void SetUp() override {
        LocaleDialogTest::SetUp();
        waitingDialog = &dialog;
    }
    QLineEdit& field(const char* name) { return *dialog.findChild<QLineEdit*>(name); }
    QPushButton& button(const char* name) { return *dialog.findChild<QPushButton*>(name); }
    QListWidgetItem& item(int i) {
        return *dialog.findChild<QListWidget*>("clbCalControl")->item(i);
    }
    uint16_t checkedWord() {
        uint16_t word = 0;
        for (int i = 0; i < 9; ++i) {
            if (item(i).checkState() == Qt::Checked)
                word = uint16_t(word | 1u << i);
        }
        return word;
    }
    void toggle(int i) {
        item(i).setCheckState(item(i).checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
    // Calibrate, answering the confirmation with `answer`.
    void calibrate(Answer answer) {
        interaction.answers.push_back(answer);
        button("btnCal").click();
    }

    TfrmCal dialog;
};

TEST_P(CalibrationDialogTest, ShowsTheControlWordAndThePointsOfConfig) {
    Config.CalIr = 2.5f;
    Config.CalVt = 230;
    showActive(dialog);
    EXPECT_EQ(checkedWord(), 0);
    EXPECT_EQ(item(0).text(), "Calibrate PR");
    EXPECT_EQ(item(8).text(), "Calibrate VT");
    EXPECT_EQ(field("meCalIr").text(), local("2.500"));
    EXPECT_EQ(field("meCalVt").text(), local("230.000"));
    dialog.hide();
    Config.CalControl = 0x1C7;
    showActive(dialog);
    EXPECT_EQ(checkedWord(), 0x1C7);
}

TEST_P(CalibrationDialogTest, TabGoesFromTheCheckListThroughTheInputsToTheButtons) {
    showActive(dialog);
    QWidget* list = dialog.findChild<QListWidget*>("clbCalControl");
    EXPECT_EQ(QApplication::focusWidget(), list);
    EXPECT_EQ(tabOrder(*list),
              QStringList({"clbCalControl", "meCalIr", "meCalIs", "meCalIt", "meCalVr", "meCalVs",
                           "meCalVt", "btnP", "btnQ", "btnCal", "btnClose"}));
}

TEST_P(CalibrationDialogTest, ThePresetsStoreTheirControlWordsAndTheBlockIsSent) {
    const struct {
        const char* preset;
        uint16_t word;
    } presets[] = {{"btnP", 0x1C7}, {"btnQ", 0x1F8}};
    Config.CalIr = 2.5f, Config.CalIs = 0.1f, Config.CalIt = 5.0f;
    Config.CalVr = 230.0f, Config.CalVs = 1000.0f, Config.CalVt = 0.75f;
    // The six points as IEEE 754 singles, high word first.
    const std::vector<uint16_t> points = {0x4020, 0x0000, 0x3DCC, 0xCCCD, 0x40A0, 0x0000,
                                          0x4366, 0x0000, 0x447A, 0x0000, 0x3F40, 0x0000};
    showActive(dialog);
    for (const auto& p : presets) {
        interaction.beeps.clear();
        const uint16_t before = Config.CalControl;
        button(p.preset).click();
        EXPECT_EQ(checkedWord(), p.word);
        EXPECT_EQ(Config.CalControl, before) << "nothing is stored before Calibrate";
        calibrate(Answer::Yes);
        EXPECT_EQ(Config.CalControl, p.word) << p.preset;
        ASSERT_FALSE(writes().empty());
        const PresetWrite sent = writes().back();
        EXPECT_EQ(sent.address, 100);
        ASSERT_EQ(sent.values.size(), 14u);
        EXPECT_EQ(sent.values[0], 36092);
        EXPECT_EQ(sent.values[1], p.word);
        EXPECT_EQ(std::vector<uint16_t>(sent.values.begin() + 2, sent.values.end()), points);
        EXPECT_EQ(interaction.beeps, (std::vector<Beep>{Beep::Question, Beep::Default}));
        EXPECT_EQ(panel(dialog).text, "Calibration success.");
        ASSERT_EQ(whileWaiting.size(), 1u);
        EXPECT_EQ(whileWaiting[0].text, "Calibrating unit... Please wait.");
        EXPECT_EQ(whileWaiting[0].title, QColor(0, 0, 128));
        EXPECT_FALSE(whileWaiting[0].closeEnabled);
        whileWaiting.clear();
        button("btnStatClose").click();
    }
    ASSERT_EQ(interaction.messages.size(), 2u);
    EXPECT_EQ(interaction.messages[0].text, "Are you sure you want to calibrate the unit ?");
    EXPECT_EQ(interaction.messages[0].buttons, Buttons::YesNo);
}

TEST_P(CalibrationDialogTest, NoToTheConfirmationChangesNothing) {
    ConfigSaved = false;
    showActive(dialog);
    button("btnP").click();
    type(field("meCalIt"), local("3"));
    calibrate(Answer::No);
    EXPECT_EQ(describe(Config), describe(sample()));
    EXPECT_FALSE(ConfigSaved);
    EXPECT_FALSE(panel(dialog).visible);
    EXPECT_EQ(interaction.beeps, std::vector<Beep>{Beep::Question});
    rig.runTicks(30);
    EXPECT_TRUE(writes().empty());
}

TEST_P(CalibrationDialogTest, ConfigSavedFollowsTheControlWordAndTheItField) {
    const struct {
        const char* name;
        std::function<void()> edit;
        bool saved;
    } cases[] = {
        {"nothing changed", [] {}, true},
        {"Ir changed", [this] { type(field("meCalIr"), local("4")); }, true},
        {"item ticked and unticked",
         [this] {
             toggle(4);
             toggle(4);
         },
         true},
        {"It changed", [this] { type(field("meCalIt"), local("4")); }, false},
        {"item ticked", [this] { toggle(2); }, false},
    };
    for (const auto& c : cases) {
        Config = sample();
        Config.CalControl = 0x1F8;
        ConfigSaved = !c.saved;
        showActive(dialog);
        c.edit();
        calibrate(Answer::Yes);
        EXPECT_EQ(ConfigSaved, c.saved) << c.name;
        button("btnStatClose").click();
        dialog.hide();
    }
}

// The other separator is kept as typed (and then refused by the
// conversion), never dropped: 12,5 must not become 125.
TEST_P(CalibrationDialogTest, TheMaskAdmitsNumbersAndKeepsEitherSeparator) {
    showActive(dialog);
    const QString sep = QString(QChar(DecimalSeparator()));
    const QString other = sep == "." ? "," : ".";
    const struct {
        QString typed;
        QString kept;
    } cases[] = {{"-1" + sep + "25", "-1" + sep + "25"},
                 {"12" + other + "5", "12" + other + "5"},
                 {"1a2-", "12"},
                 {"7" + sep, "7" + sep}};
    for (const auto& c : cases) {
        QLineEdit& vs = field("meCalVs");
        vs.setFocus();
        vs.selectAll();
        QTest::keyClick(&vs, Qt::Key_Delete);
        QTest::keyClicks(&vs, c.typed);
        EXPECT_EQ(vs.text(), c.kept) << c.typed.toStdString();
    }
    type(field("meCalIs"), "1" + sep + "5");
    EXPECT_EQ(field("meCalIs").text(), local("1.500"));
    calibrate(Answer::Yes);
    EXPECT_EQ(Config.CalIs, 1.5f);
    EXPECT_EQ(Config.CalVs, 7.0f);
    EXPECT_TRUE(interaction.messages.size() == 1) << "only the confirmation";
}

TEST_P(CalibrationDialogTest, AnEmptyFieldStopsTheStoreAndNoCalibrationStarts) {
    showActive(dialog);
    button("btnQ").click();
    field("meCalIr").setText(local("9"));
    field("meCalIt").setText("");
    field("meCalVr").setText(local("8"));
    calibrate(Answer::Yes);
    ASSERT_EQ(interaction.messages.size(), 2u);
    EXPECT_EQ(interaction.messages[1].kind, MessageKind::Error);
    EXPECT_EQ(interaction.messages[1].text, "'' is not a valid floating point value");
    EXPECT_EQ(Config.CalControl, 0x1F8);
    EXPECT_EQ(Config.CalIr, 9.0f);
    EXPECT_EQ(Config.CalIt, sample().CalIt);
    EXPECT_EQ(Config.CalVr, sample().CalVr);
    EXPECT_FALSE(panel(dialog).visible);
    rig.runTicks(30);
    EXPECT_TRUE(writes().empty());
}

TEST_P(CalibrationDialogTest, CloseKeepsTheOldMarks) {
    Config.CalControl = 0x1F8;
    showActive(dialog);
    button("btnP").click();
    type(field("meCalVr"), local("5"));
    button("btnClose").click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(describe(Config), [] {
        ConfigRecord expected = sample();
        expected.CalControl = 0x1F8;
        return describe(expected);
    }());
    showActive(dialog);
    EXPECT_EQ(checkedWord(), 0x1F8);
}

INSTANTIATE_TEST_SUITE_P(Locales, CalibrationDialogTest,
                         ::testing::Values(kPointLocale, kCommaLocale), LocaleName);

}  // namespace
}  // namespace kestro::test
