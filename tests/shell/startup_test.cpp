// Start-up and shutdown of the main window: the settings file, the port
// selection at start and later, and the order of the shutdown steps.
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTimer>

#include "config/Configuration.h"
#include "modbus/DB_Modbus.h"
#include "modbus/Ports.h"
#include "shell/StatusWin.h"
#include "tests/shell/ShellFixture.h"

using namespace kestro;
using namespace kestro::test;

namespace {

const QString kNoPort = "No COM port defined. Program will not communicate with the unit.";
const std::vector<uint8_t> kFirstRequest = {0x01, 0x04, 0x00, 0x00, 0x00, 0x2C, 0xF1, 0xD7};

bool ConfigCommandsEnabled(const TfrmMain& w) {
    return w.bbSaveConfiguration->isEnabled() && w.bbSaveConfigurationAs->isEnabled() &&
           w.siConfiguration->menuAction()->isEnabled();
}

}  // namespace

TEST_F(ShellTest, FirstRunUsesDefaultsAndWritesTheSettingsAfterOk) {
    bool fileBeforeOk = true, commandsDuringDialog = true, calibrationDuringDialog = true;
    start({[&](TfrmComSelect& dialog) {
        fileBeforeOk = QFile::exists(iniFile());
        commandsDuringDialog = ConfigCommandsEnabled(*window);
        calibrationDuringDialog = window->siCalibration->menuAction()->isEnabled();
        return PressOk()(dialog);
    }});

    EXPECT_FALSE(fileBeforeOk);
    EXPECT_FALSE(commandsDuringDialog);
    EXPECT_FALSE(calibrationDuringDialog);
    ASSERT_EQ(dialogLists.size(), 1u);
    EXPECT_EQ(readFile(iniFile()).toStdString(),
              "[PORT]\nName=COM1\nBaud=9600\nData=8\nStop=1\nParity=None\n"
              "Interface=RS232\n\n[CONFIG]\nFileName=RVX82UNTITLED.CFG\nPath=" +
                  programPath().toStdString() + "\n");
    EXPECT_EQ(window->sbMainPanel(0)->text(), "COM1,9600,N,8,1");
    EXPECT_EQ(window->sbMainPanel(1)->text(), "");
    EXPECT_TRUE(window->tmrPoll->enabled());
    EXPECT_TRUE(ConfigSaved);
    EXPECT_FALSE(FullMode);
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_TRUE(interaction.beeps.empty());

    EXPECT_EQ(FirstRequest(), kFirstRequest);
}

TEST_F(ShellTest, HandEditedSettingsAreKeptWhileThePortOpensAtItsFixedSettings) {
    const QByteArray edited =
        "; edited by hand\n[PORT]\nName=COM7\nBaud=19200\nData=7\nStop=2\nParity=Even\n"
        "Interface=RS485\n[PORTS]\nCOM1=/dev/ttyUSB3\n[CONFIG]\nFileName=MINE.CFG\nPath=" +
        programPath().toUtf8() + "\n";
    writeIni(programDir.path(), edited);
    QString preselected;
    start({[&](TfrmComSelect& dialog) {
        preselected = dialog.cbComPorts->currentText();
        return PressOk()(dialog);
    }});

    EXPECT_EQ(preselected, "COM1");
    ASSERT_NE(platform.port, nullptr);
    const LineSettings& line = platform.port->settings();
    EXPECT_EQ(line.comNumber, 1);
    EXPECT_EQ(line.baud, 9600);
    EXPECT_EQ(line.dataBits, 8);
    EXPECT_EQ(line.stopBits, 1);
    EXPECT_EQ(line.parity, Parity::None);
    EXPECT_TRUE(line.rs485Mode);
    EXPECT_EQ(window->sbMainPanel(0)->text(), "COM1,9600,N,8,1");
    EXPECT_EQ(Settings.Port.PortNumber, 1);
    // Written again after the selection, byte for byte what it was.
    EXPECT_EQ(readFile(iniFile()), edited);
    close();
    EXPECT_EQ(readFile(iniFile()), edited);
}

TEST_F(ShellTest, CancelAtStartWarnsOnceAndNeverPolls) {
    start({PressCancel()});

    ASSERT_EQ(interaction.beeps.size(), 1u);
    EXPECT_EQ(interaction.beeps[0], Beep::Exclamation);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].kind, MessageKind::Information);
    EXPECT_EQ(interaction.messages[0].text, kNoPort);
    EXPECT_EQ(interaction.messages[0].buttons, Buttons::Ok);
    EXPECT_FALSE(window->tmrPoll->enabled());
    EXPECT_FALSE(QFile::exists(iniFile()));

    platform.clock.advanceMs(2000);
    EXPECT_EQ(platform.port, nullptr);
    EXPECT_EQ(window->sbMainPanel(0)->text(), "");
    close();
    EXPECT_TRUE(QFile::exists(iniFile()));
    EXPECT_EQ(interaction.messages.size(), 1u);
}

TEST_F(ShellTest, StartedWithoutPortPollsOnceAPortIsChosenLater) {
    start({PressCancel()});
    reselect(PressOk("COM3"));

    EXPECT_TRUE(window->tmrPoll->enabled());
    EXPECT_EQ(window->sbMainPanel(0)->text(), "COM3,9600,N,8,1");
    EXPECT_EQ(FirstRequest(), kFirstRequest);
}

TEST_F(ShellTest, ListsTheMachinesPortsAndOpensTheChosenOne) {
    start({PressOk("COM12")});

    ASSERT_EQ(dialogLists.size(), 1u);
    EXPECT_EQ(dialogLists[0], QStringList({"COM1", "COM3", "COM12"}));
    ASSERT_NE(platform.port, nullptr);
    EXPECT_EQ(platform.port->settings().comNumber, 12);
    EXPECT_EQ(window->sbMainPanel(0)->text(), "COM12,9600,N,8,1");
    EXPECT_EQ(Settings.Port.PortNumber, 12);
    EXPECT_EQ(section(iniFile(), "PORT").value("Name"), "COM1");
}

TEST_F(ShellTest, ReselectionCancelKeepsThePortAndOkWritesTheSettingsAtOnce) {
    start({PressOk()});
    VirtualPort* first = platform.port;
    ASSERT_TRUE(QFile::remove(iniFile()));

    reselect(PressCancel());
    EXPECT_EQ(platform.port, first);
    EXPECT_TRUE(first->isOpen());
    EXPECT_TRUE(Ports.PortOpen);
    EXPECT_FALSE(QFile::exists(iniFile()));
    EXPECT_EQ(window->sbMainPanel(0)->text(), "COM1,9600,N,8,1");
    EXPECT_TRUE(interaction.messages.empty());

    reselect(PressOk("COM3"));
    EXPECT_NE(platform.port, first);
    EXPECT_EQ(platform.port->settings().comNumber, 3);
    EXPECT_TRUE(QFile::exists(iniFile()));
    EXPECT_EQ(Settings.Port.PortNumber, 3);
    EXPECT_EQ(window->sbMainPanel(0)->text(), "COM3,9600,N,8,1");
    EXPECT_TRUE(window->tmrPoll->enabled());
    EXPECT_EQ(dialogLists.size(), 3u);
}

// Captures the state of the program at each step of the shutdown.
class ShutdownTest : public ShellTest {
  protected:
    struct Moment {
        bool polling;
        bool portOpen;
        bool settingsWritten;
    };
    Moment now() const {
        return {window->tmrPoll->enabled(), Ports.ComPort != nullptr, QFile::exists(iniFile())};
    }
};

TEST_F(ShutdownTest, StopsPollingAndClosesThePortBeforeWritingSettingsBeforeTheSavePrompt) {
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        start({PressOk()});
        ConfigSaved = false;
        ASSERT_TRUE(QFile::remove(iniFile()));
        std::optional<Moment> atPortClose, atPrompt;
        VirtualPort& port = *platform.port;
        auto closed = port.OnPortClose;
        port.OnPortClose = [&, closed] {
            atPortClose = now();
            closed();
        };
        interaction.onMessage = [&](const ShownMessage&) { atPrompt = now(); };
        interaction.answers = {answer};
        close();

        ASSERT_TRUE(atPortClose && atPrompt);
        EXPECT_FALSE(atPortClose->polling);
        EXPECT_FALSE(atPortClose->settingsWritten);
        EXPECT_FALSE(atPrompt->polling);
        EXPECT_FALSE(atPrompt->portOpen);
        EXPECT_TRUE(atPrompt->settingsWritten);
        ASSERT_EQ(interaction.messages.size(), 1u);
        EXPECT_EQ(interaction.messages[0].text, "Current configuration not saved. Save ?");
        EXPECT_EQ(interaction.messages[0].buttons, Buttons::YesNo);
        EXPECT_EQ(QFile::exists(CurrentConfigFile()), answer == Answer::Yes);

        window.reset();
        interaction.messages.clear();
        interaction.onMessage = nullptr;
        QFile::remove(CurrentConfigFile());
    }
}

TEST_F(ShellTest, ClosingWithTheConfigurationSavedAsksNothing) {
    start({PressOk()});
    close();
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_EQ(Ports.ComPort, nullptr);
    EXPECT_FALSE(window->tmrPoll->enabled());
}

TEST_F(ShellTest, LoadsTheLastConfigurationAndPollsItsSlave) {
    Settings.Path = programPath();
    Settings.FileName = "plant.cfg";
    SetDefaultConfig();
    Config.SlaveID = 17;
    ASSERT_TRUE(WriteConfigFile());
    writeIni(programDir.path(), "[CONFIG]\nFileName=plant.cfg\nPath=" + programPath().toUtf8());
    Config = ConfigRecord();
    Settings = IniRecord();

    start({PressOk()});

    EXPECT_TRUE(ConfigCommandsEnabled(*window));
    EXPECT_FALSE(window->siCalibration->menuAction()->isEnabled());
    EXPECT_EQ(window->sbMainPanel(1)->text(), "PLANT.CFG");
    EXPECT_EQ(window->seSlaveID->value(), 17);
    EXPECT_TRUE(ConfigSaved);
    const std::vector<uint8_t> request = FirstRequest();
    ASSERT_FALSE(request.empty());
    EXPECT_EQ(request[0], 17);
}

TEST_F(ShellTest, AnInvalidLastConfigurationIsReportedAndDisablesTheCommands) {
    QFile bad(programDir.filePath("RVX82UNTITLED.CFG"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("[SIGNATURE]\nSignature=something else\n");
    bad.close();

    start({PressOk()});

    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text, "RVX82UNTITLED.CFG is not a valid configuration file");
    EXPECT_FALSE(ConfigCommandsEnabled(*window));
    EXPECT_TRUE(window->tmrPoll->enabled());
}

TEST_F(ShellTest, CalibrationFollowsFullModeWhenTheCommandsAreEnabled) {
    start({PressOk()});
    for (const bool full : {false, true}) {
        FullMode = full;
        window->EnableConfigCommands();
        EXPECT_TRUE(ConfigCommandsEnabled(*window));
        EXPECT_EQ(window->siCalibration->menuAction()->isEnabled(), full);
        window->DisableConfigCommands();
        EXPECT_FALSE(ConfigCommandsEnabled(*window));
        EXPECT_FALSE(window->siCalibration->menuAction()->isEnabled());
    }
    EXPECT_TRUE(window->bbNewConfig->isEnabled() && window->bbOpenConfig->isEnabled() &&
                window->bbExit->isEnabled() && window->bbAbout->isEnabled());
}

TEST_F(ShellTest, SaveAboutAndExitEntriesDoTheirWork) {
    start({PressOk()});
    Settings.FileName = "saved.cfg";
    SetDefaultConfig();
    window->EnableConfigCommands();  // as a new configuration does
    window->bbSaveConfiguration->trigger();
    EXPECT_TRUE(QFile::exists(programDir.filePath("saved.cfg")));
    EXPECT_TRUE(ConfigSaved);

    TfrmStatus about;
    frmStatus = &about;
    bool shownModally = false;
    QTimer::singleShot(0, &about, [&] {
        shownModally = about.isVisible() && about.isModal();
        about.btnOk->click();
    });
    window->bbAbout->trigger();
    frmStatus = nullptr;
    EXPECT_TRUE(shownModally);
    EXPECT_FALSE(about.isVisible());

    ASSERT_TRUE(QFile::remove(iniFile()));
    window->bbExit->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Ports.ComPort, nullptr);
    EXPECT_TRUE(QFile::exists(iniFile()));
}
