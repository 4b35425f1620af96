#pragma once
// Unit StatusWin: the About window, created once at start-up and shown
// modally by "About...".

#include <QDialog>

#include "ui_StatusWin.h"

namespace kestro {

class TfrmStatus : public QDialog, public Ui::TfrmStatus {
    Q_OBJECT

  public:
    explicit TfrmStatus(QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;
};

// The one About window; null until the program entry created it.
extern TfrmStatus* frmStatus;

}  // namespace kestro
