#pragma once
// Unit Calibrate: the calibration dialog. It shows which quantities a
// calibration adjusts (CalControl of Config) and the reference inputs applied
// to the analyzer meanwhile, and stores them into Config only when the user
// confirms a calibration; the calibrate command reports on its status panel.

#include <QDialog>
#include <memory>
#include <vector>

#include "config/Configuration.h"
#include "device/DeviceCommands.h"
#include "dialogs/StatusPanel.h"

class QLineEdit;
class QRegularExpressionValidator;

namespace Ui {
class TfrmCal;
}

namespace kestro {

// Set whenever the value of the It input field changes; cleared by each fill
// of the dialog.
extern bool CalItEdited;

class TfrmCal : public QDialog, public CommandDialog {
    Q_OBJECT

  public:
    explicit TfrmCal(QWidget* parent = nullptr);
    ~TfrmCal() override;

    void RecordToForm() override;
    // Stores the check list and the fields into Config and updates
    // ConfigSaved. Stops at the first field that does not convert (after
    // telling the user), with what came before it stored, and returns false.
    bool FormToRecord();
    void ShowStatus(const QString& text, bool closeEnabled, const QColor& colour) override;
    void FormatField(QLineEdit& field);

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape and the window's close: only while the dialog's Close button
    // is available, not while the calibration is waiting.
    void reject() override;

  private:
    void FormShow();
    void setInputMasks();
    void setChecks(uint16_t word);
    void btnPClick();
    void btnQClick();
    void btnCalClick();
    void btnStatCloseClick();
    void meCalItPropertiesEditValueChanged();

    struct NumberBinding {
        QLineEdit* field;
        float ConfigRecord::*value;
    };

    std::unique_ptr<Ui::TfrmCal> ui;
    std::vector<NumberBinding> numbers_;  // in the order of FormToRecord
    std::unique_ptr<StatusPanel> status_;
    QRegularExpressionValidator* mask_ = nullptr;
};

}  // namespace kestro
