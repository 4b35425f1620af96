#pragma once
// The program's windows, created in the order of start-up and kept until
// the end: the main window first, whose show sequence (port selection
// included) runs to its end before any other window exists, then the
// dialogs, hidden.

#include <QCoreApplication>
#include <QString>
#include <memory>

#include "dialogs/Calibrate.h"
#include "dialogs/EUnits.h"
#include "platform/QtPlatform.h"
#include "shell/Main.h"
#include "shell/StatusWin.h"

namespace kestro {

// The device configuration and calibration dialogs; null until the program
// created them (after the main window's show sequence) and after its end.
extern TfrmEng* frmEng;
extern TfrmCal* frmCal;

class Program {
  public:
    explicit Program(QtPlatform& platform,
                     const QString& programFolder = QCoreApplication::applicationDirPath());
    ~Program();

    TfrmMain& mainWindow() { return *main_; }

  private:
    QtPlatform& platform_;
    std::unique_ptr<TfrmMain> main_;
    std::unique_ptr<TfrmEng> eng_;
    std::unique_ptr<TfrmCal> cal_;
    std::unique_ptr<TfrmStatus> about_;
};

}  // namespace kestro
