// Iniunit: the settings files of the suite as text, in the INI form that QSettings reads and
// writes on this platform ([Section] headers, Key=value lines, ';' comments).
//
// Two things are done here rather than by QSettings:
// - Reading. QSettings turns a value "@Variant(...)" or "@DateTime(...)" into a QVariant by
//   deserialising the bytes inside, and a hand-made value of 66 bytes can ask it for 4.4 GB.
//   ReadIniText finds sections, keys and values as QSettings does but keeps every value a text
//   (or a list of texts) and never deserialises one.
// - Editing. QSettings writes a file anew from what it parsed: comments go, sections are
//   re-sorted, "[Com Ports]" becomes "[Com%20Ports]" and "Prefix=C:\logs\scan" becomes
//   "C:ogscan" for the program that wrote it. EditIniText changes only the lines of the keys
//   it sets and keeps every other byte.
#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <optional>
#include <vector>

// One key as QSettings names it, "Section/Name", and the value's text as it goes into the file
// (IniValueText, or plain digits and letters).
struct TIniEdit {
    QString Section; // ASCII letters and digits only: a line added holds it as it is
    QString Name;    // likewise
    QByteArray Value;
};

// The values of an INI text as QSettings would read them, by their full key "Section/Name"
// (keys before any section, or in [General], have no section part; later lines win):
// texts, or lists of texts for a value with unquoted commas. A value QSettings would turn into
// another type ("@Variant(...)", "@ByteArray(...)", "@Rect(...)", "@Invalid()" ...) is left
// out, as if missing; "@@..." is the text "@..." as QSettings reads it.
QSettings::SettingsMap ReadIniText(const QByteArray& text);

// text with each edit's key set to its value: every line that holds the key (as ReadIniText
// finds it) gets the new value in place of the old; a key that is missing is added at the end
// of the last section of its name, and a section that is missing at the end of the text, on
// lines ended as the text's first line is (LF when it has none). Every other byte stays.
// Returned: nothing when the result would not read back every edit's value (a text that a
// hostile or broken file makes swallow the new lines: an unclosed quote, a '\' at its end).
std::optional<QByteArray> EditIniText(const QByteArray& text, const std::vector<TIniEdit>& edits);

// The text of value as a file line holds it so that QSettings and ReadIniText read value back.
// Values with control characters other than tab, line feed and carriage return cannot be
// written this way: the result is then empty and ok false.
QByteArray IniValueText(const QString& value, bool& ok);

// The format of QSettings that reads through ReadIniText; it writes nothing (sync() of such a
// store fails). For opening a settings file with QSettings(path, format).
QSettings::Format ReadOnlyIniFormat();
