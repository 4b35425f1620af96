// The device commands of the configuration and calibration dialogs, opened
// from the main window as the user opens them, carried over the link to the
// simulator: what it receives, and what an upload brings back.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <functional>

#include "config/Configuration.h"
#include "shell/MainState.h"
#include "tests/e2e/KestroFixture.h"
#include "tests/support/Waiting.h"
#include "tests/support/WhileShown.h"

using namespace kestro;
using namespace kestro::test;

namespace {

constexpr int kCommandMs = 15000;
constexpr char kFirmware[] = "RVX82A V2.07 e2e";

class DeviceCommandsOnSimulator : public KestroTest,
                                  public ::testing::WithParamInterface<LocaleCase> {
  protected:
    void SetUp() override {
        KestroTest::SetUp();
        QLocale::setDefault(GetParam().locale());  // the fixture puts it back
    }

    // Starts the simulator and the program, and waits for the first answer.
    void startLink() {
        ASSERT_NO_FATAL_FAILURE(startSimulator({"--firmware", kFirmware}));
        ASSERT_NO_FATAL_FAILURE(startKestro());
        ASSERT_TRUE(status->waitFor(kValid, kFirstAnswerMs))
            << status->history().toStdString() << simulator->events().join('\n').toStdString();
    }

    // Runs `inside` while the dialog of `entry` is shown, then closes it
    // with its Close button. False when it never came up.
    static bool whileShown(QAction& entry, QDialog& dialog, const std::function<void()>& inside) {
        return test::whileShown(entry, dialog, [&] {
            inside();
            dialog.findChild<QPushButton*>("btnClose")->click();
        });
    }

    // Presses `button`, waits for the dialog's status panel to read
    // `outcome` with its Close button usable again, and gives the text the
    // panel read in the end.
    static QString press(QDialog& dialog, const char* button, const QString& outcome) {
        dialog.findChild<QPushButton*>(button)->click();
        auto* text = dialog.findChild<QLabel*>("lblStatus");
        auto* close = dialog.findChild<QPushButton*>("btnStatClose");
        waitUntil([&] { return text->text() == outcome && close->isEnabled(); }, kCommandMs);
        const QString shown = text->text();
        close->click();
        return shown;
    }

    static void enter(QDialog& dialog, const char* field, const QString& number) {
        dialog.findChild<QLineEdit*>(field)->setText(
            QString(number).replace('.', QLocale().decimalPoint()));
    }

    // The beep of a command that succeeded, and nothing else; consumed.
    bool successBeepOnly() {
        const bool only = interaction.beeps == std::vector<Beep>{Beep::Default};
        interaction.beeps.clear();
        return only;
    }

    // The last write event of `block` the simulator printed, waited for.
    QJsonObject written(const QString& block) {
        QJsonObject found;
        waitUntil(
            [&] {
                for (const QString& line : simulator->events()) {
                    const QJsonObject event = QJsonDocument::fromJson(line.toUtf8()).object();
                    if (event["event"].toString() == "write" && event["block"].toString() == block)
                        found = event;
                }
                return !found.isEmpty();
            },
            kCommandMs);
        return found;
    }
};

TEST_P(DeviceCommandsOnSimulator, DownloadWritesTheFullScalesIntoTheAnalyzer) {
    ASSERT_NO_FATAL_FAILURE(startLink());
    const struct {
        const char* field;
        const char* key;
        const char* text;
        double value;
    } scales[] = {
        {"meInpIr", "inp_ir", "2.5", 2.5},     {"meInpIs", "inp_is", "5", 5},
        {"meInpIt", "inp_it", "1.25", 1.25},   {"meInpVr", "inp_vr", "400", 400},
        {"meInpVs", "inp_vs", "230.5", 230.5}, {"meInpVt", "inp_vt", "100", 100},
        {"meEngIr", "eng_ir", "250", 250},     {"meEngIs", "eng_is", "1000", 1000},
        {"meEngIt", "eng_it", "12.5", 12.5},   {"meEngVr", "eng_vr", "20000", 20000},
        {"meEngVs", "eng_vs", "11000", 11000}, {"meEngVt", "eng_vt", "660", 660},
    };
    QString outcome;
    ASSERT_TRUE(whileShown(*window().bbEditConfig, *frmEng, [&] {
        frmEng->findChild<QComboBox*>("cbBaud")->setCurrentText("9600");
        frmEng->findChild<QSpinBox*>("seSlaveID")->setValue(1);
        for (const auto& scale : scales)
            enter(*frmEng, scale.field, scale.text);
        outcome = press(*frmEng, "btnDownload", "Configuration downloaded.");
    }));
    EXPECT_EQ(outcome, "Configuration downloaded.");
    EXPECT_TRUE(successBeepOnly());

    const QJsonObject event = written("configuration");
    ASSERT_FALSE(event.isEmpty()) << simulator->events().join('\n').toStdString();
    EXPECT_EQ(event["baud"].toInt(), 9600);
    EXPECT_EQ(event["slave_id"].toInt(), 1);
    for (const auto& scale : scales)
        EXPECT_EQ(event[scale.key].toDouble(), scale.value) << scale.key;
    // The analyzer keeps answering on the same line and address.
    EXPECT_TRUE(status->waitFor(kValid, kFaultSeenMs)) << status->history().toStdString();
}

TEST_P(DeviceCommandsOnSimulator, UploadFillsTheConfigurationFromTheAnalyzer) {
    ASSERT_NO_FATAL_FAILURE(startLink());
    ConfigSaved = false;
    interaction.answers = {Answer::No};
    interaction.files = {workDir.filePath("device.cfg")};

    QString outcome;
    ASSERT_TRUE(whileShown(*window().bbEditConfig, *frmEng, [&] {
        outcome = press(*frmEng, "btnUpload", "Configuration uploaded.");
    }));
    EXPECT_EQ(outcome, "Configuration uploaded.");
    EXPECT_TRUE(successBeepOnly());

    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text, "Current configuration not saved. Save ?");
    interaction.messages.clear();
    ASSERT_EQ(interaction.dialogs.size(), 1u);
    EXPECT_EQ(interaction.dialogs[0].title, "Upload Configuration to ...");
    EXPECT_EQ(Settings.FileName, "device.cfg");

    // The simulator's own configuration: 5 A and 500 V on both scales.
    EXPECT_EQ(Config.Baud, 9600);
    EXPECT_EQ(Config.SlaveID, 1);
    for (float ConfigRecord::*current :
         {&ConfigRecord::InpIr, &ConfigRecord::InpIs, &ConfigRecord::InpIt, &ConfigRecord::EngIr,
          &ConfigRecord::EngIs, &ConfigRecord::EngIt})
        EXPECT_EQ(Config.*current, 5.0f);
    for (float ConfigRecord::*voltage :
         {&ConfigRecord::InpVr, &ConfigRecord::InpVs, &ConfigRecord::InpVt, &ConfigRecord::EngVr,
          &ConfigRecord::EngVs, &ConfigRecord::EngVt})
        EXPECT_EQ(Config.*voltage, 500.0f);
    // The text as the analyzer keeps it, filled up to the field's length.
    const QString firmware = Config.FirmwareVersion;
    EXPECT_TRUE(firmware.startsWith(kFirmware)) << firmware.toStdString();
    for (const QChar fill : firmware.mid(int(sizeof kFirmware) - 1))
        EXPECT_TRUE(fill == ' ' || fill == QChar(0)) << firmware.toStdString();
}

TEST_P(DeviceCommandsOnSimulator, CalibrationSendsTheActivePowerWordAndTheInputs) {
    ASSERT_NO_FATAL_FAILURE(startLink());
    window().EnterFullMode();
    ASSERT_TRUE(window().bbEditCalibration->isEnabled());
    const struct {
        const char* field;
        const char* key;
        const char* text;
        double value;
    } inputs[] = {
        {"meCalIr", "cal_ir", "2.5", 2.5},     {"meCalIs", "cal_is", "3", 3},
        {"meCalIt", "cal_it", "4.25", 4.25},   {"meCalVr", "cal_vr", "230", 230},
        {"meCalVs", "cal_vs", "231.5", 231.5}, {"meCalVt", "cal_vt", "232", 232},
    };
    interaction.answers = {Answer::Yes};

    QString outcome;
    ASSERT_TRUE(whileShown(*window().bbEditCalibration, *frmCal, [&] {
        frmCal->findChild<QPushButton*>("btnP")->click();
        for (const auto& input : inputs)
            enter(*frmCal, input.field, input.text);
        outcome = press(*frmCal, "btnCal", "Calibration success.");
    }));
    EXPECT_EQ(outcome, "Calibration success.");

    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text, "Are you sure you want to calibrate the unit ?");
    interaction.messages.clear();
    ASSERT_FALSE(interaction.beeps.empty());
    EXPECT_EQ(interaction.beeps.front(), Beep::Question);
    interaction.beeps.erase(interaction.beeps.begin());
    EXPECT_TRUE(successBeepOnly());

    const QJsonObject event = written("calibration");
    ASSERT_FALSE(event.isEmpty()) << simulator->events().join('\n').toStdString();
    EXPECT_EQ(event["control"].toInt(), 0x1C7);
    for (const auto& input : inputs)
        EXPECT_EQ(event[input.key].toDouble(), input.value) << input.key;
}

INSTANTIATE_TEST_SUITE_P(Locales, DeviceCommandsOnSimulator,
                         ::testing::Values(kPointLocale, kCommaLocale), LocaleName);

}  // namespace
