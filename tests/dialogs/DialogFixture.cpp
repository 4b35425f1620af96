#include "tests/dialogs/DialogFixture.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "device/DeviceCommands.h"
#include "modbus/Driver_Modbus.h"
#include "platform/Regional.h"
#include "shell/MainState.h"

namespace kestro::test {

DialogTest::DialogTest() {
    rig.platform.OnPortCreated = [this](VirtualPort& port) { responder.attach(port); };
    CommandHost.WaitForEngine = [this] {
        if (waitingDialog)
            whileWaiting.push_back(panel(*waitingDialog));
        rig.runUntil([] { return !(DB_Modbus.RequestPending && Ports.PortOpen); }, 30000);
    };
}

DialogTest::~DialogTest() {
    StopCommunications();
    ClosePort();
    CommandHost = DeviceCommandHost{};
}

void DialogTest::SetUp() {
    Config = sample();
    ConfigSaved = false;
    rig.start();
    rig.runTicks(10);  // the scan is under way, as it is when a user acts
}

ConfigRecord DialogTest::sample() {
    ConfigRecord record = numberedRecord("Feeder 3", "RVX82A V1.10", 1, 9600, 1.5f);
    record.CalControl = 0;
    return record;
}

PanelState DialogTest::panel(const QDialog& dialog) {
    PanelState state;
    const auto* frame = dialog.findChild<QWidget*>("pnlStatus");
    state.visible = frame && frame->isVisible();
    if (const auto* text = dialog.findChild<QLabel*>("lblStatus"))
        state.text = text->text();
    if (const auto* title = dialog.findChild<QLabel*>("pnlTitle"))
        state.title = title->palette().color(QPalette::Window);
    if (const auto* close = dialog.findChild<QPushButton*>("btnStatClose"))
        state.closeEnabled = close->isEnabled();
    if (const auto* close = dialog.findChild<QPushButton*>("btnClose"))
        state.buttonsEnabled = close->isEnabled();
    return state;
}

void DialogTest::showActive(QDialog& dialog) {
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

void DialogTest::type(QLineEdit& field, const QString& text) {
    field.setFocus(Qt::TabFocusReason);
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Delete);
    QTest::keyClicks(&field, text);
    leave(field);
}

void DialogTest::leave(QLineEdit& field) {
    field.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&field, Qt::Key_Tab);
}

QStringList DialogTest::tabOrder(QWidget& first) {
    first.setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (int i = 0; i < 40 && QApplication::focusWidget(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        if (!visited.isEmpty() && focus == &first)
            break;
        visited << focus->objectName();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    return visited;
}

void LocaleDialogTest::SetUp() {
    locale_.emplace(GetParam());
    DialogTest::SetUp();
}

QString LocaleDialogTest::local(QString number) {
    return number.replace('.', QChar(DecimalSeparator()));
}

}  // namespace kestro::test
