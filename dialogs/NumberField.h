#pragma once
// The number fields of the configuration and calibration dialogs: plain
// edits whose text is a number in the locale's format. A text that does not
// convert is reported with the conversion error's message and left as typed.

#include <QEvent>
#include <QLineEdit>

namespace kestro {

// Writes `value` with `decimals` decimals (the "0.000" family of patterns).
void ShowNumber(QLineEdit& field, double value, int decimals);

// Converts the text and writes it back with three decimals; a text that is
// not a number is reported and stays.
void FormatField(QLineEdit& field);

// Stores the text's value into `target`. False, after the message, when the
// text is not a number; `target` is then unchanged.
bool StoreField(const QLineEdit& field, float& target);

// Focus leaving a field for another control of its dialog. A focus change
// to another window (the message box of a failed conversion among them) is
// no exit from the field.
bool IsFieldExit(const QEvent* event);

}  // namespace kestro
