// The main window's menu entries and field buttons.
#include "Configuration.h"
#include "Main.h"
#include "StatusWin.h"

namespace kestro {

void TfrmMain::ConnectCommands() {
    connect(bbSaveConfiguration, &QAction::triggered, this, [this] { bbSaveConfigurationClick(); });
    connect(bbExit, &QAction::triggered, this, [this] { bbExitClick(); });
    connect(bbAbout, &QAction::triggered, this, [this] { bbAboutClick(); });
}

void TfrmMain::SaveConfig() {
    WriteConfigFile();
}

void TfrmMain::bbSaveConfigurationClick() {
    SaveConfig();
}

// Closing runs the shutdown sequence.
void TfrmMain::bbExitClick() {
    close();
}

void TfrmMain::bbAboutClick() {
    if (frmStatus)
        frmStatus->exec();
}

}  // namespace kestro
