#include "settings/Storeunit.h"

#include <QSettings>
#include <QVariant>
#include <limits>

bool IsWholeNumberType(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

bool ToStoredInteger(const QVariant& value, std::int32_t& result) {
    bool ok = false;
    qlonglong number = 0;
    if (value.typeId() == QMetaType::QString)
        number = value.toString().trimmed().toLongLong(&ok, 10);
    else if (IsWholeNumberType(value))
        number = value.toLongLong(&ok);
    if (!ok || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max())
        return false;
    result = static_cast<std::int32_t>(number);
    return true;
}

std::int32_t ReadStoredInteger(const QSettings& store, const QString& key, std::int32_t fallback) {
    std::int32_t result = fallback;
    return ToStoredInteger(store.value(key), result) ? result : fallback;
}
