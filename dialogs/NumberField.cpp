#include "dialogs/NumberField.h"

#include <QFocusEvent>
#include <cfloat>
#include <cmath>

#include "platform/Regional.h"
#include "platform/UserInteraction.h"

namespace kestro {

namespace {

// The field's value as a 32-bit float would hold it: a number beyond the
// float range is refused like any other text that is not a valid value.
double fieldValue(const QLineEdit& field) {
    const double value = StrToFloat(field.text());
    if (std::fabs(value) > FLT_MAX)
        throw EConvertError("'" + field.text().toStdString() +
                            "' is not a valid floating point value");
    return value;
}

void report(const EConvertError& error) {
    Interaction().message(MessageKind::Error, QString::fromStdString(error.what()), Buttons::Ok);
}

}  // namespace

bool IsFieldExit(const QEvent* event) {
    if (event->type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

void ShowNumber(QLineEdit& field, double value, int decimals) {
    field.setText(FormatFixed(value, decimals));
}

void FormatField(QLineEdit& field) {
    try {
        ShowNumber(field, fieldValue(field), 3);
    } catch (const EConvertError& error) {
        report(error);
    }
}

bool StoreField(const QLineEdit& field, float& target) {
    try {
        target = float(fieldValue(field));
        return true;
    } catch (const EConvertError& error) {
        report(error);
        return false;
    }
}

}  // namespace kestro
