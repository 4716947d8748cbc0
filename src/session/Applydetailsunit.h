// Applydetailsunit: what OK in the details dialog applies, as plain values.
//
// ComputeAppliedDetails turns the dialog's state and the observation's instant into the side
// panel's texts and the VLSR with its terms (VlsrTermsText), or the reason the details cannot
// be applied (a field that is not a number); the window, the batch and the average show or
// record what it returns.
//
// Nothing here changes the session: the VLSR and the velocity-minus-VLSR axis are the caller's
// to set.
#pragma once

#include "data/Spectrumunit.h"
#include "session/Detailsstate.h"

#include <QLocale>
#include <cstdint>
#include <string>

// Day of the year, 1 on 1 January: the lengths of the months before month (31, 28, 31, 30,
// 31, 30, 31, 31, 30, 31, 30, 31) plus day, plus 1 after February when year is divisible by 4.
// There is no century rule, so 1900 and 2100 count as leap years; the count is exact for
// 1901..2099.
// Given:    year, month 1..12, day 1..31 (a month outside 1..12 counts as 12)
// Returned: 1..366
std::int32_t DayOfYear(std::uint16_t year, std::uint16_t month, std::uint16_t day);

// An observation instant (days since 30 December 1899 plus the fraction of the day) as the
// locale's short date, a blank and its long time, without a time-zone name (the instant is the
// file's Universal Time, not the computer's zone). Milliseconds are not shown.
std::string FileTimeText(double instant, const QLocale& locale = QLocale());

// The site elevations and epochs the correction accepts. Elevations span the lowest dry land
// to above any radio observatory; epochs the span over which the 1950 and 2000 precession
// constants hold to a fraction of a km/s. Outside them a typed value is a slip of the keyboard
// (1e308, say, turns the VLSR into NaN or into billions of km/s), and is refused as a text
// that is not a number is.
constexpr double MinElevation = -500.0; // metres
constexpr double MaxElevation = 10000.0;
constexpr double MinEpoch = 1900.0; // years
constexpr double MaxEpoch = 2100.0;

// A typed elevation (metres) or epoch (years): true with the value when the text is a number
// within the range above; otherwise false with the error to show, naming the text, e.g.
// 'abc' is not a valid floating point value
// '1e30' is not a valid elevation (-500 to 10000 m)
bool ParseElevation(const std::string& text, double& metres, std::string& error,
                    const QLocale& locale = QLocale());
bool ParseEpoch(const std::string& text, double& years, std::string& error,
                const QLocale& locale = QLocale());

struct TAppliedDetails {
    // False when edElev or edEpoch is not a number in its range, or the VLSR comes out not
    // finite; then only FileTimeText and Error are set and nothing else may be applied.
    bool Applied = false;
    std::string Error; // the conversion error naming the offending text

    // The side panel.
    std::string FileTimeText; // lblFiletime, always set
    std::string RaText;       // lblRa:    right ascension, e.g. 19 hrs 59' 28"
    std::string DecText;      // lblDec:   declination, signed
    std::string GlatText;     // lblGlat:  galactic latitude, signed
    std::string GlongText;    // lblGlong: galactic longitude, 0..360
    std::string LatText;      // lblLat:   site latitude, signed
    std::string LongText;     // lblLong:  site longitude, signed, positive east as the
                              //           station settings hold it
    std::string ElevText;     // lblElev:  the elevation as a number text

    // Inputs of the correction as used.
    int Year = 0;
    int DayOfYear = 0;
    double Hours = 0.0;     // UT, hour + minute/60 + second/3600 (milliseconds dropped)
    double Elevation = 0.0; // metres
    double Epoch = 0.0;     // years

    // The correction (km/s), each term negative when the observer moves towards the source.
    double Vlsr = 0.0;
    std::string VlsrText; // edVlsr: general number text, up to 15 significant digits
    double VSun = 0.0;    // the Sun's motion towards the solar apex
    double VOrbit = 0.0;  // the Earth's orbital motion
    double VMoon = 0.0;   // the Earth about the Earth-Moon barycentre
    double VRot = 0.0;    // the Earth's rotation at the site
    double Lst = 0.0;     // local sidereal time of the site, turns in [0, 1)
};

// Everything OK in the details dialog applies, in the order the main window applies it: the
// file time; the elevation text (a failure stops here); the epoch text (a failure stops
// here); the side-panel texts; the VLSR for the observation instant, the source position
// (RightAscension, Declination at the epoch) and the site (SiteLatitude, SiteLongitude,
// elevation), with the standard solar motion of 20 km/s towards RA 18 h, Dec +30 deg.
// Given:    instant         observation time, Universal Time, as FileDate + FileTime
//           state           the details dialog's state
//           elevationText   metres, as typed in edElev
//           epochText       years, as typed in edEpoch
//           locale          for the file-time text and the number conversion
// Returned: the record above
TAppliedDetails ComputeAppliedDetails(double instant, const TDetailsState& state,
                                      const std::string& elevationText,
                                      const std::string& epochText,
                                      const QLocale& locale = QLocale());

// The same with the elevation and epoch texts the state holds (edElev, edEpoch).
TAppliedDetails ComputeAppliedDetails(double instant, const TDetailsState& state,
                                      const QLocale& locale = QLocale());

// The VLSR broken into its terms for a tool tip or the status bar, one line, e.g.
// VLSR -27.853 km/s: solar motion -17.907, Earth orbit -10.124, Earth-Moon -0.001, Earth
// rotation +0.180 km/s; local sidereal time 0 h 05 m 29 s
// Empty when nothing was applied.
std::string VlsrTermsText(const TAppliedDetails& details);
