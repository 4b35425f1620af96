#pragma once
// Unit Main: the main window with its start-up and shutdown, the settings
// file and the status bar. The globals Settings, ConfigSaved and FullMode of
// this unit are in MainState.h.
//
// The window's sources: Main.cpp (start-up, shutdown, settings, port
// selection), MainStatusBar.cpp (status bar panels, status line and the
// configuration view), MainCommands.cpp (menu entries and the dialogs),
// MainFileCommands.cpp (New, Open, Save, Save As, the upload's file),
// MainDeviceButtons.cpp (meter and clock buttons, Slave ID), FullMode.cpp,
// MainTools.cpp (the Tools menu and the frame feed).

#include <QCoreApplication>
#include <QMainWindow>
#include <memory>
#include <string>

#include "device/ReadingsFeed.h"
#include "modbus/FrameFeed.h"
#include "modbus/LinkHost.h"
#include "platform/core/Platform.h"
#include "platform/core/WindowTimer.h"
#include "shell/MainState.h"
#include "shell/SettingsLocation.h"
#include "tools/traffic/TrafficLog.h"
#include "ui_Main.h"

class QKeyEvent;
class QLabel;

namespace kestro {

class Lamp;
class RecordingControl;
class TrafficWindow;
class TrendWindow;
class WiringWindow;
namespace report {
class ReportControl;
}

class TfrmMain : public QMainWindow, public Ui::TfrmMain, public StatusLine {
    Q_OBJECT

  public:
    // `platform` gives the ports and the timers (the Qt platform in the
    // program, the virtual one in tests); `programFolder` is where
    // Kestro.ini and the default configuration folder are looked for.
    explicit TfrmMain(Platform& platform,
                      const QString& programFolder = QCoreApplication::applicationDirPath());
    ~TfrmMain() override;

    // Start-up and shutdown: run by the first show and by the close.
    void FormShow();
    void FormClose();
    void ReadSettings();
    void WriteSettings();

    // Port selection: runs the dialog and opens the chosen port.
    bool SelectPort();
    void sbMainPanels0DblClick();

    // Enabled state of the configuration commands.
    void DisableConfigCommands();
    void EnableConfigCommands();

    // The configuration file commands. SaveConfig saves into Path +
    // FileName without a dialog; false when the save failed (the user has
    // been told).
    bool SaveConfig();
    void SaveConfigAs(const QString& proposal);
    void NewConfig(const QString& fullName);
    void OpenConfig();
    bool SelectUploadTarget();
    // Behind the Upload button of the device configuration dialog.
    void UploadConfigToFile();

    void EnterFullMode();

    // Status bar: panels 0 (port), 1 (configuration file), 2 (status line);
    // panel 3 holds the status lights.
    QLabel* sbMainPanel(int index) const { return panels_[index]; }
    QWidget* pnlLeds = nullptr;
    Lamp* LedTx = nullptr;
    Lamp* LedRx = nullptr;

    // The status line of the link.
    void showStatus(const std::string& text, bool red) override;
    void showPort(const std::string& text) override;

    std::unique_ptr<WindowTimer> Timer1;
    std::unique_ptr<WindowTimer> tmrPoll;

    // Where Kestro.ini is read and written (valid from ReadSettings on).
    const SettingsLocation& settingsLocation() const { return location_; }

    // Every reading decoded once per refresh, and every reading missed: the
    // indicators listen, and so do the tools.
    ReadingsFeed& readings() { return readings_; }
    // Behind Tools > Record readings.
    RecordingControl& recordingControl() { return *recording_; }
    // Tools > Trend: created when first asked for, then kept (and fed).
    TrendWindow& trendWindow();
    // Every frame on the link, to any number of listeners.
    FrameFeed& frames() { return frames_; }
    // The frames and link statistics since start, kept whether the traffic
    // monitor is open or not.
    const TrafficLog& trafficLog() const { return traffic_; }
    // Tools > Traffic monitor: created when first asked for, then kept.
    TrafficWindow& trafficWindow();
    // Tools > Wiring check: created when first asked for, then kept (and fed).
    WiringWindow& wiringWindow();
    // Behind File > Service report.
    report::ReportControl& reportControl() { return *report_; }
    // Behind Tools > Find analyzer: the finder, modal; the address chosen
    // there goes into the Slave ID field.
    void findAnalyzer();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void setupWindow();
    void setupStatusBar();
    void setupTimers();
    void setupConfigView();
    void setupReadings();
    void setupTools();
    void ConnectCommands();
    void ConnectHost();
    void Timer1Timer();
    void reportNoPort();
    void reportSettingsNotSaved(const QString& reason);
    void reportSettingsNotRead(const QString& reason);
    void releaseCommunications();

    void bbNewConfigClick();
    void bbOpenConfigClick();
    void bbSaveConfigurationClick();
    void bbSaveConfigurationAsClick();
    void bbExitClick();
    void bbEditConfigClick();
    void bbEditCalibrationClick();
    void bbAboutClick();

    void IndPtotPropertiesButtonClick();
    void cxButtonEdit1PropertiesButtonClick();
    void edRTCPropertiesButtonClick();
    void IndPtotEnter();
    void ConnectSlaveId();
    void cxSpinEdit1PropertiesChange();
    bool IsExitShortcut(const QKeyEvent& key) const;
    // True when the key was the full-mode chord and full mode was entered.
    bool seSlaveIDKeyDown(const QKeyEvent& key);

    Platform& platform_;
    QString programFolder_;
    SettingsLocation location_;
    QLabel* panels_[3] = {};
    bool shown_ = false;
    bool closed_ = false;
    bool communicating_ = false;  // communications started and not yet stopped
    bool settingsErrorShown_ = false;
    ReadingsFeed readings_;
    FrameFeed frames_;
    TrafficLog traffic_;
    // Declared after the feeds: they leave the feeds when they go.
    std::unique_ptr<RecordingControl> recording_;
    std::unique_ptr<TrendWindow> trend_;
    std::unique_ptr<TrafficWindow> trafficWindow_;
    std::unique_ptr<WiringWindow> wiring_;
    std::unique_ptr<report::ReportControl> report_;
};

}  // namespace kestro
