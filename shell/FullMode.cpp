// Full mode: the Calibration menu, opened by a key chord in the Slave ID
// field that a service engineer knows.
#include <QGuiApplication>
#include <QKeyEvent>

#include "platform/UserInteraction.h"
#include "shell/Main.h"

namespace kestro {

namespace {

// Alt+F11 with no other modifier and no mouse button held.
bool IsFullModeChord(const QKeyEvent& key) {
    return key.key() == Qt::Key_F11 && key.modifiers() == Qt::AltModifier &&
           QGuiApplication::mouseButtons() == Qt::NoButton;
}

}  // namespace

// While the Calibration menu is enabled the chord means nothing, so the
// caption gets its suffix once.
bool TfrmMain::seSlaveIDKeyDown(const QKeyEvent& key) {
    if (!IsFullModeChord(key) || siCalibration->menuAction()->isEnabled())
        return false;
    Interaction().beep(Beep::Exclamation);
    if (Interaction().message(MessageKind::Confirmation, "Do you want to switch to full mode.",
                              Buttons::YesNo) != Answer::Yes)
        return false;
    EnterFullMode();
    return true;
}

void TfrmMain::EnterFullMode() {
    siCalibration->menuAction()->setEnabled(true);
    setWindowTitle(windowTitle() + " (full)");
    FullMode = true;
}

}  // namespace kestro
