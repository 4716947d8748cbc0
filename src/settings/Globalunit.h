// Globalunit: the station settings of the telescope suite, kept by the control program Tovrel
// in the per-user settings store under "Fernhollow"/"Tovrel" and read once at start-up.
//
// Of the values this program uses only the site position (LatDegrees .. LongSeconds), the site
// height, the equinox (EquinoxSelector) and the calibration (KelvinPerCount); the rest are read
// because the suite's programs share this record. It writes only the site, the equinox and the
// calibration, when the user changes them in File > Station settings (settings/Siteunit.h).
//
// Reading rules: a missing value gives its default. A value whose stored type cannot be read
// as the field's type gives the default as well: an integer field takes only a whole number
// (text such as "abc" or "12.5" gives the default), a real field any number, a boolean field
// a whole number (non-zero is true) or the text "true"/"false" in any case, a text field any
// single value or a list (joined with ", "). The site's values outside their range give the
// default too: degrees -90..90 of latitude and -180..180 of longitude, minutes and seconds
// 0..59, height -500..10000 metres. The site is then checked as a whole as File > Station
// settings checks it (CheckSite of settings/Siteunit.h): a latitude over 90 deg or a longitude
// over 180 deg (90 deg 59' 59") gives that angle's three defaults together. Nothing is
// reported: the values are the control program's, and Kelvane starts with the default site as
// it does for a missing one.
//
// Minutes and seconds take the sign of the degrees, so whole-number degrees alone could not
// give a site less than 1 degree south or west (-0 deg 17' 41"): such degrees are stored as the
// text "-0", which a reader of whole numbers takes for 0, and which LatMinusZero and
// LongMinusZero record here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class QSettings;

// The largest calibration taken, kelvin per signal unit: far beyond any receiver's, it keeps a
// slip (a value in millikelvin) from giving column densities.
constexpr double MaxKelvinPerCount = 1e6;

// Velocity of the local standard of rest, km/s.
struct TLsrVelocity {
    double U = 7.5;
    double V = 13.5;
    double W = 6.8;
};

class TStationSettings {
public:
    // Builds the settings from a store (values relative to the store's current group, which
    // is normally none), every value in the order the control program writes them.
    static TStationSettings Load(QSettings& store);
    // The settings in the per-user store of "Fernhollow"/"Tovrel", read afresh; all defaults
    // when its file is no regular file of bounded size (see OpenSettings).
    static TStationSettings Read();

    // Section, value name and default in the comments; the defaults are the initial values.
    std::string TelescopeName = "Radio Telescope"; // "Telescope" / "Name"
    std::int32_t MotorPort = -1;                   // "Com Ports" / "Motor"
    std::int32_t ReceiverPort = -1;                // "Com Ports" / "Receiver"
    double AzRate = 8.1;                           // "Azimuth" / "AzRate"
    std::int32_t AzMin = 140;                      // "Azimuth" / "Min", degrees
    std::int32_t AzMax = 350;                      // "Azimuth" / "Max", degrees
    double AzOverrun = 0.05;                       // "Azimuth" / "Overrun"
    std::int32_t AzCorrection = 0;                 // "Azimuth" / "Correction"
    std::int32_t AltMin = 10;                      // "Altitude" / "Min", degrees
    std::int32_t AltMax = 92;                      // "Altitude" / "Max", degrees
    double AltRate = 6.7;                          // "Altitude" / "AltRate"
    double AltOverrun = 0.05;                      // "Altitude" / "Overrun"
    std::int32_t AltCorrection = 0;                // "Altitude" / "Correction"
    double RaDiff = 0.133333333333333;             // "ChooseSource" / "Ra Diff"
    double DecDiff = 2.0;                          // "ChooseSource" / "Dec Diff"
    std::int32_t MotorAzimuth = 16748;             // "Motor" / "Azimuth"
    std::int32_t MotorAltitude = 5916;             // "Motor" / "Altitude"
    std::int32_t MotorDelay = 20;                  // "Motor" / "Delay"
    std::int32_t LatDegrees = 54;                  // "Latitude" / "Degrees", site latitude
    std::int32_t LatMinutes = 8;                   // "Latitude" / "Minutes"
    std::int32_t LatSeconds = 54;                  // "Latitude" / "Seconds"
    std::int32_t LongDegrees = -2;                 // "Longitude" / "Degrees", negative west
    std::int32_t LongMinutes = 17;                 // "Longitude" / "Minutes"
    std::int32_t LongSeconds = 41;                 // "Longitude" / "Seconds"
    // The degrees were stored as "-0": the angle is negative though its degrees are 0.
    bool LatMinusZero = false;
    bool LongMinusZero = false;
    std::int32_t Height = 200;        // "Position" / "Height", metres
    std::int32_t Temperature = 10;    // "Position" / "Temperature"
    std::int32_t Pressure = 990;      // "Position" / "Pressure"
    double Refraction = 0.5667;       // "Position" / "Refraction"
    std::string LogPrefix = "Tovrel"; // "Log file" / "Prefix"
    bool Sparse = true;               // "Log file" / "Sparse"
    // "Calculations" / "Equinox" (text, default "J2000"): 0 for exactly "J1950", else 1.
    std::int32_t EquinoxSelector = 1;
    TLsrVelocity LsrVelocity; // "LSR" / "U", "V", "W"
    // "Calibration" / "KelvinPerCount" (real): kelvin of brightness temperature per unit of the
    // receiver's signal, for the column density. None when missing, empty, not a number, or
    // not above 0 and at most MaxKelvinPerCount: the signal is then not in kelvin.
    std::optional<double> KelvinPerCount;
};
