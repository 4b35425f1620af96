#include "dialogs/EUnits.h"

#include <QShowEvent>

#include "config/Configuration.h"
#include "dialogs/FixedDialog.h"
#include "dialogs/NumberField.h"
#include "platform/UserInteraction.h"
#include "shell/MainState.h"
#include "ui_EUnits.h"

namespace kestro {

bool NameEdited = false;

namespace {

// The version text as the analyzer sent it holds zero bytes and blanks to
// its full length; the label shows its printable part.
QString printable(const QString& version) {
    QString shown;
    for (const QChar c : version) {
        if (c.unicode() >= 0x20)
            shown += c;
    }
    return shown.trimmed();
}

}  // namespace

TfrmEng::TfrmEng(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmEng>()) {
    ui->setupUi(this);
    SetUpFixedDialog(*this);
    numbers_ = {{ui->meInpIr, &ConfigRecord::InpIr}, {ui->meInpIs, &ConfigRecord::InpIs},
                {ui->meInpIt, &ConfigRecord::InpIt}, {ui->meInpVr, &ConfigRecord::InpVr},
                {ui->meInpVs, &ConfigRecord::InpVs}, {ui->meInpVt, &ConfigRecord::InpVt},
                {ui->meEngIr, &ConfigRecord::EngIr}, {ui->meEngIs, &ConfigRecord::EngIs},
                {ui->meEngIt, &ConfigRecord::EngIt}, {ui->meEngVr, &ConfigRecord::EngVr},
                {ui->meEngVs, &ConfigRecord::EngVs}, {ui->meEngVt, &ConfigRecord::EngVt}};
    for (const NumberBinding& number : numbers_)
        number.field->installEventFilter(this);
    status_ = std::make_unique<StatusPanel>(
        *ui->pnlStatus, *ui->pnlTitle, *ui->lblStatus, *ui->btnStatClose,
        std::vector<QWidget*>{ui->btnDownload, ui->btnUpload, ui->btnClose});
    connect(ui->btnDownload, &QPushButton::clicked, this, &TfrmEng::btnDownloadClick);
    connect(ui->btnUpload, &QPushButton::clicked, this, &TfrmEng::btnUploadClick);
    connect(ui->btnClose, &QPushButton::clicked, this, &TfrmEng::reject);
    connect(ui->btnStatClose, &QPushButton::clicked, this, &TfrmEng::btnStatCloseClick);
    // User edits only: filling the field from Config is no edit of the name.
    connect(ui->edConfigName, &QLineEdit::textEdited, this,
            &TfrmEng::edConfigNamePropertiesEditValueChanged);
    CommandHost.configDialog = this;
}

TfrmEng::~TfrmEng() {
    if (CommandHost.configDialog == this)
        CommandHost.configDialog = nullptr;
}

void TfrmEng::RecordToForm() {
    status_->hide();
    ui->edConfigName->setText(Config.Name);
    firmwareVersion_ = Config.FirmwareVersion;
    ui->lblVersion->setText(printable(firmwareVersion_));
    ui->seSlaveID->setValue(Config.SlaveID);
    ui->cbBaud->setCurrentIndex(ui->cbBaud->findText(QString::number(Config.Baud)));
    for (const NumberBinding& number : numbers_)
        ShowNumber(*number.field, Config.*number.value, 5);
    ui->seSlaveID->setFocus();
}

bool TfrmEng::FormToRecord() {
    Config.Name = ui->edConfigName->text();
    Config.FirmwareVersion = firmwareVersion_.left(MaxFirmwareVersion);
    Config.SlaveID = ui->seSlaveID->value();
    if (ui->cbBaud->currentIndex() < 0) {
        Interaction().beep(Beep::Exclamation);
        ShowStatus("Baud rate not set. Please select a baud rate.", true, clRed);
        return false;
    }
    Config.Baud = ui->cbBaud->currentText().toInt();
    for (const NumberBinding& number : numbers_) {
        if (!StoreField(*number.field, Config.*number.value))
            return false;
    }
    // Saved only when the record sent is the one the file holds: a Download
    // of changed values must still offer to save them.
    ConfigSaved = !NameEdited && ConfigMatchesFile();
    return true;
}

void TfrmEng::ShowStatus(const QString& text, bool closeEnabled, const QColor& colour) {
    status_->show(text, closeEnabled, colour);
}

void TfrmEng::FormatField(QLineEdit& field) {
    kestro::FormatField(field);
}

void TfrmEng::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmEng::FormShow() {
    CentreOnScreen(*this);
    RecordToForm();
}

bool TfrmEng::eventFilter(QObject* watched, QEvent* event) {
    if (IsFieldExit(event))
        FormatField(*static_cast<QLineEdit*>(watched));
    return QDialog::eventFilter(watched, event);
}

void TfrmEng::reject() {
    if (ui->btnClose->isEnabled())
        QDialog::reject();
}

void TfrmEng::btnDownloadClick() {
    if (ConfirmBaudRate() && FormToRecord())
        DownloadConfig();
}

// Kestro talks at 9600 baud only: an analyzer moved to another rate stops
// answering it, until the finder brings it back. Asked before anything is
// stored, so that No leaves the record as it was.
bool TfrmEng::ConfirmBaudRate() {
    const QString baud = ui->cbBaud->currentText();
    if (ui->cbBaud->currentIndex() < 0 || baud == "9600")
        return true;
    const QString question =
        "After this download the analyzer talks at " + baud +
        " baud and stops answering Kestro, which talks at 9600 baud. Tools > Find analyzer... "
        "can bring it back to 9600 baud. Download with " +
        baud + " baud ?";
    return Interaction().message(MessageKind::Confirmation, question, Buttons::YesNo) ==
           Answer::Yes;
}

void TfrmEng::btnUploadClick() {
    if (UploadConfigToFile)
        UploadConfigToFile();
}

void TfrmEng::btnStatCloseClick() {
    status_->close();
}

void TfrmEng::edConfigNamePropertiesEditValueChanged() {
    NameEdited = true;
}

}  // namespace kestro
