#include "session/Applydetailsunit.h"

#include "astro/Vlsrunit.h"
#include "data/Datetimeunit.h"
#include "data/Spectrumunit.h"
#include "numeric/Numbertextunit.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <cmath>
#include <cstdio>

namespace {

// The standard solar motion: 20 km/s towards RA 18 h, Dec +30 deg.
constexpr double ApexRaHours = 18.0;
constexpr double ApexDecDegrees = 30.0;
constexpr double ApexSpeed = 20.0;

// A date-time format without its time-zone fields ('t' outside quoted text).
QString WithoutTimeZone(const QString& format) {
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char('t'))
            continue;
        result += c;
    }
    return result.trimmed();
}

// "+0.180" or "-17.907".
std::string SignedKms(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.3f", v);
    return text;
}

// A sidereal time in turns as "H h MM m SS s", rounded to the second.
std::string SiderealTimeText(double turns) {
    long long seconds = std::llround((turns - std::floor(turns)) * 86400.0) % 86400;
    char text[32];
    std::snprintf(text, sizeof text, "%lld h %02lld m %02lld s", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

} // namespace

namespace {

bool NumberInRange(const std::string& text, double low, double high, const char* what,
                   const char* unit, double& value, std::string& error, const QLocale& locale) {
    if (!TextToFloat(text, value, locale)) {
        error = InvalidFloatMessage(text);
        return false;
    }
    if (value < low || value > high) {
        error = "'" + text + "' is not a valid " + what + " (" + FloatToText(low) + " to " +
                FloatToText(high) + unit + ")";
        return false;
    }
    return true;
}

} // namespace

bool ParseElevation(const std::string& text, double& metres, std::string& error,
                    const QLocale& locale) {
    return NumberInRange(text, MinElevation, MaxElevation, "elevation", " m", metres, error,
                         locale);
}

bool ParseEpoch(const std::string& text, double& years, std::string& error, const QLocale& locale) {
    return NumberInRange(text, MinEpoch, MaxEpoch, "epoch", "", years, error, locale);
}

std::int32_t DayOfYear(std::uint16_t year, std::uint16_t month, std::uint16_t day) {
    static const std::int32_t lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int months = month < 1 || month > 12 ? 12 : month;
    std::int32_t days = day;
    for (int m = 1; m < months; ++m)
        days += lengths[m - 1];
    if (months > 2 && year % 4 == 0)
        ++days;
    return days;
}

std::string FileTimeText(double instant, const QLocale& locale) {
    const TDateParts p = DecodeDateTime(instant);
    const QDate date(p.Year, p.Month, p.Day);
    const QTime time(p.Hour, p.Minute, p.Second);
    const QString text =
        locale.toString(date, locale.dateFormat(QLocale::ShortFormat)) + " " +
        locale.toString(time, WithoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
    return text.toStdString();
}

TAppliedDetails ComputeAppliedDetails(double instant, const TDetailsState& state,
                                      const std::string& elevationText,
                                      const std::string& epochText, const QLocale& locale) {
    TAppliedDetails r;
    const TDateParts p = DecodeDateTime(instant);
    r.Year = p.Year;
    r.DayOfYear = DayOfYear(p.Year, p.Month, p.Day);
    r.Hours = p.Hour + p.Minute * (1.0 / 60.0) + p.Second * (1.0 / 3600.0);
    r.FileTimeText = FileTimeText(instant, locale);

    if (!ParseElevation(elevationText, r.Elevation, r.Error, locale) ||
        !ParseEpoch(epochText, r.Epoch, r.Error, locale))
        return r;

    r.RaText = state.RightAscension().ToText();
    r.DecText = state.Declination().ToText(true);
    r.GlatText = state.GalLatitude().ToText(true);
    r.GlongText = state.GalLongitude().ToText(false);
    r.LatText = state.SiteLatitude().ToText(true);
    r.LongText = state.SiteLongitude().ToText(true);
    r.ElevText = FloatToText(r.Elevation);

    // ComputeVlsr forms the local sidereal time as Greenwich time minus the longitude, so it
    // takes longitudes positive towards the west; the site's longitude is held positive east.
    // Passing it unchanged would put the site on the other side of Greenwich.
    const double westLongitude = 360.0 - state.SiteLongitude().Value;
    double lst = 0.0;
    ComputeVlsr(state.RightAscension().GetValue(), state.Declination().Value, r.Epoch, r.Year,
                r.DayOfYear, r.Hours, state.SiteLatitude().Value, westLongitude, r.Elevation, lst,
                r.VSun, r.VMoon, r.VRot, r.Vlsr, ApexRaHours, ApexDecDegrees, ApexSpeed);
    // A VLSR that is not a number would turn every x value of the graph and the saved file
    // into NaN; it is never applied.
    if (!std::isfinite(r.Vlsr)) {
        r.Error = "The VLSR cannot be computed for these details";
        return r;
    }
    r.Lst = lst - std::floor(lst);
    r.VOrbit = r.Vlsr - r.VSun - r.VMoon - r.VRot;
    r.VlsrText = FloatToText(r.Vlsr);
    r.Applied = true;
    return r;
}

TAppliedDetails ComputeAppliedDetails(double instant, const TDetailsState& state,
                                      const QLocale& locale) {
    return ComputeAppliedDetails(instant, state, state.Text(TDetailsField::edElev),
                                 state.Text(TDetailsField::edEpoch), locale);
}

std::string VlsrTermsText(const TAppliedDetails& d) {
    if (!d.Applied)
        return std::string();
    return "VLSR " + SignedKms(d.Vlsr) + " km/s: solar motion " + SignedKms(d.VSun) +
           ", Earth orbit " + SignedKms(d.VOrbit) + ", Earth-Moon " + SignedKms(d.VMoon) +
           ", Earth rotation " + SignedKms(d.VRot) + " km/s; local sidereal time " +
           SiderealTimeText(d.Lst);
}
