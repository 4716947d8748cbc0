#include "settings/Storeunit.h"

#include "data/Saveunit.h"
#include "settings/Iniunit.h"

#include <QDir>

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QUuid>
#include <QVariant>
#include <cerrno>
#include <limits>
#include <stdexcept>
#include <sys/stat.h>

QString SettingsFilePath(const QString& application) {
    // Only QSettings knows its folder (QSettings::setPath may have moved it), and a QSettings
    // reads its files as it is built, so the store itself cannot be asked: a store of a name no
    // file has gives the folder.
    const QString unused = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString probe =
        QSettings(QSettings::NativeFormat, QSettings::UserScope, unused, unused).fileName();
    const QString folder = QFileInfo(QFileInfo(probe).path()).path();
    return folder + QLatin1Char('/') + SettingsOrganization + QLatin1Char('/') + application +
           QStringLiteral(".conf");
}

bool IsUsableSettingsFile(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT;
    return S_ISREG(status.st_mode) && status.st_size <= MaxSettingsFileSize;
}

std::unique_ptr<QSettings> OpenSettings(const QString& application) {
    const QString path = SettingsFilePath(application);
    if (!IsUsableSettingsFile(path))
        return nullptr;
    return std::make_unique<QSettings>(path, ReadOnlyIniFormat());
}

std::string EditSettingsFile(const QString& path, const std::vector<TIniEdit>& edits) {
    const std::string name = path.toStdString();
    if (!IsUsableSettingsFile(path))
        return "\"" + name + "\" is not a regular file of at most 1 MiB";
    QFile file(path);
    QByteArray old;
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return "\"" + name + "\" cannot be read: " + file.errorString().toStdString();
        // Bounded as the check above found it; a file grown since is read only so far.
        old = file.read(MaxSettingsFileSize + 1);
        if (file.error() != QFileDevice::NoError || old.size() > MaxSettingsFileSize)
            return "\"" + name + "\" cannot be read: " + file.errorString().toStdString();
        file.close();
    } else if (!QDir().mkpath(QFileInfo(path).path())) {
        return "the folder of \"" + name + "\" cannot be made";
    }
    const std::optional<QByteArray> text = EditIniText(old, edits);
    if (!text)
        return "\"" + name + "\" is not in the form its values could be changed in";
    try {
        WriteTextFileSafely(name, text->toStdString());
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return std::string();
}

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
