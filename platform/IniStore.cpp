#include "platform/IniStore.h"

#include <QFile>
#include <QFileInfo>
#include <limits>

#include "platform/FileReplace.h"

namespace kestro {

namespace {

// [blanks] [sign] digits [blanks], within the 32-bit range.
bool parseInteger(const QString& text, int32_t& value) {
    const QString digits = text.trimmed();
    qsizetype i = digits.startsWith('-') || digits.startsWith('+') ? 1 : 0;
    if (i == digits.size())
        return false;
    int64_t magnitude = 0;
    for (; i < digits.size(); ++i) {
        if (digits[i] < '0' || digits[i] > '9')
            return false;
        magnitude = magnitude * 10 + (digits[i].unicode() - '0');
        if (magnitude > int64_t{std::numeric_limits<int32_t>::max()} + 1)
            return false;
    }
    const int64_t signedValue = digits.startsWith('-') ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int32_t>::max())
        return false;
    value = static_cast<int32_t>(signedValue);
    return true;
}

}  // namespace

QString IniStore::TooLargeError() {
    return QStringLiteral("the file is too large (over %1 MiB)").arg(MaxFileSize / (1024 * 1024));
}

bool IniStore::Open() {
    text_ = IniText();
    readable_ = true;
    changed_ = false;
    error_.clear();
    const QFileInfo info(fileName_);
    if (!info.exists())
        return true;
    readable_ = false;
    if (!info.isFile()) {
        error_ = QStringLiteral("not a file");
        return false;
    }
    if (info.size() > MaxFileSize) {
        error_ = TooLargeError();
        return false;
    }
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly)) {
        error_ = file.errorString();
        return false;
    }
    // One read of the size just seen, then pieces if the file grew since:
    // bounded either way, and a small file costs no large buffer.
    QByteArray bytes;
    qint64 piece = info.size() + 1;
    while (!file.atEnd() && bytes.size() <= MaxFileSize && file.error() == QFileDevice::NoError) {
        bytes += file.read(qMin(piece, MaxFileSize + 1 - bytes.size()));
        piece = 64 * 1024;
    }
    if (file.error() != QFileDevice::NoError) {
        error_ = file.errorString();
        return false;
    }
    if (bytes.size() > MaxFileSize) {
        error_ = TooLargeError();
        return false;
    }
    text_ = IniText(std::move(bytes));
    readable_ = true;
    return true;
}

bool IniStore::Close() {
    if (!changed_)
        return true;
    changed_ = false;
    if (!readable_)
        return false;  // error_ tells why it was not read or not opened
    return ReplaceFileContents(fileName_, text_.bytes(), &error_);
}

QString IniStore::ReadString(const QString& section, const QString& key,
                             const QString& defaultValue) const {
    return text_.value(section, key).value_or(defaultValue);
}

int32_t IniStore::ReadInteger(const QString& section, const QString& key,
                              int32_t defaultValue) const {
    int32_t value = defaultValue;
    const auto text = text_.value(section, key);
    return text && parseInteger(*text, value) ? value : defaultValue;
}

std::vector<std::pair<QString, QString>> IniStore::ReadSection(const QString& section) const {
    return text_.entries(section);
}

void IniStore::WriteString(const QString& section, const QString& key, const QString& value) {
    text_.setValue(section, key, value);
    changed_ = true;
}

void IniStore::WriteInteger(const QString& section, const QString& key, int32_t value) {
    WriteString(section, key, QString::number(value));
}

}  // namespace kestro
