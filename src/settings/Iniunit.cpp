#include "settings/Iniunit.h"

#include <QIODevice>
#include <QStringDecoder>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <cctype>
#include <map>
#include <utility>

namespace {

// One line of the text as QSettings' reader cuts it.
struct TIniLine {
    qsizetype Start = 0; // first byte (blanks before it skipped)
    qsizetype End = 0;   // one past the last byte; the line end or an unquoted ';' follows
    qsizetype Equals = -1;
    bool Header = false;
    int Section = -1; // number of the header the line follows; -1 before any
    QString Key; // a key line's full key; a header's prefix of keys ("Name/", "" for [General])
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The next line from pos on, as QSettings reads its INI files: blanks before it and whole
// ';' comment lines skipped; quotes hold line ends and ';'; a backslash takes the next byte
// (a line end too) along. Returned: false at the end of the text.
bool NextLine(const QByteArray& data, qsizetype& pos, qsizetype& start, qsizetype& length,
              qsizetype& equals) {
    const qsizetype size = data.size();
    bool quoted = false;
    equals = -1;
    start = pos;
    while (start < size && IsSpace(data[start]))
        ++start;
    qsizetype i = start;
    while (i < size) {
        const char c = data[i++];
        if (c == '=') {
            if (!quoted && equals == -1)
                equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!quoted) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < size) {
                const char next = data[i++];
                if (i < size) {
                    const char after = data[i];
                    if ((next == '\n' && after == '\r') || (next == '\r' && after == '\n'))
                        ++i;
                }
            }
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';') {
            if (i == start + 1) {
                while (i < size && data[i] != '\n' && data[i] != '\r')
                    ++i;
                while (i < size && IsSpace(data[i]))
                    ++i;
                start = i;
            } else if (!quoted) {
                --i;
                break;
            }
        }
    }
    pos = i;
    length = i - start;
    return length > 0;
}

// A key or section name of the file as QSettings reads it: UTF-8, '\' for '/', %XX and
// %UXXXX escapes.
QString UnescapedKey(const QByteArray& key) {
    const QString decoded = QString::fromUtf8(key);
    QString result;
    const qsizetype size = decoded.size();
    for (qsizetype i = 0; i < size;) {
        const QChar c = decoded[i];
        if (c == QLatin1Char('\\')) {
            result += QLatin1Char('/');
            ++i;
            continue;
        }
        if (c != QLatin1Char('%') || i == size - 1) {
            result += c;
            ++i;
            continue;
        }
        qsizetype first = i + 1;
        int digits = 2;
        if (decoded[i + 1] == QLatin1Char('U')) {
            ++first;
            digits = 4;
        }
        bool ok = false;
        const ushort code = first + digits > size
                                ? 0
                                : QStringView(decoded).sliced(first, digits).toUShort(&ok, 16);
        if (!ok) {
            result += QLatin1Char('%');
            ++i;
            continue;
        }
        result += QChar(code);
        i = first + digits;
    }
    return result;
}

// What a section header puts before the keys of its section, as QSettings keeps them: nothing
// for [General], else the name and '/' ("[/]" gives "/", and keys such as "/Name").
QString SectionPrefix(const QByteArray& line) {
    const qsizetype close = line.indexOf(']');
    const QByteArray name = (close == -1 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
    if (name.compare("general", Qt::CaseInsensitive) == 0)
        return QString();
    if (name.compare("%general", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(name.mid(1)) + QLatin1Char('/');
    return UnescapedKey(name) + QLatin1Char('/');
}

std::vector<TIniLine> ScanIniText(const QByteArray& data) {
    std::vector<TIniLine> lines;
    qsizetype pos = data.startsWith("\xef\xbb\xbf") ? 3 : 0;
    qsizetype start = 0, length = 0, equals = -1;
    int header = -1;
    QString section;
    while (NextLine(data, pos, start, length, equals)) {
        TIniLine line;
        line.Start = start;
        line.End = start + length;
        if (data[start] == '[') {
            section = SectionPrefix(data.mid(start, length));
            header = static_cast<int>(lines.size());
            line.Header = true;
            line.Key = section;
        } else if (equals != -1) {
            line.Equals = equals;
            const QString key = UnescapedKey(data.mid(start, equals - start).trimmed());
            // As QSettings keeps it: "Section//Name" is no key it finds under "Section/Name".
            line.Key = section + key;
        }
        line.Section = line.Header ? -1 : header;
        lines.push_back(line);
    }
    return lines;
}

void ChopTrailingBlanks(QString& text, qsizetype limit) {
    qsizetype size = text.size();
    while (size > limit &&
           (text[size - 1] == QLatin1Char(' ') || text[size - 1] == QLatin1Char('\t')))
        --size;
    text.truncate(size);
}

// A value's text as QSettings unescapes it: blanks around it dropped unless quoted, C escapes
// (\n, \x41, \101 ...), and unquoted commas making a list. Returned: true for a list.
bool UnescapedValue(const QByteArray& value, QString& text, QStringList& list) {
    static const char codes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                    {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                    {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    bool isList = false, inQuotes = false, valueQuoted = false;
    // One decoder for the whole value: a character split by an escape or a quote decodes as
    // QSettings decodes it.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const qsizetype size = value.size();
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < size && (value[i] == ' ' || value[i] == '\t'))
            ++i;
    };
    skipBlanks();
    qsizetype chopLimit = 0;
    while (i < size) {
        const char c = value[i];
        if (c == '\\') {
            if (++i >= size) {
                // A '\' at the very end keeps the blanks before it, as in QSettings.
                valueQuoted = true;
                break;
            }
            const char e = value[i++];
            bool named = false;
            for (const auto& code : codes)
                if (e == code[0]) {
                    text += QLatin1Char(code[1]);
                    named = true;
                    break;
                }
            if (named) {
                chopLimit = text.size();
                continue;
            }
            const bool hex =
                e == 'x' && i < size && std::isxdigit(static_cast<unsigned char>(value[i]));
            if (hex || (e >= '0' && e <= '7')) {
                // Digits as long as they come, kept to 16 bits as QSettings keeps them.
                ushort code = hex ? 0 : static_cast<ushort>(e - '0');
                const int base = hex ? 16 : 8;
                while (i < size) {
                    const char d = value[i];
                    int digit = -1;
                    if (d >= '0' && d <= (base == 8 ? '7' : '9'))
                        digit = d - '0';
                    else if (base == 16 && d >= 'a' && d <= 'f')
                        digit = d - 'a' + 10;
                    else if (base == 16 && d >= 'A' && d <= 'F')
                        digit = d - 'A' + 10;
                    if (digit < 0)
                        break;
                    code = static_cast<ushort>(code * base + digit);
                    ++i;
                }
                text += QChar(code);
            } else if ((e == '\n' || e == '\r') && i < size) {
                const char next = value[i];
                if ((next == '\n' || next == '\r') && next != e)
                    ++i;
            }
            chopLimit = text.size();
        } else if (c == '"') {
            ++i;
            valueQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks();
                chopLimit = text.size();
            }
        } else if (c == ',' && !inQuotes) {
            if (!valueQuoted)
                ChopTrailingBlanks(text, chopLimit);
            isList = true;
            list.append(text);
            text.clear();
            valueQuoted = false;
            ++i;
            skipBlanks();
            chopLimit = 0;
        } else {
            qsizetype j = i + 1;
            while (j < size && value[j] != '\\' && value[j] != '"' && value[j] != ',')
                ++j;
            text += utf8(QByteArrayView(value.constData() + i, j - i));
            i = j;
        }
    }
    if (!valueQuoted)
        ChopTrailingBlanks(text, chopLimit);
    if (isList)
        list.append(text);
    return isList;
}

// The value of a text as QSettings reads it: "@" and a type name in front make it a value of
// that type (deserialised for "@Variant(" and "@DateTime("); "@@" stands for a text beginning
// with '@'. Returned: false for a typed value, which is left out.
bool PlainValue(const QString& text, QString& value) {
    if (text.startsWith(QLatin1Char('@'))) {
        if (text == QStringLiteral("@Invalid()"))
            return false;
        if (text.endsWith(QLatin1Char(')'))) {
            if (text.startsWith(QStringLiteral("@String("))) {
                value = text.sliced(8).chopped(1);
                return true;
            }
            for (const char* type :
                 {"@ByteArray(", "@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point("})
                if (text.startsWith(QLatin1String(type)))
                    return false;
        }
    }
    value = text.startsWith(QStringLiteral("@@")) ? text.sliced(1) : text;
    return true;
}

// The line end the text uses first.
QByteArray LineEnd(const QByteArray& text) {
    const qsizetype at = text.indexOf('\n');
    const qsizetype cr = text.indexOf('\r');
    if (cr != -1 && (at == -1 || cr < at))
        return cr + 1 < text.size() && text[cr + 1] == '\n' ? QByteArray("\r\n") : QByteArray("\r");
    return QByteArray("\n");
}

// Just after the line end that follows pos, or the text's size when none does.
qsizetype AfterLineEnd(const QByteArray& text, qsizetype pos) {
    while (pos < text.size() && text[pos] != '\n' && text[pos] != '\r')
        ++pos;
    if (pos < text.size())
        pos += text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
    return pos;
}

bool EndsWithLineEnd(const QByteArray& text) {
    return text.endsWith('\n') || text.endsWith('\r');
}

bool ReadIniDevice(QIODevice& device, QSettings::SettingsMap& map) {
    map = ReadIniText(device.readAll());
    return true;
}

bool WriteNothing(QIODevice&, const QSettings::SettingsMap&) {
    return false;
}

} // namespace

QSettings::SettingsMap ReadIniText(const QByteArray& text) {
    QSettings::SettingsMap map;
    for (const TIniLine& line : ScanIniText(text)) {
        if (line.Equals == -1)
            continue;
        QString single;
        QStringList list;
        const QByteArray value = text.mid(line.Equals + 1, line.End - line.Equals - 1);
        if (UnescapedValue(value, single, list)) {
            // A list with an item in '@' becomes a list of variants in QSettings: left out.
            bool plain = true;
            for (QString& item : list) {
                if (item.startsWith(QLatin1Char('@')) && !item.startsWith(QStringLiteral("@@")))
                    plain = false;
                else if (item.startsWith(QLatin1Char('@')))
                    item.remove(0, 1);
            }
            if (plain)
                map.insert(line.Key, list);
            else
                map.remove(line.Key);
        } else if (QString text; PlainValue(single, text)) {
            map.insert(line.Key, text);
        } else {
            map.remove(line.Key);
        }
    }
    return map;
}

std::optional<QByteArray> EditIniText(const QByteArray& text, const std::vector<TIniEdit>& edits) {
    const std::vector<TIniLine> lines = ScanIniText(text);
    const QByteArray eol = LineEnd(text);
    // Changes by position: a replaced range, or bytes inserted (length 0), in edit order.
    std::multimap<qsizetype, std::pair<qsizetype, QByteArray>> changes;
    std::vector<std::pair<QString, QByteArray>> newSections; // in order of first need
    bool endedLastLine = false;
    for (const TIniEdit& edit : edits) {
        const QString key = edit.Section + QLatin1Char('/') + edit.Name;
        bool found = false;
        for (const TIniLine& line : lines) {
            if (line.Equals == -1 || line.Key != key)
                continue;
            found = true;
            qsizetype from = line.Equals + 1, to = line.End;
            while (from < to && (text[from] == ' ' || text[from] == '\t'))
                ++from;
            while (to > from && (text[to - 1] == ' ' || text[to - 1] == '\t'))
                --to;
            changes.emplace(from, std::pair{to - from, edit.Value});
        }
        if (found)
            continue;
        const QByteArray entry = edit.Name.toUtf8() + '=' + edit.Value + eol;
        int header = -1;
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].Header && lines[i].Key == edit.Section + QLatin1Char('/'))
                header = static_cast<int>(i);
        if (header == -1) {
            const auto section =
                std::find_if(newSections.begin(), newSections.end(),
                             [&](const auto& s) { return s.first == edit.Section; });
            if (section == newSections.end())
                newSections.emplace_back(edit.Section, entry);
            else
                section->second += entry;
            continue;
        }
        qsizetype last = lines[static_cast<std::size_t>(header)].End;
        for (const TIniLine& line : lines)
            if (line.Section == header && line.Equals != -1)
                last = line.End;
        // A last line without its line end gets one, once.
        const qsizetype at = AfterLineEnd(text, last);
        const bool unended = at == text.size() && !EndsWithLineEnd(text) && !endedLastLine;
        endedLastLine = endedLastLine || unended;
        changes.emplace(at, std::pair{qsizetype(0), unended ? eol + entry : entry});
    }
    QByteArray result;
    qsizetype copied = 0;
    for (const auto& [at, change] : changes) {
        result += text.mid(copied, at - copied);
        result += change.second;
        copied = at + change.first;
    }
    result += text.mid(copied);
    for (const auto& [section, entries] : newSections) {
        if (!result.isEmpty() && !EndsWithLineEnd(result))
            result += eol;
        if (!result.isEmpty() && !result.endsWith(eol + eol))
            result += eol;
        result += '[' + section.toUtf8() + ']' + eol + entries;
    }
    const QSettings::SettingsMap values = ReadIniText(result);
    for (const TIniEdit& edit : edits) {
        const QVariant wanted = ReadIniText("Value=" + edit.Value).value(QStringLiteral("Value"));
        if (values.value(edit.Section + QLatin1Char('/') + edit.Name) != wanted)
            return std::nullopt;
    }
    return result;
}

QByteArray IniValueText(const QString& value, bool& ok) {
    ok = false;
    // A leading '@' would make QSettings read a type; "@@" is its escape for the text.
    QString escaped = value.startsWith(QLatin1Char('@')) ? QStringLiteral("@") : QString();
    bool quote = value.isEmpty() || value.front().isSpace() || value.back().isSpace();
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '"') {
            escaped += QLatin1Char('\\');
            escaped += c;
        } else if (u == '\n') {
            escaped += QStringLiteral("\\n");
        } else if (u == '\r') {
            escaped += QStringLiteral("\\r");
        } else if (u == '\t') {
            escaped += QStringLiteral("\\t");
        } else if (u < 0x20 || u == 0x7f) {
            return QByteArray();
        } else {
            // Unquoted, ';' would end the line and ',' make a list.
            quote = quote || u == ',' || u == ';';
            escaped += c;
        }
    }
    ok = true;
    const QByteArray bytes = escaped.toUtf8();
    return quote ? '"' + bytes + '"' : bytes;
}

QSettings::Format ReadOnlyIniFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("conf"), ReadIniDevice, WriteNothing);
    return format;
}
