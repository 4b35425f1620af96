#pragma once
// The program on the virtual line with the simulated analyzer answering,
// as the command tests run it, with the service report's dialog driven from
// inside and its PDF read back as text.

#include <QDateTime>
#include <functional>

#include "tests/commands/CommandsFixture.h"
#include "tools/report/ReportDialog.h"

namespace kestro::test {

class ReportTest : public CommandsTest {
  protected:
    ReportTest();

    // The program with the sample configuration, polling until the first
    // readings have come.
    void startPolling();
    // The computer's clock as the commands and the report see it.
    void setClock(const QTime& time) { now_ = QDateTime(QDate(2026, 12, 11), time); }

    // The device commands as the user starts them.
    // The sample record's 19200 baud is asked about first: yes.
    QString download() {
        interaction.answers = {Answer::Yes};
        return pressInConfigDialog("btnDownload");
    }
    QString calibrateActivePower();
    void resetKWh();
    void setDeviceClock();

    // File > Service report..., `inside` run while its dialog is shown.
    void inReportDialog(const std::function<void(report::ReportDialog&)>& inside);
    // Saves the report through the dialog with this header into `file`;
    // gives the dialog's status text.
    QString saveReport(const report::ReportHeader& header, const QString& file);

    // The PDF's text (pdftotext) as one line, cell after cell, and its page
    // count (pdfinfo).
    static QString pdfText(const QString& file);
    static int pdfPages(const QString& file);

  private:
    void untilLastActionSettled();
    QDateTime now_;
};

}  // namespace kestro::test
