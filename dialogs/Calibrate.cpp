#include "dialogs/Calibrate.h"

#include <QRegularExpressionValidator>
#include <QShowEvent>

#include "device/Utility.h"
#include "dialogs/FixedDialog.h"
#include "dialogs/NumberField.h"
#include "platform/UserInteraction.h"
#include "shell/MainState.h"
#include "ui_Calibrate.h"

namespace kestro {

bool CalItEdited = false;

namespace {

constexpr int kCalItems = 9;           // item i stands for bit i of CalControl
constexpr int kCheckRows = 5;          // two columns: five items, then four
constexpr uint16_t kActive = 0x1C7;    // PR, PS, PT and the three voltages
constexpr uint16_t kReactive = 0x1F8;  // QR, QS, QT and the three voltages

// An optional minus, digits and one decimal separator. Both the point and
// the comma are admitted: a separator typed in the other locale's form must
// not vanish and silently make 1,5 into 15. It stays in the field, and the
// conversion (with the locale's separator) then says that it is no number.
QRegularExpression numberMask() {
    return QRegularExpression("-?[0-9]*[.,]?[0-9]*");
}

}  // namespace

TfrmCal::TfrmCal(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmCal>()) {
    ui->setupUi(this);
    SetUpFixedDialog(*this);
    const QRect list = ui->clbCalControl->contentsRect();
    ui->clbCalControl->setGridSize(QSize(list.width() / 2, list.height() / kCheckRows));
    numbers_ = {{ui->meCalIr, &ConfigRecord::CalIr}, {ui->meCalIs, &ConfigRecord::CalIs},
                {ui->meCalIt, &ConfigRecord::CalIt}, {ui->meCalVr, &ConfigRecord::CalVr},
                {ui->meCalVs, &ConfigRecord::CalVs}, {ui->meCalVt, &ConfigRecord::CalVt}};
    for (const NumberBinding& number : numbers_)
        number.field->installEventFilter(this);
    mask_ = new QRegularExpressionValidator(this);
    status_ = std::make_unique<StatusPanel>(
        *ui->pnlStatus, *ui->pnlTitle, *ui->lblStatus, *ui->btnStatClose,
        std::vector<QWidget*>{ui->btnP, ui->btnQ, ui->btnCal, ui->btnClose});
    connect(ui->btnP, &QPushButton::clicked, this, &TfrmCal::btnPClick);
    connect(ui->btnQ, &QPushButton::clicked, this, &TfrmCal::btnQClick);
    connect(ui->btnCal, &QPushButton::clicked, this, &TfrmCal::btnCalClick);
    connect(ui->btnClose, &QPushButton::clicked, this, &TfrmCal::reject);
    connect(ui->btnStatClose, &QPushButton::clicked, this, &TfrmCal::btnStatCloseClick);
    connect(ui->meCalIt, &QLineEdit::textChanged, this,
            &TfrmCal::meCalItPropertiesEditValueChanged);
    CommandHost.calibrationDialog = this;
}

TfrmCal::~TfrmCal() {
    if (CommandHost.calibrationDialog == this)
        CommandHost.calibrationDialog = nullptr;
}

void TfrmCal::RecordToForm() {
    status_->hide();
    setChecks(Config.CalControl);
    for (const NumberBinding& number : numbers_)
        ShowNumber(*number.field, Config.*number.value, 3);
    CalItEdited = false;
    ui->clbCalControl->setFocus();
}

bool TfrmCal::FormToRecord() {
    const uint16_t before = Config.CalControl;
    Config.CalControl = 0;
    for (int i = 0; i < kCalItems; ++i) {
        if (ui->clbCalControl->item(i)->checkState() == Qt::Checked)
            Config.CalControl = SetBit(Config.CalControl, i);
    }
    for (const NumberBinding& number : numbers_) {
        if (!StoreField(*number.field, Config.*number.value))
            return false;
    }
    ConfigSaved = Config.CalControl == before && !CalItEdited;
    return true;
}

void TfrmCal::ShowStatus(const QString& text, bool closeEnabled, const QColor& colour) {
    status_->show(text, closeEnabled, colour);
}

void TfrmCal::FormatField(QLineEdit& field) {
    kestro::FormatField(field);
}

void TfrmCal::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmCal::FormShow() {
    CentreOnScreen(*this);
    setInputMasks();
    RecordToForm();
}

void TfrmCal::setInputMasks() {
    mask_->setRegularExpression(numberMask());
    for (const NumberBinding& number : numbers_)
        number.field->setValidator(mask_);
}

void TfrmCal::setChecks(uint16_t word) {
    for (int i = 0; i < kCalItems; ++i)
        ui->clbCalControl->item(i)->setCheckState(TestBit(word, i) ? Qt::Checked : Qt::Unchecked);
}

bool TfrmCal::eventFilter(QObject* watched, QEvent* event) {
    if (IsFieldExit(event))
        FormatField(*static_cast<QLineEdit*>(watched));
    return QDialog::eventFilter(watched, event);
}

void TfrmCal::reject() {
    if (ui->btnClose->isEnabled())
        QDialog::reject();
}

void TfrmCal::btnPClick() {
    setChecks(kActive);
}

void TfrmCal::btnQClick() {
    setChecks(kReactive);
}

void TfrmCal::btnCalClick() {
    Interaction().beep(Beep::Question);
    const Answer answer = Interaction().message(
        MessageKind::Confirmation, "Are you sure you want to calibrate the unit ?", Buttons::YesNo);
    if (answer == Answer::Yes && FormToRecord())
        CalibrateDevice();
}

void TfrmCal::btnStatCloseClick() {
    status_->close();
}

void TfrmCal::meCalItPropertiesEditValueChanged() {
    CalItEdited = true;
}

}  // namespace kestro
