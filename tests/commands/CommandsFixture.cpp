#include "tests/commands/CommandsFixture.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "device/DeviceCommands.h"
#include "modbus/Driver_Modbus.h"
#include "platform/Regional.h"
#include "shell/Program.h"

namespace kestro::test {

CommandsTest::CommandsTest() {
    platform.OnPortCreated = [this](VirtualPort& port) { responder.attach(port); };
    CommandHost.WaitForEngine = [this] {
        platform.clock.runUntil([] { return !(DB_Modbus.RequestPending && Ports.PortOpen); },
                                30000);
    };
}

void CommandsTest::TearDown() {
    frmStatus = nullptr;
    frmCal = nullptr;
    frmEng = nullptr;
    about.reset();
    cal.reset();
    eng.reset();
    ShellTest::TearDown();
    CommandHost = DeviceCommandHost{};
}

void CommandsTest::createDialogs() {
    eng = std::make_unique<TfrmEng>();
    frmEng = eng.get();
    cal = std::make_unique<TfrmCal>();
    frmCal = cal.get();
    about = std::make_unique<TfrmStatus>();
    frmStatus = about.get();
}

void CommandsTest::startProgram() {
    start({PressOk()});
    createDialogs();
}

void CommandsTest::startProgramWith(const QString& name, const ConfigRecord& record) {
    writeConfigFile(inProgram(name), record);
    writeIni(programDir.path(),
             "[CONFIG]\nFileName=" + name.toUtf8() + "\nPath=" + programPath().toUtf8() + "\n");
    startProgram();
}

ConfigRecord CommandsTest::sample() {
    ConfigRecord record = numberedRecord("Feeder 3", "RVX82A V1.10", 17, 19200, 1.5f);
    // The file keeps one voltage input value for all three phases.
    record.InpVr = record.InpVs = record.InpVt;
    return record;
}

void CommandsTest::writeConfigFile(const QString& path, const ConfigRecord& record) {
    const IniRecord settings = Settings;
    const ConfigRecord config = Config;
    const bool saved = ConfigSaved;
    const ConfigurationView view = ConfigView;
    ConfigView = ConfigurationView();
    Settings.Path = path.left(path.lastIndexOf('/') + 1);
    Settings.FileName = path.mid(path.lastIndexOf('/') + 1);
    Config = record;
    EXPECT_TRUE(WriteConfigFile()) << path.toStdString();
    ConfigView = view;
    Settings = settings;
    Config = config;
    ConfigSaved = saved;
}

void CommandsTest::writeText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(text);
}

void CommandsTest::activate() {
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

QString CommandsTest::pressInConfigDialog(const char* button) {
    QString status;
    const bool shown = whileShown(*window->bbEditConfig, *eng, [&] {
        eng->findChild<QPushButton*>(button)->click();
        if (eng->findChild<QWidget*>("pnlStatus")->isVisible()) {
            status = eng->findChild<QLabel*>("lblStatus")->text();
            eng->findChild<QPushButton*>("btnStatClose")->click();
        }
        eng->findChild<QPushButton*>("btnClose")->click();
    });
    EXPECT_TRUE(shown);
    return status;
}

std::vector<uint8_t> CommandsTest::nextRequest() {
    VirtualPort& port = *platform.port;
    const size_t from = port.written.size();
    if (!platform.clock.runUntil([&] { return port.written.size() >= from + 8; }, 5000))
        return {};
    return {port.written.begin() + long(from), port.written.begin() + long(from) + 8};
}

void LocaleCommandsTest::SetUp() {
    locale_.emplace(GetParam());
    CommandsTest::SetUp();
}

QString LocaleCommandsTest::local(QString number) {
    return number.replace('.', QChar(DecimalSeparator()));
}

}  // namespace kestro::test
