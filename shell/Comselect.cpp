#include "shell/Comselect.h"

#include "platform/PortAvailability.h"
#include "platform/core/PortMap.h"
#include "shell/WindowPlacement.h"

namespace kestro {

ComSelectRunner RunComSelect;
PortProbe ComSelectProbe = ProbePort;

PortProbeResult ProbePort(int portNumber) {
    return {IsPortAvailable(portNumber), QString::fromStdString(PortMap::devicePath(portNumber))};
}

TfrmComSelect::TfrmComSelect(QWidget* parent, PortProbe probe) : QDialog(parent) {
    setupUi(this);
    MakeFixedDialog(*this, 258, 119);
    FormCreate(probe);
}

void TfrmComSelect::FormCreate(const PortProbe& probe) {
    for (int n = 1; n <= kMaxListedPort; ++n) {
        const PortProbeResult port = probe(n);
        if (!port.available)
            continue;
        cbComPorts->addItem(QString("COM%1").arg(n));
        cbComPorts->setItemData(cbComPorts->count() - 1, port.device, Qt::ToolTipRole);
    }
    cbComPorts->setCurrentIndex(cbComPorts->count() > 0 ? 0 : -1);
    // With nothing to choose, OK would have no port to give.
    btnOk->setEnabled(cbComPorts->count() > 0);
}

int TfrmComSelect::SelectedPortNumber() const {
    if (cbComPorts->currentIndex() < 0)
        return 0;
    return cbComPorts->currentText().mid(3).toInt();
}

void TfrmComSelect::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

int SelectComPort(int& portNumber) {
    TfrmComSelect dialog(nullptr, ComSelectProbe ? ComSelectProbe : ProbePort);
    const int result = RunComSelect ? RunComSelect(dialog) : dialog.exec();
    const bool ok = result == QDialog::Accepted;
    const int chosen = dialog.SelectedPortNumber();
    if (!ok || chosen <= 0)
        return kNoPortSelected;
    portNumber = chosen;
    return kPortSelected;
}

}  // namespace kestro
