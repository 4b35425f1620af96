#include "platform/Regional.h"

#include <QLocale>

namespace kestro {

namespace {

// Removes the time zone fields ('t' outside quotes) and the blanks that
// separated them from the rest of the format.
QString withoutTimeZone(const QString& format) {
    QString kept;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == '\'')
            quoted = !quoted;
        if (!quoted && c == 't')
            continue;
        kept += c;
    }
    return kept.trimmed();
}

}  // namespace

char DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    if (point.size() != 1 || point[0].unicode() > 0x7e)
        return '.';
    return static_cast<char>(point[0].unicode());
}

QString ShortDateText(const QDateTime& moment) {
    return QLocale().toString(moment.date(), QLocale::ShortFormat);
}

QString LongTimeText(const QDateTime& moment) {
    const QLocale locale;
    return locale.toString(moment.time(), withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString FormatFixed(double value, int decimals) {
    return QString::fromStdString(FormatFixed(value, decimals, DecimalSeparator()));
}

QString FormatGeneral(double value) {
    return QString::fromStdString(FormatGeneral(value, DecimalSeparator()));
}

double StrToFloat(const QString& text) {
    return StrToFloat(text.toStdString(), DecimalSeparator());
}

bool TryStrToFloat(const QString& text, double& value) {
    return TryStrToFloat(text.toStdString(), DecimalSeparator(), value);
}

}  // namespace kestro
