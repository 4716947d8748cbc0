// The per-user settings store as the suite's programs share it: organisation "Fernhollow",
// one application name per program, sections as groups.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TIniEdit;

class QSettings;
class QVariant;

// The largest settings file that is read: the suite's files hold a few hundred bytes, and a
// damaged or hostile one must not slow the start (a 64 MiB line took 1.2 s and 279 MB).
constexpr qint64 MaxSettingsFileSize = 1 << 20;

// The organisation under which every program of the suite keeps its settings.
inline const QString SettingsOrganization = QStringLiteral("Fernhollow");

// The file in which the per-user store keeps the settings of application (native format, user
// scope): on Linux $XDG_CONFIG_HOME/Fernhollow/<application>.conf, ~/.config by default, or
// where QSettings::setPath has put the store.
QString SettingsFilePath(const QString& application);

// A settings file that may be opened: absent, or a regular file (a symbolic link to one counts)
// of at most MaxSettingsFileSize bytes. Looked at with stat() only, as opening a FIFO for
// reading blocks until someone writes to it.
bool IsUsableSettingsFile(const QString& path);

// The per-user settings of application, opened on its own file when IsUsableSettingsFile, or
// nullptr: every value then takes its default. Only that file is read, not the organisation-wide
// and system-wide files QSettings would consult as well, which the check does not cover. The
// store is read through ReadIniText (settings/Iniunit.h), so no value of the file is
// deserialised; it is for reading only.
std::unique_ptr<QSettings> OpenSettings(const QString& application);

// Sets the keys of edits in the settings file at path (EditIniText: every other byte stays) and
// writes it as a whole (WriteTextFileSafely: a new file renamed over the old one). A symbolic
// link to the file stays a link, and the file it points to is the one edited, as it is the one
// read. A missing file is made, with its folder. Returned: empty, or why the file was not
// written (it is then as it was): no regular file of at most MaxSettingsFileSize bytes, not
// readable, or not writable (a full disk, a read-only file or folder).
std::string EditSettingsFile(const QString& path, const std::vector<TIniEdit>& edits);

// The value is stored as a whole number of any width (not as a text or a real).
bool IsWholeNumberType(const QVariant& value);

// A whole number that fits 32 bits, from a stored integer or from a text holding a decimal
// integer (blanks around it allowed). Returned: false for anything else, result unchanged.
bool ToStoredInteger(const QVariant& value, std::int32_t& result);

// The integer stored under key (relative to the store's current group), or fallback when it is
// missing or not a whole number.
std::int32_t ReadStoredInteger(const QSettings& store, const QString& key, std::int32_t fallback);
