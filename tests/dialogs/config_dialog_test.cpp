// The device configuration dialog: filling, formatting, storing back.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include "dialogs/EUnits.h"
#include "platform/Regional.h"
#include "shell/MainState.h"
#include "tests/dialogs/DialogFixture.h"

namespace kestro::test {
namespace {

class ConfigDialogTest : public LocaleDialogTest {
  protected:
    void SetUp() override {
        LocaleDialogTest::SetUp();
        NameEdited = false;
    }
    QLineEdit& field(const char* name) { return *dialog.findChild<QLineEdit*>(name); }
    QPushButton& button(const char* name) { return *dialog.findChild<QPushButton*>(name); }
    QComboBox& baudList() { return *dialog.findChild<QComboBox*>("cbBaud"); }
    QSpinBox& slaveId() { return *dialog.findChild<QSpinBox*>("seSlaveID"); }

    TfrmEng dialog;
};

TEST_P(ConfigDialogTest, ShowsFiveDecimalsUntilAFieldIsLeft) {
    Config.InpIr = 5;
    Config.EngVt = 2.5;
    showActive(dialog);
    EXPECT_EQ(field("meInpIr").text(), local("5.00000"));
    EXPECT_EQ(field("meEngVt").text(), local("2.50000"));
    leave(field("meInpIr"));
    EXPECT_EQ(field("meInpIr").text(), local("5.000"));
    EXPECT_EQ(field("meEngVt").text(), local("2.50000"));
    EXPECT_TRUE(interaction.messages.empty());
}

TEST_P(ConfigDialogTest, LeavingAFieldRewritesItsNumberWithThreeDecimals) {
    showActive(dialog);
    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {{"5", "5.000"},
                 {"0.00004", "0.000"},
                 {"-12.3456", "-12.346"},
                 {"1e3", "1000.000"},
                 {" 7.5 ", "7.500"}};
    for (const auto& c : cases) {
        type(field("meInpIs"), local(c.typed));
        EXPECT_EQ(field("meInpIs").text(), local(c.shown)) << c.typed;
    }
    EXPECT_TRUE(interaction.messages.empty());
}

TEST_P(ConfigDialogTest, ATextThatIsNoNumberIsReportedAndStays) {
    showActive(dialog);
    const QString otherSeparator = DecimalSeparator() == '.' ? "2,5" : "2.5";
    for (const QString& typed : {QString("abc"), QString(), otherSeparator, QString("1e39")}) {
        interaction.messages.clear();
        type(field("meEngIs"), typed);
        EXPECT_EQ(field("meEngIs").text(), typed);
        ASSERT_EQ(interaction.messages.size(), 1u) << typed.toStdString();
        EXPECT_EQ(interaction.messages[0].kind, MessageKind::Error);
        EXPECT_EQ(interaction.messages[0].text,
                  "'" + typed + "' is not a valid floating point value");
    }
}

TEST_P(ConfigDialogTest, DownloadStoresTheFieldsAsShown) {
    showActive(dialog);
    type(field("meInpIr"), local("0.00004"));
    type(field("meEngIt"), local("123.4567"));
    field("edConfigName").setText("Renamed");
    slaveId().setValue(7);
    baudList().setCurrentText("19200");
    interaction.answers.push_back(Answer::Yes);
    button("btnDownload").click();
    EXPECT_EQ(Config.InpIr, 0.0f);
    EXPECT_EQ(Config.EngIt, 123.457f);
    EXPECT_EQ(Config.InpIs, sample().InpIs);
    EXPECT_EQ(Config.Name, "Renamed");
    EXPECT_EQ(Config.SlaveID, 7);
    EXPECT_EQ(Config.Baud, 19200);
}

// Kestro talks at 9600 baud only: a download of another rate asks first,
// and No leaves the record and the analyzer as they were.
TEST_P(ConfigDialogTest, DownloadOfAnotherBaudRateAsksFirst) {
    showActive(dialog);
    const ConfigRecord before = Config;
    slaveId().setValue(7);
    baudList().setCurrentText("4800");
    interaction.answers.push_back(Answer::No);
    button("btnDownload").click();
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(interaction.messages[0].buttons, Buttons::YesNo);
    EXPECT_EQ(interaction.messages[0].text,
              "After this download the analyzer talks at 4800 baud and stops answering Kestro, "
              "which talks at 9600 baud. Tools > Find analyzer... can bring it back to 9600 "
              "baud. Download with 4800 baud ?");
    EXPECT_EQ(Config.SlaveID, before.SlaveID);
    EXPECT_EQ(Config.Baud, before.Baud);
    EXPECT_TRUE(button("btnDownload").isEnabled()) << "no download started";

    interaction.answers.push_back(Answer::Yes);
    button("btnDownload").click();
    EXPECT_EQ(Config.Baud, 4800);
    EXPECT_EQ(Config.SlaveID, 7);
    button("btnStatClose").click();

    interaction.messages.clear();
    baudList().setCurrentText("9600");
    button("btnDownload").click();
    EXPECT_TRUE(interaction.messages.empty()) << "9600 baud is asked nothing";
    EXPECT_EQ(Config.Baud, 9600);
}

TEST_P(ConfigDialogTest, ANonNumberStopsTheStoreAtItsFieldAndNoDownloadStarts) {
    showActive(dialog);
    field("meInpIr").setText(local("10"));
    field("meInpIt").setText(local("30"));
    field("meInpVr").setText("x");
    field("meInpVs").setText(local("50"));
    button("btnDownload").click();
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text, "'x' is not a valid floating point value");
    EXPECT_EQ(Config.InpIr, 10.0f);
    EXPECT_EQ(Config.InpIt, 30.0f);
    EXPECT_EQ(Config.InpVr, sample().InpVr);
    EXPECT_EQ(Config.InpVs, sample().InpVs);
    EXPECT_FALSE(ConfigSaved);
    EXPECT_FALSE(panel(dialog).visible);
    rig.runTicks(40);
    EXPECT_TRUE(writes().empty());
}

TEST_P(ConfigDialogTest, ABaudRateOutsideTheListIsRefusedOnTheStatusPanel) {
    Config.Baud = 600;
    showActive(dialog);
    EXPECT_EQ(baudList().currentIndex(), -1);
    EXPECT_EQ(baudList().currentText(), "");
    field("edConfigName").setText("New name");
    slaveId().setValue(9);
    field("meInpIr").setText(local("42"));
    button("btnDownload").click();

    const PanelState shown = panel(dialog);
    EXPECT_TRUE(shown.visible);
    EXPECT_EQ(shown.text, "Baud rate not set. Please select a baud rate.");
    EXPECT_EQ(shown.title, QColor(255, 0, 0));
    EXPECT_TRUE(shown.closeEnabled);
    EXPECT_FALSE(shown.buttonsEnabled);
    EXPECT_EQ(interaction.beeps, std::vector<Beep>{Beep::Exclamation});
    // Stored up to the slave ID, nothing after it.
    EXPECT_EQ(Config.Name, "New name");
    EXPECT_EQ(Config.SlaveID, 9);
    EXPECT_EQ(Config.Baud, 600);
    EXPECT_EQ(Config.InpIr, sample().InpIr);
    EXPECT_FALSE(ConfigSaved);
    rig.runTicks(40);
    EXPECT_TRUE(writes().empty());
}

TEST_P(ConfigDialogTest, DownloadMarksTheConfigurationSavedUntilTheNameIsEdited) {
    Config.Name = "Other";  // filling the name field is no edit of it
    // The record as its file holds it: a Download of it leaves nothing to save.
    QTemporaryDir folder;
    Settings.Path = folder.path() + "/";
    Settings.FileName = "plant.cfg";
    ASSERT_TRUE(WriteConfigFile());
    showActive(dialog);
    button("btnDownload").click();
    EXPECT_FALSE(NameEdited);
    EXPECT_TRUE(ConfigSaved);

    button("btnStatClose").click();
    field("edConfigName").setFocus();
    QTest::keyClicks(&field("edConfigName"), "x");
    EXPECT_TRUE(NameEdited);
    button("btnDownload").click();
    EXPECT_FALSE(ConfigSaved);

    button("btnStatClose").click();
    ConfigSaved = true;  // saved in between
    dialog.hide();
    showActive(dialog);
    button("btnDownload").click();
    EXPECT_FALSE(ConfigSaved);
}

TEST_P(ConfigDialogTest, TheFirmwareVersionComesBackUnchanged) {
    const QString version = QString("RVX82A V1.10").leftJustified(50, ' ') + QChar(0) + QChar(0);
    Config.FirmwareVersion = version;
    showActive(dialog);
    EXPECT_EQ(dialog.findChild<QLabel*>("lblVersion")->text(), "RVX82A V1.10");
    button("btnDownload").click();
    EXPECT_EQ(Config.FirmwareVersion, version);
}

TEST_P(ConfigDialogTest, CloseDiscardsTheEdits) {
    showActive(dialog);
    type(field("meInpIr"), local("99"));
    field("edConfigName").setText("Edited");
    baudList().setCurrentText("1200");
    button("btnClose").click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(describe(Config), describe(sample()));
    showActive(dialog);
    EXPECT_EQ(field("meInpIr").text(), local("1.50000"));
}

TEST_P(ConfigDialogTest, TheStatusPanelHoldsTheDialogUntilItIsClosed) {
    showActive(dialog);
    dialog.ShowStatus("Uploading configuration... Please wait.", false, QColor(0, 0, 128));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    for (const char* name : {"btnDownload", "btnUpload", "btnClose", "btnStatClose"})
        EXPECT_FALSE(button(name).isEnabled()) << name;

    dialog.ShowStatus("Configuration uploaded.", true, QColor(0, 0, 128));
    button("btnStatClose").click();
    EXPECT_FALSE(panel(dialog).visible);
    for (const char* name : {"btnDownload", "btnUpload", "btnClose"})
        EXPECT_TRUE(button(name).isEnabled()) << name;
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_P(ConfigDialogTest, TabGoesThroughTheFieldsGroupByGroup) {
    showActive(dialog);
    EXPECT_EQ(QApplication::focusWidget(), &slaveId());
    EXPECT_EQ(
        tabOrder(field("edConfigName")),
        QStringList({"edConfigName", "cbBaud", "seSlaveID", "meInpIr", "meInpIs", "meInpIt",
                     "meEngIr", "meEngIs", "meEngIt", "meInpVr", "meInpVs", "meInpVt", "meEngVr",
                     "meEngVs", "meEngVt", "btnDownload", "btnUpload", "btnClose"}));
}

TEST_P(ConfigDialogTest, UploadGoesThroughTheMainWindow) {
    int calls = 0;
    dialog.UploadConfigToFile = [&] { ++calls; };
    showActive(dialog);
    field("meInpIr").setText(local("77"));
    button("btnUpload").click();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Config.InpIr, sample().InpIr);  // the fields are not stored first
}

INSTANTIATE_TEST_SUITE_P(Locales, ConfigDialogTest, ::testing::Values(kPointLocale, kCommaLocale),
                         LocaleName);

}  // namespace
}  // namespace kestro::test
