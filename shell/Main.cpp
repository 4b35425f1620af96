#include "shell/Main.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QShowEvent>

#include "config/Configuration.h"
#include "device/LiveReadings.h"
#include "device/ReadingsSource.h"
#include "modbus/Driver_Modbus.h"
#include "modbus/Ports.h"
#include "platform/Lamp.h"
#include "platform/LocalClock.h"
#include "platform/Regional.h"
#include "platform/UserInteraction.h"
#include "shell/Comselect.h"
#include "shell/WindowPlacement.h"
#include "tools/recorder/RecordingControl.h"
#include "tools/report/ReportControl.h"
#include "tools/traffic/TrafficWindow.h"
#include "tools/trend/TrendWindow.h"
#include "tools/wiring/WiringWindow.h"

namespace kestro {

TfrmMain::TfrmMain(Platform& platform, const QString& programFolder)
    : platform_(platform), programFolder_(programFolder), traffic_(platform.nowUs()) {
    setupUi(this);
    setupWindow();
    setupStatusBar();
    setupConfigView();
    setupTimers();
    ConnectCommands();
    setupReadings();
    setupTools();
}

// The window's indicators are the first listener of its readings.
void TfrmMain::setupReadings() {
    LiveReadings& live = InstallLiveReadings(this);
    readings_.subscribe(live);
    ConnectReadingsFeed(
        readings_, [&live] { return live.swapWords(); }, CurrentTimeStamp);
}

TfrmMain::~TfrmMain() {
    releaseCommunications();
    // Nothing of this window may be reached from the other units any more.
    Host = LinkHost();
    ConfigView = ConfigurationView();
}

void TfrmMain::setupWindow() {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(474, 481);
}

void TfrmMain::setupTimers() {
    Timer1 = platform_.createTimer();
    Timer1->setInterval(1000);
    Timer1->OnTimer = [this] { Timer1Timer(); };
    Timer1->setEnabled(true);

    tmrPoll = platform_.createTimer();
    tmrPoll->setInterval(100);
    tmrPoll->OnTimer = PollTick;
}

void TfrmMain::Timer1Timer() {
    const QDateTime now = QDateTime::currentDateTime();
    edComputerDate->setText(ShortDateText(now));
    edComputerTime->setText(LongTimeText(now));
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_ || event->spontaneous())
        return;
    shown_ = true;
    CentreOnScreen(*this);
    FormShow();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    FormClose();
    QMainWindow::closeEvent(event);
}

void TfrmMain::FormShow() {
    ConfigSaved = true;
    ReadSettings();
    // A file that fails to load counts as one that could not be loaded: with
    // the commands off, nothing can save an empty record over it.
    if (CheckConfigFile(CurrentConfigFile()) != kConfigValid || !ReadConfigFile())
        DisableConfigCommands();
    siCalibration->menuAction()->setEnabled(false);
    FullMode = false;
    ConnectHost();
    communicating_ = true;
    StartCommunications();
}

void TfrmMain::FormClose() {
    if (!shown_ || closed_)
        return;
    closed_ = true;
    if (communicating_) {
        StopCommunications();
        communicating_ = false;
    }
    WriteSettings();
    if (!ConfigSaved &&
        Interaction().message(MessageKind::Confirmation, "Current configuration not saved. Save ?",
                              Buttons::YesNo) == Answer::Yes)
        SaveConfig();
}

void TfrmMain::ConnectHost() {
    Host.platform = &platform_;
    Host.status = this;
    Host.slaveIdValue = [this] { return seSlaveID->value(); };
    Host.selectPort = [this] { return SelectPort(); };
    Host.enablePollTimer = [this](bool on) { tmrPoll->setEnabled(on); };
    Host.reportNoPort = [this] { reportNoPort(); };
    Host.frameObserver = &frames_;
}

void TfrmMain::reportNoPort() {
    Interaction().beep(Beep::Exclamation);
    Interaction().message(MessageKind::Information,
                          "No COM port defined. Program will not communicate with the unit.",
                          Buttons::Ok);
}

// A window that goes without being closed (the program quits, a test ends)
// still gives its port back.
void TfrmMain::releaseCommunications() {
    if (!communicating_)
        return;
    communicating_ = false;
    tmrPoll->setEnabled(false);
    Host.status = nullptr;
    ClosePort();
}

bool TfrmMain::SelectPort() {
    int portNumber = Settings.Port.PortNumber;
    if (SelectComPort(portNumber) != kPortSelected)
        return false;
    OpenPort(uint16_t(portNumber));
    Settings.Port.PortNumber = portNumber;
    WriteSettings();
    return true;
}

void TfrmMain::sbMainPanels0DblClick() {
    // A run that started without a port polls from the first port chosen
    // later on; otherwise the device commands would wait for answers that
    // never come.
    if (SelectPort() && communicating_ && !tmrPoll->enabled())
        tmrPoll->setEnabled(true);
}

void TfrmMain::DisableConfigCommands() {
    bbSaveConfiguration->setEnabled(false);
    bbSaveConfigurationAs->setEnabled(false);
    siConfiguration->menuAction()->setEnabled(false);
    siCalibration->menuAction()->setEnabled(false);
}

void TfrmMain::EnableConfigCommands() {
    bbSaveConfiguration->setEnabled(true);
    bbSaveConfigurationAs->setEnabled(true);
    siConfiguration->menuAction()->setEnabled(true);
    siCalibration->menuAction()->setEnabled(FullMode);
}

}  // namespace kestro
