#include "shell/StatusWin.h"

#include "shell/WindowPlacement.h"

namespace kestro {

TfrmStatus* frmStatus = nullptr;

namespace {
void SetType(QLabel& label, int pixels, QFont::Weight weight, bool italic = false) {
    QFont type = label.font();
    type.setPixelSize(pixels);
    type.setWeight(weight);
    type.setItalic(italic);
    label.setFont(type);
}
}  // namespace

TfrmStatus::TfrmStatus(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    MakeFixedDialog(*this, 401, 221);
    SetType(*lblVarnesk, 37, QFont::Black, true);
    SetType(*lblVersion, 27, QFont::Bold);
    SetType(*lblSoftwareDescription, 13, QFont::Normal);
}

void TfrmStatus::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

}  // namespace kestro
