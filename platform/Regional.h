#pragma once
// The user's regional settings: the decimal separator for numbers on screen
// and in files, and the short date and long time formats. Everything follows
// the default QLocale, which is the system's unless a test sets another.

#include <QDateTime>
#include <QString>

#include "platform/core/NumberFormat.h"

namespace kestro {

// The locale's decimal separator; '.' when the locale's separator is not a
// single ASCII character.
char DecimalSeparator();

QString ShortDateText(const QDateTime& moment);
// The long time format without a time zone ("14:05:09", "2:05:09 PM").
QString LongTimeText(const QDateTime& moment);

// The number forms of NumberFormat.h with the locale's decimal separator.
QString FormatFixed(double value, int decimals);
QString FormatGeneral(double value);
// Throws EConvertError "'<text>' is not a valid floating point value".
double StrToFloat(const QString& text);
bool TryStrToFloat(const QString& text, double& value);

}  // namespace kestro
