// The per-user settings store as the suite's programs share it: organisation "Fernhollow",
// one application name per program, sections as groups.
#pragma once

#include <QString>
#include <cstdint>

class QSettings;
class QVariant;

// The organisation under which every program of the suite keeps its settings.
inline const QString SettingsOrganization = QStringLiteral("Fernhollow");

// The value is stored as a whole number of any width (not as a text or a real).
bool IsWholeNumberType(const QVariant& value);

// A whole number that fits 32 bits, from a stored integer or from a text holding a decimal
// integer (blanks around it allowed). Returned: false for anything else, result unchanged.
bool ToStoredInteger(const QVariant& value, std::int32_t& result);

// The integer stored under key (relative to the store's current group), or fallback when it is
// missing or not a whole number.
std::int32_t ReadStoredInteger(const QSettings& store, const QString& key, std::int32_t fallback);
