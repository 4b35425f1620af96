// The energy meter and clock buttons of the main window and the Slave ID
// field that names the analyzer the master talks to.
#include <QLineEdit>

#include "device/DeviceCommands.h"
#include "modbus/DB_Modbus.h"
#include "platform/UserInteraction.h"
#include "shell/Main.h"

namespace kestro {

namespace {

bool Confirmed(const QString& question) {
    return Interaction().message(MessageKind::Confirmation, question, Buttons::YesNo) ==
           Answer::Yes;
}

}  // namespace

void TfrmMain::IndPtotPropertiesButtonClick() {
    if (Confirmed("Are you sure you want to reset the kWh meter ?"))
        ResetKWh();
}

void TfrmMain::cxButtonEdit1PropertiesButtonClick() {
    if (Confirmed("Are you sure you want to reset the kVarh meter ?"))
        ResetKVarh();
}

void TfrmMain::edRTCPropertiesButtonClick() {
    if (Confirmed("Are you sure you want to set the RTC ?"))
        SetDeviceClock();
}

// The meter and clock fields never keep the focus; their buttons are for
// the mouse.
void TfrmMain::IndPtotEnter() {
    seSlaveID->setFocus(Qt::OtherFocusReason);
}

// A value set by the program changes the spin box's text without its
// editor telling, and text the user deletes changes the editor without the
// value changing: both are watched.
void TfrmMain::ConnectSlaveId() {
    connect(seSlaveID, &QSpinBox::textChanged, this, [this] { cxSpinEdit1PropertiesChange(); });
    if (auto* editor = seSlaveID->findChild<QLineEdit*>())
        connect(editor, &QLineEdit::textChanged, this, [this] { cxSpinEdit1PropertiesChange(); });
}

void TfrmMain::cxSpinEdit1PropertiesChange() {
    if (seSlaveID->text().isEmpty()) {
        DB_Modbus.TargetSlave = 1;
        seSlaveID->setValue(1);  // shows "1" again, also when the value was 1 already
        return;
    }
    DB_Modbus.TargetSlave = seSlaveID->value();
    // A text that is no address (0, 248, a leading zero) leaves the value
    // where it was: the field shows again the address the master polls, so
    // that the two never disagree.
    if (seSlaveID->cleanText() != QString::number(seSlaveID->value()))
        seSlaveID->setValue(seSlaveID->value());
}

}  // namespace kestro
