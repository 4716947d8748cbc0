#include "settings/Globalunit.h"
#include "settings/Siteunit.h"
#include "settings/Storeunit.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cmath>
#include <memory>

namespace {

QString Key(const char* section, const char* name) {
    return QString::fromUtf8(section) + QLatin1Char('/') + QString::fromUtf8(name);
}

std::int32_t ReadInteger(QSettings& store, const char* section, const char* name,
                         std::int32_t fallback) {
    return ReadStoredInteger(store, Key(section, name), fallback);
}

// An integer that has a range: a value outside it counts as unreadable and gives the default,
// as the program has no sensible site for a latitude of 2147483647 degrees (which a 16-bit
// field further on would wrap to 11 degrees 15').
std::int32_t ReadInteger(QSettings& store, const char* section, const char* name,
                         std::int32_t fallback, std::int32_t lowest, std::int32_t highest) {
    const std::int32_t value = ReadInteger(store, section, name, fallback);
    return value >= lowest && value <= highest ? value : fallback;
}

// Degrees stored as "-0" (blanks around it allowed): a site less than 1 degree south or west.
bool IsMinusZero(QSettings& store, const char* section, const char* name) {
    const QVariant value = store.value(Key(section, name));
    std::int32_t number = 1;
    return value.typeId() == QMetaType::QString &&
           value.toString().trimmed().startsWith(QLatin1Char('-')) &&
           ToStoredInteger(value, number) && number == 0;
}

double ReadReal(QSettings& store, const char* section, const char* name, double fallback) {
    const QVariant value = store.value(Key(section, name));
    bool ok = false;
    double result = fallback;
    if (value.typeId() == QMetaType::QString)
        result = value.toString().trimmed().toDouble(&ok);
    else if (IsWholeNumberType(value) || value.typeId() == QMetaType::Double ||
             value.typeId() == QMetaType::Float)
        result = value.toDouble(&ok);
    // "nan" and "inf" convert, but no setting can use them: they count as missing.
    return ok && std::isfinite(result) ? result : fallback;
}

std::string ReadText(QSettings& store, const char* section, const char* name,
                     const std::string& fallback) {
    const QVariant value = store.value(Key(section, name));
    if (!value.isValid())
        return fallback;
    // The ini form reads an unquoted text with commas back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    if (value.typeId() == QMetaType::QString || IsWholeNumberType(value) ||
        value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Bool)
        return value.toString().toStdString();
    return fallback;
}

bool ReadBoolean(QSettings& store, const char* section, const char* name, bool fallback) {
    const QVariant value = store.value(Key(section, name));
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    std::int32_t number = 0;
    if (ToStoredInteger(value, number))
        return number != 0;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return fallback;
}

// The site as File > Station settings checks it (CheckSite): an angle or elevation it would
// refuse takes its defaults as a whole. Each part alone may be in range and the whole not:
// 90 deg 59' 59" of latitude was used though the dialog refuses it.
void CheckSiteAsTheDialogDoes(TStationSettings& s) {
    const TStationSettings defaults;
    for (;;) {
        const TSiteCheck check = CheckSite(SiteTexts(SiteOf(s)));
        if (check.Site)
            return;
        switch (check.Field) {
        case TSiteField::LatDegrees:
        case TSiteField::LatMinutes:
        case TSiteField::LatSeconds:
            s.LatDegrees = defaults.LatDegrees, s.LatMinutes = defaults.LatMinutes;
            s.LatSeconds = defaults.LatSeconds, s.LatMinusZero = defaults.LatMinusZero;
            break;
        case TSiteField::LongDegrees:
        case TSiteField::LongMinutes:
        case TSiteField::LongSeconds:
            s.LongDegrees = defaults.LongDegrees, s.LongMinutes = defaults.LongMinutes;
            s.LongSeconds = defaults.LongSeconds, s.LongMinusZero = defaults.LongMinusZero;
            break;
        case TSiteField::Height:
            s.Height = defaults.Height;
            break;
        case TSiteField::Equinox:
            s.EquinoxSelector = defaults.EquinoxSelector;
            break;
        case TSiteField::KelvinPerCount:
            s.KelvinPerCount.reset();
            break;
        }
    }
}

} // namespace

TStationSettings TStationSettings::Load(QSettings& store) {
    TStationSettings s;
    s.TelescopeName = ReadText(store, "Telescope", "Name", s.TelescopeName);
    s.MotorPort = ReadInteger(store, "Com Ports", "Motor", s.MotorPort);
    s.ReceiverPort = ReadInteger(store, "Com Ports", "Receiver", s.ReceiverPort);
    s.AzRate = ReadReal(store, "Azimuth", "AzRate", s.AzRate);
    s.AzMin = ReadInteger(store, "Azimuth", "Min", s.AzMin);
    s.AzMax = ReadInteger(store, "Azimuth", "Max", s.AzMax);
    s.AzOverrun = ReadReal(store, "Azimuth", "Overrun", s.AzOverrun);
    s.AzCorrection = ReadInteger(store, "Azimuth", "Correction", s.AzCorrection);
    s.AltMin = ReadInteger(store, "Altitude", "Min", s.AltMin);
    s.AltMax = ReadInteger(store, "Altitude", "Max", s.AltMax);
    s.AltRate = ReadReal(store, "Altitude", "AltRate", s.AltRate);
    s.AltOverrun = ReadReal(store, "Altitude", "Overrun", s.AltOverrun);
    s.AltCorrection = ReadInteger(store, "Altitude", "Correction", s.AltCorrection);
    s.RaDiff = ReadReal(store, "ChooseSource", "Ra Diff", s.RaDiff);
    s.DecDiff = ReadReal(store, "ChooseSource", "Dec Diff", s.DecDiff);
    s.MotorAzimuth = ReadInteger(store, "Motor", "Azimuth", s.MotorAzimuth);
    s.MotorAltitude = ReadInteger(store, "Motor", "Altitude", s.MotorAltitude);
    s.MotorDelay = ReadInteger(store, "Motor", "Delay", s.MotorDelay);
    s.LatDegrees = ReadInteger(store, "Latitude", "Degrees", s.LatDegrees, -90, 90);
    s.LatMinutes = ReadInteger(store, "Latitude", "Minutes", s.LatMinutes, 0, 59);
    s.LatSeconds = ReadInteger(store, "Latitude", "Seconds", s.LatSeconds, 0, 59);
    s.LongDegrees = ReadInteger(store, "Longitude", "Degrees", s.LongDegrees, -180, 180);
    s.LongMinutes = ReadInteger(store, "Longitude", "Minutes", s.LongMinutes, 0, 59);
    s.LongSeconds = ReadInteger(store, "Longitude", "Seconds", s.LongSeconds, 0, 59);
    s.LatMinusZero = IsMinusZero(store, "Latitude", "Degrees");
    s.LongMinusZero = IsMinusZero(store, "Longitude", "Degrees");
    s.Height = ReadInteger(store, "Position", "Height", s.Height, MinSiteHeight, MaxSiteHeight);
    s.Temperature = ReadInteger(store, "Position", "Temperature", s.Temperature);
    s.Pressure = ReadInteger(store, "Position", "Pressure", s.Pressure);
    s.Refraction = ReadReal(store, "Position", "Refraction", s.Refraction);
    s.LogPrefix = ReadText(store, "Log file", "Prefix", s.LogPrefix);
    s.Sparse = ReadBoolean(store, "Log file", "Sparse", s.Sparse);
    const std::string equinox = ReadText(store, "Calculations", "Equinox", "J2000");
    s.LsrVelocity.U = ReadReal(store, "LSR", "U", s.LsrVelocity.U);
    s.LsrVelocity.V = ReadReal(store, "LSR", "V", s.LsrVelocity.V);
    s.LsrVelocity.W = ReadReal(store, "LSR", "W", s.LsrVelocity.W);
    const double kelvinPerCount = ReadReal(store, "Calibration", "KelvinPerCount", 0.0);
    if (kelvinPerCount > 0.0 && kelvinPerCount <= MaxKelvinPerCount)
        s.KelvinPerCount = kelvinPerCount;

    s.EquinoxSelector = equinox == "J1950" ? 0 : 1;
    CheckSiteAsTheDialogDoes(s);
    return s;
}

TStationSettings TStationSettings::Read() {
    const std::unique_ptr<QSettings> store = OpenSettings(QStringLiteral("Tovrel"));
    return store ? Load(*store) : TStationSettings();
}
