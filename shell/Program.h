#pragma once
// The program's windows, created in the order of start-up and kept until
// the end: the main window first, whose show sequence (port selection
// included) runs to its end before any other window exists, then the
// dialogs, hidden.

#include <QCoreApplication>
#include <QString>
#include <memory>

#include "Main.h"
#include "QtPlatform.h"
#include "StatusWin.h"

namespace kestro {

class Program {
  public:
    explicit Program(QtPlatform& platform,
                     const QString& programFolder = QCoreApplication::applicationDirPath());
    ~Program();

    TfrmMain& mainWindow() { return *main_; }

  private:
    QtPlatform& platform_;
    std::unique_ptr<TfrmMain> main_;
    // The device configuration dialog (TfrmEng) and the calibration dialog
    // (TfrmCal) join here, created after the main window, hidden.
    std::unique_ptr<TfrmStatus> about_;
};

}  // namespace kestro
