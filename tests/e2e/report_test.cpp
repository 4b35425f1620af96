// The service report of a visit, against the simulator: a download, a
// calibration and an energy reset, then File > Service report... saves the
// PDF, whose text holds what the analyzer said and what was done.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include "device/DeviceCommands.h"
#include "tests/e2e/KestroFixture.h"
#include "tests/support/Waiting.h"
#include "tests/support/WhileShown.h"
#include "tools/report/ReportDialog.h"

using namespace kestro;
using namespace kestro::test;

namespace {

constexpr int kCommandMs = 15000;
constexpr char kFirmware[] = "RVX82A V2.07 e2e";

class ReportOnSimulator : public KestroTest {
  protected:
    static void enter(QDialog& dialog, const char* field, const QString& number) {
        dialog.findChild<QLineEdit*>(field)->setText(number);
    }

    // Presses `button` of `dialog` and waits for the status panel's Close.
    static QString press(QDialog& dialog, const char* button) {
        dialog.findChild<QPushButton*>(button)->click();
        auto* close = dialog.findChild<QPushButton*>("btnStatClose");
        waitUntil([&] { return close->isVisible() && close->isEnabled(); }, kCommandMs);
        const QString shown = dialog.findChild<QLabel*>("lblStatus")->text();
        close->click();
        dialog.findChild<QPushButton*>("btnClose")->click();
        return shown;
    }

    // Saves the report through its dialog into `file`; the dialog's text.
    QString saveReport(const QString& file) {
        QString status;
        QTimer::singleShot(0, &window(), [&] {
            auto* dialog = qobject_cast<report::ReportDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->companyEdit->setText("Acme Energy Services");
            dialog->technicianEdit->setText("J. Smith");
            dialog->siteEdit->setText("Plant North");
            dialog->notesEdit->setPlainText("Main switchboard, feeder 3.");
            interaction.files = {file};
            dialog->savePdfButton->click();
            status = dialog->statusLabel->text();
            dialog->closeButton->click();
        });
        window().bbServiceReport->trigger();
        return status;
    }

    static QString pdfText(const QString& file) {
        QProcess tool;
        tool.start("pdftotext", {file, "-"});
        EXPECT_TRUE(tool.waitForFinished(30000)) << "pdftotext (Debian: poppler-utils)";
        return QString::fromUtf8(tool.readAllStandardOutput())
            .normalized(QString::NormalizationForm_KC)
            .simplified();
    }
};

TEST_F(ReportOnSimulator, AReportAfterADownloadACalibrationAndAResetHoldsThemAll) {
    ASSERT_NO_FATAL_FAILURE(startSimulator({"--firmware", kFirmware}));
    ASSERT_NO_FATAL_FAILURE(startKestro());
    ASSERT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();

    // A 100 A feeder on 5 A CTs, its voltages measured directly;
    // calibrated at 5 A and 230 V.
    QString downloaded, calibrated;
    ASSERT_TRUE(whileShown(*window().bbEditConfig, *frmEng, [&] {
        frmEng->findChild<QLineEdit*>("edConfigName")->setText("Feeder 3");
        frmEng->findChild<QComboBox*>("cbBaud")->setCurrentText("9600");
        frmEng->findChild<QSpinBox*>("seSlaveID")->setValue(1);
        for (const char* field : {"meInpIr", "meInpIs", "meInpIt"})
            enter(*frmEng, field, "5");
        for (const char* field : {"meInpVr", "meInpVs", "meInpVt"})
            enter(*frmEng, field, "400");
        for (const char* field : {"meEngIr", "meEngIs", "meEngIt"})
            enter(*frmEng, field, "100");
        for (const char* field : {"meEngVr", "meEngVs", "meEngVt"})
            enter(*frmEng, field, "400");
        downloaded = press(*frmEng, "btnDownload");
    }));
    EXPECT_EQ(downloaded, "Configuration downloaded.");
    window().EnterFullMode();
    ASSERT_TRUE(whileShown(*window().bbEditCalibration, *frmCal, [&] {
        frmCal->findChild<QPushButton*>("btnP")->click();
        for (const char* field : {"meCalIr", "meCalIs", "meCalIt"})
            enter(*frmCal, field, "5");
        for (const char* field : {"meCalVr", "meCalVs", "meCalVt"})
            enter(*frmCal, field, "230");
        interaction.answers = {Answer::Yes};
        calibrated = press(*frmCal, "btnCal");
    }));
    EXPECT_EQ(calibrated, "Calibration success.");
    for (QToolButton* button : {window().IndPtotButton, window().edRTCButton}) {
        interaction.answers = {Answer::Yes};
        button->click();
        ASSERT_TRUE(
            waitUntil([] { return CommandHost.journal.actions().back().settled(); }, kCommandMs));
    }
    // A few readings with the new configuration, for steady wiring findings.
    waitUntil([] { return false; }, 8000);
    interaction.messages.clear();
    interaction.beeps.clear();

    const QString file = workDir.filePath("Plant North.pdf");
    EXPECT_EQ(saveReport(file), "Saved to " + QDir::toNativeSeparators(file) + ".");
    const QString text = pdfText(file);
    for (const QString& expected :
         {QString("Acme Energy Services"), QString("Plant North"), QString("Port COM1"),
          QString("Firmware ") + kFirmware, QString("Read for this report."),
          QString("The analyzer holds the configuration in effect."),
          QString("Fault lamps: none lit"), QString("Wiring No wiring fault found"),
          QString("Download"), QString("Configuration \"Feeder 3\": slave ID 1, 9600 baud"),
          QString("Configuration downloaded."), QString("Calibration"),
          QString("Calibrate PR, PS, PT, VR, VS, VT (control word 01C7h)"),
          QString("Calibration success."), QString("Energy reset"), QString("kWh meter; it read"),
          QString("Valid response received <10h>."), QString("Clock setting")}) {
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n"
                                             << text.toStdString();
    }
    // The analyzer's clock, set from the computer's, stands still from then
    // on (--freeze): a few seconds behind by the time of the report.
    const QRegularExpressionMatch drift = QRegularExpression(R"(Drift (-?\d+) s)").match(text);
    ASSERT_TRUE(drift.hasMatch()) << text.toStdString();
    EXPECT_LE(drift.captured(1).toInt(), 0);
    EXPECT_GE(drift.captured(1).toInt(), -60);
    // The link statistics count the whole run: every request above and the
    // polls between them, answered.
    for (const char* counter : {R"(Requests sent\s+(\d+))", R"(Valid responses\s+(\d+))"}) {
        const QRegularExpressionMatch count = QRegularExpression(counter).match(text);
        ASSERT_TRUE(count.hasMatch()) << counter << "\n" << text.toStdString();
        EXPECT_GE(count.captured(1).toInt(), 4) << counter;
    }
    // The picture of the user guide is made from this report.
    QFile::remove(KESTRO_E2E_OUTPUT_DIR "/service-report.pdf");
    QFile::copy(file, KESTRO_E2E_OUTPUT_DIR "/service-report.pdf");
}

}  // namespace
