#pragma once
// Unit Comselect: the port selection dialog. A new dialog is made for every
// selection, so its list always shows the ports available at that moment.

#include <QDialog>
#include <QString>
#include <functional>

#include "ui_Comselect.h"

namespace kestro {

// Highest port number the dialog offers.
constexpr int kMaxListedPort = 50;

// What the list needs to know about port n.
struct PortProbeResult {
    bool available = false;
    QString device;  // what the port opens, shown as the entry's tooltip
};
using PortProbe = std::function<PortProbeResult(int portNumber)>;

// The platform's availability test on the device the port map gives.
PortProbeResult ProbePort(int portNumber);

class TfrmComSelect : public QDialog, public Ui::TfrmComSelect {
    Q_OBJECT

  public:
    explicit TfrmComSelect(QWidget* parent = nullptr, PortProbe probe = ProbePort);

    // The number of the selected entry; 0 when the list is empty.
    int SelectedPortNumber() const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormCreate(const PortProbe& probe);
};

// Shows the dialog and returns its result code; when empty, the dialog runs
// modally (exec). Tests set it to answer the dialog without a nested loop.
using ComSelectRunner = std::function<int(TfrmComSelect&)>;
extern ComSelectRunner RunComSelect;
// The probe new dialogs use; tests replace it to stand for a machine's ports.
extern PortProbe ComSelectProbe;

enum SelectResult { kPortSelected = 1, kNoPortSelected = 2 };

// Runs a new dialog. On OK with a port listed: portNumber := the chosen
// port, result 1. Otherwise result 2 and portNumber unchanged.
int SelectComPort(int& portNumber);

}  // namespace kestro
