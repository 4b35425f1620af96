#include "tests/e2e/KestroFixture.h"

#include <QFile>
#include <QTest>

#include "config/Configuration.h"
#include "platform/core/PortMap.h"
#include "shell/Comselect.h"
#include "shell/MainState.h"

namespace kestro::test {

namespace {

// The user picks COM1 and presses OK; any other list is a failure.
int ChooseCom1(TfrmComSelect& dialog) {
    const int com1 = dialog.cbComPorts->findText("COM1");
    if (com1 < 0) {
        ADD_FAILURE() << "COM1 is not offered in the port selection dialog";
        return int(QDialog::Rejected);
    }
    dialog.cbComPorts->setCurrentIndex(com1);
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    return dialog.result();
}

}  // namespace

void KestroTest::SetUp() {
    ASSERT_TRUE(temp.isValid());
    QDir root(temp.path());
    ASSERT_TRUE(root.mkpath("work") && root.mkpath("program") && root.mkpath("config"));
    workDir = QDir(root.filePath("work"));
    programDir = QDir(root.filePath("program"));
    home_.emplace("HOME", temp.path().toLocal8Bit());
    xdgConfig_.emplace("XDG_CONFIG_HOME", root.filePath("config").toLocal8Bit());

    Settings = IniRecord();
    Config = ConfigRecord();
    ConfigSaved = false;
    FullMode = false;
    PortMap::clear();
    RunComSelect = ChooseCom1;
}

void KestroTest::TearDown() {
    // Nothing here asks the user anything or warns.
    for (const ShownMessage& message : interaction.messages)
        ADD_FAILURE() << "message shown: " << message.text.toStdString();
    EXPECT_TRUE(interaction.beeps.empty());
    status.reset();
    program.reset();
    simulator.reset();
    RunComSelect = nullptr;
    PortMap::clear();
}

void KestroTest::startSimulator(const QStringList& options) {
    simulator.reset();
    simulator = std::make_unique<SimulatorProcess>(
        link(), QStringList{"--freeze", "--clock", kClock} + options);
    ASSERT_TRUE(simulator->started()) << "rvx82a-sim did not start on " << link().toStdString();
}

void KestroTest::startKestro(const QString& device) {
    QFile ini(programDir.filePath("Kestro.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[PORTS]\nCOM1=" + device.toUtf8() + "\n");
    ini.close();
    program = std::make_unique<Program>(platform, programDir.path());
    status = std::make_unique<StatusWatch>(window().sbMainPanel(2));
    ASSERT_EQ(window().sbMainPanel(0)->text(), "COM1,9600,N,8,1");
    ASSERT_TRUE(window().tmrPoll->enabled()) << "polling did not start";
}

}  // namespace kestro::test
