#include "StatusWin.h"

#include "WindowPlacement.h"

namespace kestro {

TfrmStatus* frmStatus = nullptr;

TfrmStatus::TfrmStatus(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    MakeFixedDialog(*this, 401, 221);
}

void TfrmStatus::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

}  // namespace kestro
