#include "tests/report/ReportFixture.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>

#include "device/DeviceCommands.h"

namespace kestro::test {

ReportTest::ReportTest() {
    model.setAddress(sample().SlaveID);
    setClock(QTime(10, 0));
    CommandHost.CurrentDateTime = [this] { return now_; };
}

void ReportTest::startPolling() {
    startProgramWith("plant.cfg", sample());
    ASSERT_TRUE(
        platform.clock.runUntil([&] { return window->readings().latest() != nullptr; }, 10000));
    // A few readings more (one every 1.9 s), for steady wiring findings.
    platform.clock.advanceMs(8000);
}

QString ReportTest::calibrateActivePower() {
    window->EnterFullMode();
    QString status;
    EXPECT_TRUE(whileShown(*window->bbEditCalibration, *cal, [&] {
        cal->findChild<QPushButton*>("btnP")->click();
        interaction.answers = {Answer::Yes};
        cal->findChild<QPushButton*>("btnCal")->click();
        status = cal->findChild<QLabel*>("lblStatus")->text();
        cal->findChild<QPushButton*>("btnStatClose")->click();
        cal->findChild<QPushButton*>("btnClose")->click();
    }));
    return status;
}

void ReportTest::untilLastActionSettled() {
    ASSERT_TRUE(platform.clock.runUntil(
        [] { return CommandHost.journal.actions().back().settled(); }, 10000));
}

void ReportTest::resetKWh() {
    interaction.answers = {Answer::Yes};
    window->IndPtotButton->click();
    untilLastActionSettled();
}

void ReportTest::setDeviceClock() {
    interaction.answers = {Answer::Yes};
    window->edRTCButton->click();
    untilLastActionSettled();
}

void ReportTest::inReportDialog(const std::function<void(report::ReportDialog&)>& inside) {
    bool shown = false;
    QTimer::singleShot(0, window.get(), [&] {
        auto* dialog = qobject_cast<report::ReportDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        shown = true;
        inside(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    window->bbServiceReport->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(shown);
}

QString ReportTest::saveReport(const report::ReportHeader& header, const QString& file) {
    QString status;
    inReportDialog([&](report::ReportDialog& dialog) {
        dialog.companyEdit->setText(QString::fromStdString(header.company));
        dialog.technicianEdit->setText(QString::fromStdString(header.technician));
        dialog.siteEdit->setText(QString::fromStdString(header.site));
        dialog.notesEdit->setPlainText(QString::fromStdString(header.notes));
        interaction.files = {file};
        dialog.savePdfButton->click();
        status = dialog.statusLabel->text();
        dialog.closeButton->click();
    });
    return status;
}

QString ReportTest::pdfText(const QString& file) {
    QProcess tool;
    tool.start("pdftotext", {file, "-"});
    EXPECT_TRUE(tool.waitForFinished(30000)) << "pdftotext (Debian: poppler-utils)";
    // Ligatures ("fi") back to their letters, every line break and run of
    // blanks (between table cells too) to one blank.
    return QString::fromUtf8(tool.readAllStandardOutput())
        .normalized(QString::NormalizationForm_KC)
        .simplified();
}

int ReportTest::pdfPages(const QString& file) {
    QProcess tool;
    tool.start("pdfinfo", {file});
    EXPECT_TRUE(tool.waitForFinished(30000)) << "pdfinfo (Debian: poppler-utils)";
    const QRegularExpressionMatch pages =
        QRegularExpression(R"(Pages:\s+(\d+))")
            .match(QString::fromUtf8(tool.readAllStandardOutput()));
    return pages.hasMatch() ? pages.captured(1).toInt() : 0;
}

}  // namespace kestro::test
