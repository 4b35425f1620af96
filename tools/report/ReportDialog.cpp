#include "tools/report/ReportDialog.h"

namespace kestro::report {

ReportDialog::ReportDialog(const ReportHeader& header, bool canPrint, QWidget* parent)
    : QDialog(parent), canPrint_(canPrint) {
    setupUi(this);
    companyEdit->setText(QString::fromStdString(header.company));
    technicianEdit->setText(QString::fromStdString(header.technician));
    siteEdit->setText(QString::fromStdString(header.site));
    notesEdit->setPlainText(QString::fromStdString(header.notes));
    printButton->setEnabled(canPrint_);
    if (!canPrint_)
        printButton->setToolTip("No printer is set up");
    connect(savePdfButton, &QPushButton::clicked, this, [this] { run(savePdf); });
    connect(printButton, &QPushButton::clicked, this, [this] { run(print); });
}

ReportHeader ReportDialog::header() const {
    return {companyEdit->text().toStdString(), technicianEdit->text().toStdString(),
            siteEdit->text().toStdString(), notesEdit->toPlainText().toStdString()};
}

void ReportDialog::run(const std::function<QString(const ReportHeader&)>& action) {
    if (!action)
        return;
    for (QPushButton* button : {savePdfButton, printButton, closeButton})
        button->setEnabled(false);
    statusLabel->setText("Gathering the report...");
    statusLabel->setText(action(header()));
    savePdfButton->setEnabled(true);
    printButton->setEnabled(canPrint_);
    closeButton->setEnabled(true);
}

}  // namespace kestro::report
