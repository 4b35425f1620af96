#pragma once
// The service report's dialog: the header the technician fills in, and the
// buttons that save the report as a PDF or print it.

#include <QDialog>
#include <functional>

#include "tools/report/ServiceReport.h"
#include "ui_ReportDialog.h"

namespace kestro::report {

class ReportDialog : public QDialog, public Ui::ReportDialog {
    Q_OBJECT

  public:
    // Print is offered only where a printer is set up.
    ReportDialog(const ReportHeader& header, bool canPrint, QWidget* parent = nullptr);

    ReportHeader header() const;
    // Run by the buttons with the dialog's buttons disabled meanwhile (a
    // report may wait for the analyzer); they say what became of it.
    std::function<QString(const ReportHeader&)> savePdf;
    std::function<QString(const ReportHeader&)> print;

  private:
    void run(const std::function<QString(const ReportHeader&)>& action);
    bool canPrint_;
};

}  // namespace kestro::report
