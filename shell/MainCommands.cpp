// The main window's menu entries and field buttons, and the commands that
// show the dialogs.
#include <QKeyEvent>
#include <QLineEdit>

#include "shell/EventHook.h"
#include "shell/Main.h"
#include "shell/MenuAccessKeys.h"
#include "shell/Program.h"
#include "shell/StatusWin.h"

namespace kestro {

void TfrmMain::ConnectCommands() {
    connect(bbNewConfig, &QAction::triggered, this, [this] { bbNewConfigClick(); });
    connect(bbOpenConfig, &QAction::triggered, this, [this] { bbOpenConfigClick(); });
    connect(bbSaveConfiguration, &QAction::triggered, this, [this] { bbSaveConfigurationClick(); });
    connect(bbSaveConfigurationAs, &QAction::triggered, this,
            [this] { bbSaveConfigurationAsClick(); });
    connect(bbExit, &QAction::triggered, this, [this] { bbExitClick(); });
    connect(bbEditConfig, &QAction::triggered, this, [this] { bbEditConfigClick(); });
    connect(bbEditCalibration, &QAction::triggered, this, [this] { bbEditCalibrationClick(); });
    connect(bbAbout, &QAction::triggered, this, [this] { bbAboutClick(); });
    ServeMenuAccessKeys(*barMain);

    connect(IndPtotButton, &QToolButton::clicked, this, [this] { IndPtotPropertiesButtonClick(); });
    connect(IndQTotButton, &QToolButton::clicked, this,
            [this] { cxButtonEdit1PropertiesButtonClick(); });
    connect(edRTCButton, &QToolButton::clicked, this, [this] { edRTCPropertiesButtonClick(); });
    for (QLineEdit* field : {IndPtot, IndQTot, edRTC}) {
        EventHook::Install(*field, [this](QEvent& event) {
            if (event.type() == QEvent::FocusIn)
                IndPtotEnter();
            return false;
        });
    }

    ConnectSlaveId();
    EventHook::Install(*seSlaveID, [this](QEvent& event) {
        // The field has the focus from the start; its editor would take
        // Ctrl+X for cutting text and leave Exit without its shortcut.
        if (event.type() == QEvent::ShortcutOverride)
            return IsExitShortcut(static_cast<QKeyEvent&>(event));
        return event.type() == QEvent::KeyPress && seSlaveIDKeyDown(static_cast<QKeyEvent&>(event));
    });
}

bool TfrmMain::IsExitShortcut(const QKeyEvent& key) const {
    return !bbExit->shortcut().isEmpty() && key.keyCombination() == bbExit->shortcut()[0];
}

// Closing runs the shutdown sequence.
void TfrmMain::bbExitClick() {
    close();
}

// The dialog is created after this window, so it learns here where its
// Upload button leads.
void TfrmMain::bbEditConfigClick() {
    if (!frmEng)
        return;
    frmEng->UploadConfigToFile = [this] { UploadConfigToFile(); };
    frmEng->exec();
}

void TfrmMain::bbEditCalibrationClick() {
    if (frmCal)
        frmCal->exec();
}

void TfrmMain::bbAboutClick() {
    if (frmStatus)
        frmStatus->exec();
}

}  // namespace kestro
