#include "settings/Siteunit.h"

#include "settings/Globalunit.h"
#include "settings/Iniunit.h"
#include "settings/Storeunit.h"

#include <QByteArray>
#include <QString>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// A whole number: optional '-' when signed, then digits only; in low..high.
bool ReadWhole(const std::string& text, bool signedNumber, int low, int high, int& value) {
    const std::string t = Trimmed(text);
    const char* begin = t.data();
    const char* end = t.data() + t.size();
    if (begin != end && *begin == '-' && !signedNumber)
        return false;
    if (begin == end || *begin == '+')
        return false;
    int number = 0;
    const auto result = std::from_chars(begin, end, number);
    if (result.ec != std::errc() || result.ptr != end || number < low || number > high)
        return false;
    value = number;
    return true;
}

// A decimal number in C's form with an optional sign, nothing before or after it; finite.
bool ReadDecimal(const std::string& text, double& value) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    if (begin == end || *begin == '+')
        return false;
    double number = 0.0;
    const auto result = std::from_chars(begin, end, number);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(number))
        return false;
    value = number;
    return true;
}

// A calibration as the dialog shows it and the store keeps it: the fewest digits that read
// back as the same number.
std::string CalibrationText(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

struct TAngleCheck {
    const char* Name;             // "Latitude"
    TSiteField Degrees;           // its degrees field; minutes and seconds follow it
    int Limit;                    // 90 or 180
    const std::string *D, *M, *S; // the texts
    bool Negative;
};

// Reads one angle of the dialog, or says what is wrong with it in check.
bool ReadSiteAngle(const TAngleCheck& a, TSiteAngle& angle, TSiteCheck& check) {
    const auto field = [&](int offset) {
        return static_cast<TSiteField>(static_cast<int>(a.Degrees) + offset);
    };
    const std::string name = a.Name;
    if (!ReadWhole(*a.D, false, 0, a.Limit, angle.Degrees)) {
        check.Field = field(0);
        check.Error =
            name + " degrees must be a whole number from 0 to " + std::to_string(a.Limit) + ".";
        return false;
    }
    const std::pair<const std::string*, int*> parts[] = {{a.M, &angle.Minutes},
                                                         {a.S, &angle.Seconds}};
    for (int i = 0; i < 2; ++i) {
        const std::string& text = *parts[i].first;
        if (Trimmed(text).empty()) {
            *parts[i].second = 0;
        } else if (!ReadWhole(text, false, 0, 59, *parts[i].second)) {
            check.Field = field(i + 1);
            check.Error =
                name + (i == 0 ? " minutes" : " seconds") + " must be a whole number from 0 to 59.";
            return false;
        }
    }
    if (angle.Degrees == a.Limit && (angle.Minutes != 0 || angle.Seconds != 0)) {
        check.Field = field(0);
        check.Error = name + " cannot be more than " + std::to_string(a.Limit) + "\u00B0.";
        return false;
    }
    angle.Negative = a.Negative && (angle.Degrees != 0 || angle.Minutes != 0 || angle.Seconds != 0);
    return true;
}

// The stored degrees: signed, or the text "-0" for a negative angle under 1 degree.
QByteArray StoredDegrees(const TSiteAngle& angle) {
    if (angle.Negative && angle.Degrees == 0)
        return QByteArray("-0");
    return QByteArray::number(angle.Negative ? -angle.Degrees : angle.Degrees);
}

void SetAngle(const TSiteAngle& angle, std::int32_t& degrees, std::int32_t& minutes,
              std::int32_t& seconds, bool& minusZero) {
    degrees = angle.Negative ? -angle.Degrees : angle.Degrees;
    minutes = angle.Minutes;
    seconds = angle.Seconds;
    minusZero = angle.Negative && angle.Degrees == 0;
}

TSiteAngle AngleOf(std::int32_t degrees, std::int32_t minutes, std::int32_t seconds,
                   bool minusZero) {
    TSiteAngle angle;
    angle.Degrees = std::abs(degrees);
    angle.Minutes = minutes;
    angle.Seconds = seconds;
    angle.Negative = degrees < 0 || (degrees == 0 && minusZero && (minutes != 0 || seconds != 0));
    return angle;
}

} // namespace

double TSiteAngle::Value() const {
    const double size = Degrees + Minutes / 60.0 + Seconds / 3600.0;
    return Negative ? -size : size;
}

bool operator==(const TSiteAngle& a, const TSiteAngle& b) {
    return a.Negative == b.Negative && a.Degrees == b.Degrees && a.Minutes == b.Minutes &&
           a.Seconds == b.Seconds;
}

TSiteAngle SiteAngleOf(double degrees) {
    const long long total = std::llround(std::fabs(degrees) * 3600.0);
    TSiteAngle angle;
    angle.Negative = degrees < 0.0 && total > 0;
    angle.Degrees = static_cast<int>(total / 3600);
    angle.Minutes = static_cast<int>(total / 60 % 60);
    angle.Seconds = static_cast<int>(total % 60);
    return angle;
}

bool operator==(const TSite& a, const TSite& b) {
    return a.Latitude == b.Latitude && a.Longitude == b.Longitude && a.Height == b.Height &&
           a.J1950 == b.J1950 && a.KelvinPerCount == b.KelvinPerCount;
}

TSite SiteOf(const TStationSettings& s) {
    TSite site;
    site.Latitude = AngleOf(s.LatDegrees, s.LatMinutes, s.LatSeconds, s.LatMinusZero);
    site.Longitude = AngleOf(s.LongDegrees, s.LongMinutes, s.LongSeconds, s.LongMinusZero);
    site.Height = s.Height;
    site.J1950 = s.EquinoxSelector == 0;
    site.KelvinPerCount = s.KelvinPerCount;
    return site;
}

TStationSettings WithSite(TStationSettings s, const TSite& site) {
    SetAngle(site.Latitude, s.LatDegrees, s.LatMinutes, s.LatSeconds, s.LatMinusZero);
    SetAngle(site.Longitude, s.LongDegrees, s.LongMinutes, s.LongSeconds, s.LongMinusZero);
    s.Height = site.Height;
    s.EquinoxSelector = site.J1950 ? 0 : 1;
    s.KelvinPerCount = site.KelvinPerCount;
    return s;
}

TSiteTexts SiteTexts(const TSite& site) {
    TSiteTexts t;
    t.LatDegrees = std::to_string(site.Latitude.Degrees);
    t.LatMinutes = std::to_string(site.Latitude.Minutes);
    t.LatSeconds = std::to_string(site.Latitude.Seconds);
    t.South = site.Latitude.Negative;
    t.LongDegrees = std::to_string(site.Longitude.Degrees);
    t.LongMinutes = std::to_string(site.Longitude.Minutes);
    t.LongSeconds = std::to_string(site.Longitude.Seconds);
    t.West = site.Longitude.Negative;
    t.Height = std::to_string(site.Height);
    t.Equinox = site.J1950 ? "J1950" : "J2000";
    if (site.KelvinPerCount)
        t.KelvinPerCount = CalibrationText(*site.KelvinPerCount);
    return t;
}

TSiteCheck CheckSite(const TSiteTexts& t) {
    TSiteCheck check;
    TSite site;
    if (!ReadSiteAngle({"Latitude", TSiteField::LatDegrees, 90, &t.LatDegrees, &t.LatMinutes,
                        &t.LatSeconds, t.South},
                       site.Latitude, check) ||
        !ReadSiteAngle({"Longitude", TSiteField::LongDegrees, 180, &t.LongDegrees, &t.LongMinutes,
                        &t.LongSeconds, t.West},
                       site.Longitude, check))
        return check;
    if (!ReadWhole(t.Height, true, MinSiteHeight, MaxSiteHeight, site.Height)) {
        check.Field = TSiteField::Height;
        check.Error = "Elevation must be a whole number of metres from " +
                      std::to_string(MinSiteHeight) + " to " + std::to_string(MaxSiteHeight) + ".";
        return check;
    }
    if (t.Equinox != "J2000" && t.Equinox != "J1950") {
        check.Field = TSiteField::Equinox;
        check.Error = "Equinox must be J2000 or J1950.";
        return check;
    }
    site.J1950 = t.Equinox == "J1950";
    const std::string calibration = Trimmed(t.KelvinPerCount);
    double kelvinPerCount = 0.0;
    if (!calibration.empty()) {
        if (!ReadDecimal(calibration, kelvinPerCount) || !(kelvinPerCount > 0.0) ||
            kelvinPerCount > MaxKelvinPerCount) {
            check.Field = TSiteField::KelvinPerCount;
            check.Error = "Kelvin per count must be a number above 0 (or empty when the signal "
                          "is not calibrated).";
            return check;
        }
        site.KelvinPerCount = kelvinPerCount;
    }
    check.Site = site;
    return check;
}

std::string ParseSiteOption(const std::string& text, TSiteOption& site) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (parts.size() < 2 || parts.size() > 3)
        return "--site needs LAT,LONG or LAT,LONG,ELEV (for example 54.148,-2.295,200), not '" +
               text + "'";
    double latitude = 0.0, longitude = 0.0, height = 0.0;
    if (!ReadDecimal(parts[0], latitude) || std::fabs(latitude) > 90.0)
        return "--site latitude must be decimal degrees from -90 to 90 (negative south), not '" +
               parts[0] + "'";
    if (!ReadDecimal(parts[1], longitude) || std::fabs(longitude) > 180.0)
        return "--site longitude must be decimal degrees from -180 to 180 (negative west), "
               "not '" +
               parts[1] + "'";
    // Compared after rounding: 10000.4 m is stored as 10000.
    if (parts.size() == 3 &&
        (!ReadDecimal(parts[2], height) || std::round(height) < MinSiteHeight ||
         std::round(height) > MaxSiteHeight))
        return "--site elevation must be metres from " + std::to_string(MinSiteHeight) + " to " +
               std::to_string(MaxSiteHeight) + ", not '" + parts[2] + "'";
    site.Latitude = SiteAngleOf(latitude);
    site.Longitude = SiteAngleOf(longitude);
    site.Height = parts.size() == 3 ? std::optional<int>(static_cast<int>(std::lround(height)))
                                    : std::nullopt;
    return std::string();
}

TStationSettings WithSiteOption(TStationSettings settings, const TSiteOption& option) {
    TSite site = SiteOf(settings);
    site.Latitude = option.Latitude;
    site.Longitude = option.Longitude;
    if (option.Height)
        site.Height = *option.Height;
    return WithSite(settings, site);
}

std::vector<TIniEdit> SiteEdits(const TSite& site, bool clearCalibration) {
    const auto number = [](int value) { return QByteArray::number(value); };
    std::vector<TIniEdit> edits = {
        {QStringLiteral("Latitude"), QStringLiteral("Degrees"), StoredDegrees(site.Latitude)},
        {QStringLiteral("Latitude"), QStringLiteral("Minutes"), number(site.Latitude.Minutes)},
        {QStringLiteral("Latitude"), QStringLiteral("Seconds"), number(site.Latitude.Seconds)},
        {QStringLiteral("Longitude"), QStringLiteral("Degrees"), StoredDegrees(site.Longitude)},
        {QStringLiteral("Longitude"), QStringLiteral("Minutes"), number(site.Longitude.Minutes)},
        {QStringLiteral("Longitude"), QStringLiteral("Seconds"), number(site.Longitude.Seconds)},
        {QStringLiteral("Position"), QStringLiteral("Height"), number(site.Height)},
        {QStringLiteral("Calculations"), QStringLiteral("Equinox"),
         site.J1950 ? QByteArray("J1950") : QByteArray("J2000")},
    };
    if (site.KelvinPerCount || clearCalibration)
        edits.push_back({QStringLiteral("Calibration"), QStringLiteral("KelvinPerCount"),
                         site.KelvinPerCount
                             ? QByteArray::fromStdString(CalibrationText(*site.KelvinPerCount))
                             : QByteArray()});
    return edits;
}

std::string WriteSite(const TSite& site) {
    // Not through QSettings: it writes the whole file anew, and the control program would find
    // its comments gone, "[Com Ports]" as "[Com%20Ports]" and "C:\logs\scan" as "C:ogscan".
    // A calibration removed in the dialog is written empty, which reads back as none; a store
    // that never had one gets no line for it.
    const bool clear = !site.KelvinPerCount && TStationSettings::Read().KelvinPerCount;
    const std::string error =
        EditSettingsFile(SettingsFilePath(QStringLiteral("Tovrel")), SiteEdits(site, clear));
    return error.empty() ? error : "The station settings were not saved: " + error + ".";
}
