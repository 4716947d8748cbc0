// Siteunit: the station's site (latitude, longitude, elevation) and equinox, as File > Station
// settings edits them and kelvane-batch --site gives them: read from texts, checked, and
// written into the station settings store that the telescope-control program shares.
//
// Signs: latitude negative south, longitude negative west (east positive), as the store keeps
// them. The store holds whole degrees, minutes and seconds with the sign on the degrees; a site
// less than 1 degree south or west has its degrees stored as the text "-0" (settings/Globalunit.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

class TStationSettings;
struct TIniEdit;

// Bounds of the site's elevation, metres: the Dead Sea shore to above any observatory.
constexpr int MinSiteHeight = -500;
constexpr int MaxSiteHeight = 10000;

// One angle of the site in whole parts, as the store keeps it.
struct TSiteAngle {
    bool Negative = false; // south or west; never set for 0 deg 0' 0"
    int Degrees = 0;       // without sign
    int Minutes = 0;       // 0..59
    int Seconds = 0;       // 0..59
    // Signed decimal degrees.
    double Value() const;
};
bool operator==(const TSiteAngle& a, const TSiteAngle& b);

// The nearest whole second to degrees (signed), carried into minutes and degrees.
TSiteAngle SiteAngleOf(double degrees);

struct TSite {
    TSiteAngle Latitude;  // negative south
    TSiteAngle Longitude; // negative west
    int Height = 200;     // metres above sea level
    bool J1950 = false;   // equinox J1950 (the 1950 constants), else J2000
    // The receiver's calibration, kelvin per signal unit (TStationSettings::KelvinPerCount);
    // kept with the site as the station dialog edits both.
    std::optional<double> KelvinPerCount;
};
bool operator==(const TSite& a, const TSite& b);

// The site and equinox the settings hold.
TSite SiteOf(const TStationSettings& settings);
// settings with the site and equinox of site; every other field as it was.
TStationSettings WithSite(TStationSettings settings, const TSite& site);

// The fields of the station settings dialog, in its order.
enum class TSiteField {
    LatDegrees,
    LatMinutes,
    LatSeconds,
    LongDegrees,
    LongMinutes,
    LongSeconds,
    Height,
    Equinox,
    KelvinPerCount,
};

// The dialog's texts: unsigned parts with the hemisphere chosen apart.
struct TSiteTexts {
    std::string LatDegrees, LatMinutes, LatSeconds;
    bool South = false;
    std::string LongDegrees, LongMinutes, LongSeconds;
    bool West = false;
    std::string Height;
    std::string Equinox;        // "J2000" or "J1950"
    std::string KelvinPerCount; // "" for none
};

// The texts that show site.
TSiteTexts SiteTexts(const TSite& site);

struct TSiteCheck {
    std::optional<TSite> Site;                 // when every text is valid
    TSiteField Field = TSiteField::LatDegrees; // else the first field at fault
    std::string Error;                         // and why, naming the field
};

// Reads and checks the dialog's texts (blanks around a number allowed):
// - degrees whole numbers, 0..90 of latitude and 0..180 of longitude, and the whole angle at
//   most 90 deg or 180 deg; minutes and seconds whole numbers 0..59, empty counting as 0;
// - elevation a whole number of metres, MinSiteHeight..MaxSiteHeight;
// - equinox "J2000" or "J1950";
// - kelvin per count empty (none) or a decimal number above 0 and at most MaxKelvinPerCount.
TSiteCheck CheckSite(const TSiteTexts& texts);

// The site of kelvane-batch --site LAT,LONG[,ELEV]: decimal degrees (negative south and west),
// rounded to the nearest whole second as the store holds them; elevation in metres, rounded to
// the nearest metre, or none to keep the station's.
struct TSiteOption {
    TSiteAngle Latitude, Longitude;
    std::optional<int> Height;
};

// Reads text into site. Returned: empty, or the error (one line, naming --site).
std::string ParseSiteOption(const std::string& text, TSiteOption& site);

// settings with the site of option; the equinox and every other field as they were.
TStationSettings WithSiteOption(TStationSettings settings, const TSiteOption& option);

// The site's eight values as edits of the store's file (settings/Iniunit.h): latitude and
// longitude degrees, minutes and seconds, the elevation and the equinox text, each under the
// section and name the reader (settings/Globalunit.h) reads it from; then the calibration when
// the site has one, or an empty one when clearCalibration (to remove one stored).
std::vector<TIniEdit> SiteEdits(const TSite& site, bool clearCalibration = false);

// Writes the site's values into the file of the per-user store of "Fernhollow"/"Tovrel", which
// the telescope-control program reads as well: only their lines change, every other byte of
// the file stays (EditSettingsFile). Returned: empty, or the error (the file is then as it
// was): its file is no regular file of bounded size (see OpenSettings), or it could not be
// written (a full disk, a read-only file).
std::string WriteSite(const TSite& site);
