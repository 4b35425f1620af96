#pragma once
// The text of an INI file held as its bytes, read and changed in place.
//
// Lines: "[Section]" headers, "Key=Value" entries, and anything else
// (comments, blank lines, garbage), which is kept as it is. Section and key
// names are matched without regard to letter case and surrounding blanks;
// the first entry of a key wins. Changing a value rewrites only that entry's
// line; every other byte of the file stays, line endings and a UTF-8
// byte-order mark included.
//
// Values are written as they stand unless that would not read back: a value
// holding a control character (line break, tab, zero byte, ...), a leading
// or trailing blank, or both a leading and a trailing double quote is
// written in double quotes with backslash escapes (\\ \" \n \r \t \0 \xHH).
// Only a value in double quotes is unescaped on reading, so plain values
// with backslashes (C:\Kestro\) read as written. Values are UTF-8; a value
// that is not valid UTF-8 (a file from an 8-bit editor) reads as Latin-1.

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace kestro {

class IniText {
  public:
    explicit IniText(QByteArray bytes = {}) : bytes_(std::move(bytes)) {}

    std::optional<QString> value(const QString& section, const QString& key) const;
    // The entries of a section in file order, each key once.
    std::vector<std::pair<QString, QString>> entries(const QString& section) const;
    // Replaces the key's value in place, or adds the key at the end of its
    // section, or adds the section at the end of the text. The names are the
    // program's own and hold no '=', ']' or line break.
    void setValue(const QString& section, const QString& key, const QString& value);

    const QByteArray& bytes() const { return bytes_; }

  private:
    QByteArray bytes_;
};

}  // namespace kestro
