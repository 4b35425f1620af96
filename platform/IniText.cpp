#include "platform/IniText.h"

#include <QSet>
#include <QStringDecoder>
#include <cstring>

namespace kestro {

namespace {

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

// One line of the text: its content and where its line ending ends.
struct Line {
    qsizetype begin = 0;
    qsizetype contentEnd = 0;  // before "\n" or "\r\n"
    qsizetype end = 0;         // after the line ending
};

class Lines {
  public:
    explicit Lines(const QByteArray& bytes)
        : bytes_(bytes), pos_(bytes.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0) {}

    bool next(Line& line) {
        if (pos_ >= bytes_.size())
            return false;
        line.begin = pos_;
        const qsizetype newline = bytes_.indexOf('\n', pos_);
        if (newline < 0) {
            line.contentEnd = line.end = bytes_.size();
        } else {
            line.end = newline + 1;
            line.contentEnd = newline > pos_ && bytes_[newline - 1] == '\r' ? newline - 1 : newline;
        }
        pos_ = line.end;
        return true;
    }

  private:
    const QByteArray& bytes_;
    qsizetype pos_;
};

enum class Kind { Other, Section, Entry };

struct Parsed {
    Kind kind = Kind::Other;
    qsizetype nameBegin = 0;  // the section or key name, without surrounding blanks
    qsizetype nameEnd = 0;
    qsizetype valueBegin = 0;  // the raw value: after '=' to the end of the content
    qsizetype valueEnd = 0;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A value may begin with U+FEFF like any other character: only the file's
// own byte-order mark, skipped before the first line, is not text.
QString decodeText(const char* data, qsizetype size) {
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(QByteArrayView(data, size));
    if (utf8.hasError())
        return QString::fromLatin1(data, size);
    return text;
}

// Narrows [begin, end) to the bytes without surrounding blanks.
void trim(const QByteArray& bytes, qsizetype& begin, qsizetype& end) {
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
}

QString trimmedText(const QByteArray& bytes, qsizetype begin, qsizetype end) {
    trim(bytes, begin, end);
    return decodeText(bytes.constData() + begin, end - begin);
}

qsizetype find(const QByteArray& bytes, char c, qsizetype begin, qsizetype end) {
    const void* hit = std::memchr(bytes.constData() + begin, c, end - begin);
    return hit ? static_cast<const char*>(hit) - bytes.constData() : -1;
}

Parsed parse(const QByteArray& bytes, const Line& line) {
    Parsed parsed;
    qsizetype start = line.begin;
    while (start < line.contentEnd && isBlank(bytes[start]))
        ++start;
    if (start == line.contentEnd || bytes[start] == ';' || bytes[start] == '#')
        return parsed;
    if (bytes[start] == '[') {
        const qsizetype close = find(bytes, ']', start, line.contentEnd);
        if (close >= 0) {
            parsed.kind = Kind::Section;
            parsed.nameBegin = start + 1;
            parsed.nameEnd = close;
            trim(bytes, parsed.nameBegin, parsed.nameEnd);
        }
        return parsed;
    }
    const qsizetype equals = find(bytes, '=', start, line.contentEnd);
    if (equals >= 0) {
        parsed.kind = Kind::Entry;
        parsed.nameBegin = start;
        parsed.nameEnd = equals;
        trim(bytes, parsed.nameBegin, parsed.nameEnd);
        parsed.valueBegin = equals + 1;
        parsed.valueEnd = line.contentEnd;
    }
    return parsed;
}

QString nameOf(const QByteArray& bytes, const Parsed& parsed) {
    return decodeText(bytes.constData() + parsed.nameBegin, parsed.nameEnd - parsed.nameBegin);
}

bool isAscii(QByteArrayView bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// A section or key name to look for, compared without regard to letter
// case. The text is walked once per look-up, so ASCII names, the usual
// case, are compared on the bytes without decoding every line.
class Name {
  public:
    explicit Name(const QString& name)
        : text_(name), utf8_(name.toUtf8()), ascii_(isAscii(utf8_)) {}

    bool matches(const QByteArray& bytes, const Parsed& parsed) const {
        const QByteArrayView candidate(bytes.constData() + parsed.nameBegin,
                                       parsed.nameEnd - parsed.nameBegin);
        if (ascii_ && isAscii(candidate)) {
            return candidate.size() == utf8_.size() &&
                   qstrnicmp(candidate.data(), utf8_.constData(), utf8_.size()) == 0;
        }
        return nameOf(bytes, parsed).compare(text_, Qt::CaseInsensitive) == 0;
    }

  private:
    QString text_;
    QByteArray utf8_;
    bool ascii_;
};

bool looksQuoted(const QString& text) {
    return text.size() >= 2 && text.front() == '"' && text.back() == '"';
}

int hexDigit(QChar c) {
    if (c >= '0' && c <= '9')
        return c.unicode() - '0';
    if (c >= 'a' && c <= 'f')
        return c.unicode() - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c.unicode() - 'A' + 10;
    return -1;
}

// The inside of a quoted value with its escapes resolved; a backslash that
// starts no known escape stands for itself.
QString unescape(QStringView inner) {
    QString text;
    for (qsizetype i = 0; i < inner.size(); ++i) {
        const QChar c = inner[i];
        const QChar n = i + 1 < inner.size() ? inner[i + 1] : QChar();
        if (c != '\\' || n.isNull()) {
            text += c;
            continue;
        }
        switch (n.unicode()) {
            case '\\':
                text += '\\';
                break;
            case '"':
                text += '"';
                break;
            case 'n':
                text += '\n';
                break;
            case 'r':
                text += '\r';
                break;
            case 't':
                text += '\t';
                break;
            case '0':
                text += QChar(0);
                break;
            case 'x': {
                const int high = i + 2 < inner.size() ? hexDigit(inner[i + 2]) : -1;
                const int low = i + 3 < inner.size() ? hexDigit(inner[i + 3]) : -1;
                if (high < 0 || low < 0) {
                    text += c;
                    continue;
                }
                text += QChar(high * 16 + low);
                i += 2;
                break;
            }
            default:
                text += c;
                continue;
        }
        ++i;
    }
    return text;
}

QString decodeValue(const QByteArray& bytes, qsizetype begin, qsizetype end) {
    const QString text = trimmedText(bytes, begin, end);
    return looksQuoted(text) ? unescape(QStringView(text).mid(1, text.size() - 2)) : text;
}

bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7f;
}

bool needsQuotes(const QString& value) {
    if (value.isEmpty())
        return false;
    if (isBlank(value.front().toLatin1()) || isBlank(value.back().toLatin1()))
        return true;
    if (looksQuoted(value))
        return true;
    for (const QChar c : value) {
        if (isControl(c))
            return true;
    }
    return false;
}

QByteArray encodeValue(const QString& value) {
    if (!needsQuotes(value))
        return value.toUtf8();
    QString text = "\"";
    for (const QChar c : value) {
        switch (c.unicode()) {
            case '\\':
                text += "\\\\";
                break;
            case '"':
                text += "\\\"";
                break;
            case '\n':
                text += "\\n";
                break;
            case '\r':
                text += "\\r";
                break;
            case '\t':
                text += "\\t";
                break;
            case 0:
                text += "\\0";
                break;
            default:
                if (isControl(c)) {
                    text += QString("\\x%1").arg(int(c.unicode()), 2, 16, QChar('0'));
                } else {
                    text += c;
                }
        }
    }
    return (text + '"').toUtf8();
}

// Where a key is, or where it would go.
struct Location {
    qsizetype valueBegin = -1;  // the key's raw value, when it exists
    qsizetype valueEnd = -1;
    qsizetype sectionEnd = -1;  // after the last entry (or the header) of the section
};

Location locate(const QByteArray& bytes, const QString& sectionName, const QString& keyName) {
    const Name section(sectionName), key(keyName);
    Location where;
    Lines lines(bytes);
    Line line;
    bool inSection = false;
    bool firstSectionPassed = false;
    while (lines.next(line)) {
        const Parsed parsed = parse(bytes, line);
        if (parsed.kind == Kind::Section) {
            if (inSection)
                firstSectionPassed = true;
            inSection = section.matches(bytes, parsed);
            if (inSection && !firstSectionPassed)
                where.sectionEnd = line.end;
        } else if (parsed.kind == Kind::Entry && inSection) {
            if (key.matches(bytes, parsed)) {
                where.valueBegin = parsed.valueBegin;
                where.valueEnd = parsed.valueEnd;
                return where;
            }
            if (!firstSectionPassed)
                where.sectionEnd = line.end;
        }
    }
    return where;
}

}  // namespace

std::optional<QString> IniText::value(const QString& section, const QString& key) const {
    const Location where = locate(bytes_, section, key);
    if (where.valueBegin < 0)
        return std::nullopt;
    return decodeValue(bytes_, where.valueBegin, where.valueEnd);
}

std::vector<std::pair<QString, QString>> IniText::entries(const QString& sectionName) const {
    const Name section(sectionName);
    std::vector<std::pair<QString, QString>> found;
    QSet<QString> seen;  // case-folded keys
    Lines lines(bytes_);
    Line line;
    bool inSection = false;
    while (lines.next(line)) {
        const Parsed parsed = parse(bytes_, line);
        if (parsed.kind == Kind::Section)
            inSection = section.matches(bytes_, parsed);
        if (parsed.kind != Kind::Entry || !inSection)
            continue;
        const QString key = nameOf(bytes_, parsed);
        const QString folded = key.toCaseFolded();
        if (seen.contains(folded))
            continue;
        seen.insert(folded);
        found.emplace_back(key, decodeValue(bytes_, parsed.valueBegin, parsed.valueEnd));
    }
    return found;
}

void IniText::setValue(const QString& section, const QString& key, const QString& value) {
    const Location where = locate(bytes_, section, key);
    const QByteArray encoded = encodeValue(value);
    if (where.valueBegin >= 0) {
        bytes_.replace(where.valueBegin, where.valueEnd - where.valueBegin, encoded);
        return;
    }
    // New lines take the ending the text already uses.
    const qsizetype firstNewline = bytes_.indexOf('\n');
    const QByteArray ending = firstNewline > 0 && bytes_[firstNewline - 1] == '\r' ? "\r\n" : "\n";
    const QByteArray entry = key.toUtf8() + '=' + encoded + ending;
    if (where.sectionEnd >= 0) {
        const bool unterminated = where.sectionEnd == bytes_.size() && !bytes_.endsWith('\n');
        bytes_.insert(where.sectionEnd, unterminated ? ending + entry : entry);
        return;
    }
    const bool hasContent = bytes_.size() > (bytes_.startsWith(kByteOrderMark) ? 3 : 0);
    if (hasContent && !bytes_.endsWith('\n'))
        bytes_ += ending;
    if (hasContent && !bytes_.endsWith(ending + ending))
        bytes_ += ending;
    bytes_ += '[' + section.toUtf8() + ']' + ending + entry;
}

}  // namespace kestro
