#pragma once
// Unit EUnits: the device configuration dialog. It edits Config directly:
// the fields are filled from Config when the dialog is shown and stored back
// only by Download; Upload reads the analyzer's configuration into Config
// through the main window. The device commands report on its status panel.

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "config/Configuration.h"
#include "device/DeviceCommands.h"
#include "dialogs/StatusPanel.h"

class QLineEdit;

namespace Ui {
class TfrmEng;
}

namespace kestro {

// Set once the user has changed the configuration's name; never cleared.
extern bool NameEdited;

class TfrmEng : public QDialog, public CommandDialog {
    Q_OBJECT

  public:
    explicit TfrmEng(QWidget* parent = nullptr);
    ~TfrmEng() override;

    void RecordToForm() override;
    // Stores the fields into Config in their fixed order and updates
    // ConfigSaved. Stops at the first field that cannot be stored (after
    // telling the user), with the fields before it already stored, and
    // returns false.
    bool FormToRecord();
    void ShowStatus(const QString& text, bool closeEnabled, const QColor& colour) override;
    void FormatField(QLineEdit& field);

    // The main window's UploadConfigToFile: offers to save unsaved changes,
    // asks for the file to receive the upload, then uploads.
    std::function<void()> UploadConfigToFile;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape and the window's close: only while the dialog's Close button
    // is available, not while a command is waiting.
    void reject() override;

  private:
    void FormShow();
    void btnDownloadClick();
    bool ConfirmBaudRate();
    void btnUploadClick();
    void btnStatCloseClick();
    void edConfigNamePropertiesEditValueChanged();

    struct NumberBinding {
        QLineEdit* field;
        float ConfigRecord::*value;
    };

    std::unique_ptr<Ui::TfrmEng> ui;
    QString firmwareVersion_;             // the version label's text, as Config held it
    std::vector<NumberBinding> numbers_;  // in the order of FormToRecord
    std::unique_ptr<StatusPanel> status_;
};

}  // namespace kestro
