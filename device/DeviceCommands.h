#pragma once
// The device commands: configuration download and upload, calibration,
// energy meter resets and the device clock. None of them builds a frame:
// each posts its request to the scan engine, which carries it out on its
// next poll ticks. Download, upload and calibration wait for the outcome and
// report it on their dialog's status panel; the others return at once.

#include <QColor>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "device/ActionJournal.h"

namespace kestro {

// Title colours of a dialog's status panel: progress and success, failure.
inline const QColor clNavy{0, 0, 128};
inline const QColor clRed{255, 0, 0};

// What a command needs of the dialog it reports on.
class CommandDialog {
  public:
    virtual ~CommandDialog() = default;
    virtual void ShowStatus(const QString& text, bool closeEnabled, const QColor& colour) = 0;
    virtual void RecordToForm() = 0;
};

// Returns once the engine has cleared RequestPending or the port has closed.
// The window stays live meanwhile and the poll timer keeps driving the
// engine; the thread sleeps between events.
void WaitForEngineOnQt();

struct DeviceCommandHost {
    CommandDialog* configDialog = nullptr;       // registered by TfrmEng
    CommandDialog* calibrationDialog = nullptr;  // registered by TfrmCal
    // Tests on the virtual platform run the virtual clock here instead.
    std::function<void()> WaitForEngine = WaitForEngineOnQt;
    std::function<QDateTime()> CurrentDateTime = [] { return QDateTime::currentDateTime(); };
    // The last reading shown, for the meter value an energy reset clears.
    std::function<const ReadingSnapshot*()> LatestReading = [] { return nullptr; };
    // Every command run, with its outcome.
    ActionJournal journal;
};
extern DeviceCommandHost CommandHost;

void DownloadConfig();
void UploadConfig();
void CalibrateDevice();
void ResetKWh();
void ResetKVarh();
void SetDeviceClock();

// The status line's text, handed on by the window that shows it: the
// outcome of a posted energy reset or clock setting once its write ends.
void NoteStatusLine(const std::string& text, bool red);

// Reads the configuration block as the upload does, but only for the
// caller: neither Config, the journal nor a dialog is touched, and no beep.
// Nothing, with the reason in `failure`, when the analyzer gave no block.
std::optional<ConfigurationReadBack> ReadConfigurationBlock(std::string* failure);

}  // namespace kestro
