#include "fits/Fitsunit.h"

#include "about/Versionunit.h"
#include "data/Datetimeunit.h"
#include "data/Spectrumunit.h"
#include "session/Detailsstate.h"
#include "session/Sessionunit.h"
#include "settings/Globalunit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// An angle of the 0..360 form as a signed one, -180..180.
double SignedDegreesOf(double degrees) {
    return degrees > 180.0 ? degrees - 360.0 : degrees;
}

// The number with all the digits that read back as the same double.
std::string FullText(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// What the fit's x is, for the history: the saved file's x column.
const char* XUnitOf(int mode) {
    switch (mode) {
    case ModeFrequency:
        return "Hz from RESTFRQ";
    case ModeWavelength:
        return "m from RESTWAV";
    default:
        return "km/s";
    }
}

// A file name without its last extension ("G0_30.0.dat" gives "G0_30.0").
std::string StemOf(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

using TFitsValue = decltype(TFitsCard::Value);

void AddCard(std::vector<TFitsCard>& cards, const std::string& key, TFitsValue value,
             const std::string& comment = {}) {
    cards.push_back(TFitsCard{key, std::move(value), comment});
}

void AddText(std::vector<TFitsCard>& cards, const std::string& key, const std::string& text) {
    cards.push_back(TFitsCard{key, text, {}});
}

// The spectral axis's WCS cards.
void AddAxisCards(std::vector<TFitsCard>& cards, const TFitsAxis& axis) {
    if (axis.Tabulated) {
        // Pixel p is row p of the table: psi = CRVAL + CDELT (p - CRPIX) = p.
        AddCard(cards, "CTYPE1", axis.Type + "-TAB", "tabulated: the axis is not linear");
        AddCard(cards, "CUNIT1", axis.Unit);
        AddCard(cards, "CRPIX1", 1.0);
        AddCard(cards, "CRVAL1", 1.0, "table index of pixel 1");
        AddCard(cards, "CDELT1", 1.0);
        AddCard(cards, "PS1_0", std::string("WCS-TAB"), "extension with the axis's values");
        AddCard(cards, "PS1_1", std::string("COORDS"), "column with the axis's values");
    } else {
        AddCard(cards, "CTYPE1", axis.Type);
        AddCard(cards, "CUNIT1", axis.Unit);
        AddCard(cards, "CRPIX1", axis.Crpix);
        AddCard(cards, "CRVAL1", axis.Crval);
        AddCard(cards, "CDELT1", axis.Cdelt);
    }
}

} // namespace

TFitsAxis FitsSpectralAxis(int mode, const std::vector<double>& x) {
    TFitsAxis axis;
    double scale = 1.0;
    switch (mode) {
    case ModeFrequency:
        axis.Type = "FREQ";
        axis.Unit = "Hz";
        break;
    case ModeWavelength:
        axis.Type = "WAVE";
        axis.Unit = "m";
        break;
    default:
        axis.Type = "VOPT";
        axis.Unit = "m/s";
        scale = 1000.0;
        break;
    }
    axis.World.reserve(x.size());
    for (double value : x)
        axis.World.push_back(ToAbsolute(value, mode) * scale);
    const std::size_t n = axis.World.size();
    if (n == 0) {
        axis.Tabulated = true;
        return axis;
    }
    // The least-squares line about the middle pixel, where it is best conditioned.
    const double middle = (static_cast<double>(n) + 1.0) / 2.0;
    double mean = 0.0;
    for (double w : axis.World)
        mean += w / static_cast<double>(n);
    double sxy = 0.0, sxx = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double p = static_cast<double>(i + 1) - middle;
        sxy += p * (axis.World[i] - mean);
        sxx += p * p;
    }
    axis.Crpix = middle;
    axis.Crval = mean;
    axis.Cdelt = sxx > 0.0 ? sxy / sxx : 1.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double line = axis.Crval + axis.Cdelt * (static_cast<double>(i + 1) - middle);
        const double off = std::fabs(axis.World[i] - line);
        const double deviation = axis.World[i] != 0.0
                                     ? off / std::fabs(axis.World[i])
                                     : (off == 0.0 ? 0.0 : std::numeric_limits<double>::infinity());
        axis.Deviation = std::max(axis.Deviation, deviation);
    }
    axis.Tabulated = !(axis.Deviation <= FitsLinearTolerance) || n < 2;
    return axis;
}

TFitsSpectrum FitsSpectrumOf(const TSession& session, const TDetailsState& dialog,
                             const std::string& description, int mode,
                             const TStationSettings& station, const QLocale& locale) {
    const TDetailsState& details = session.DetailsOfSpectrum(dialog);
    TFitsSpectrum s;
    s.Saved = session.SaveHeader(dialog, description, locale);
    s.Mode = mode;
    s.X = session.XValues();
    s.Signal = session.Signal();
    s.Instant = session.Instant();
    s.VlsrKnown = session.VlsrForSpectrum();
    s.RaDegrees = details.RightAscension().GetValue();
    s.DecDegrees = SignedDegreesOf(details.Declination().Value);
    s.GLonDegrees = details.GalLongitude().Value;
    s.GLatDegrees = SignedDegreesOf(details.GalLatitude().Value);
    s.EquinoxSet = details.EquinoxSet();
    s.SiteLatitude = SignedDegreesOf(details.SiteLatitude().Value);
    s.SiteLongitude = SignedDegreesOf(details.SiteLongitude().Value);
    s.Telescope = station.TelescopeName;
    s.LineWindows = session.FittedOutside();
    return s;
}

std::string FitsDateText(double instant) {
    const TDateParts p = DecodeDateTime(instant);
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03u", unsigned{p.Year},
                  unsigned{p.Month}, unsigned{p.Day}, unsigned{p.Hour}, unsigned{p.Minute},
                  unsigned{p.Second}, unsigned{p.Millisecond});
    return text;
}

std::vector<TFitsCard> FitsCommonCards() {
    std::vector<TFitsCard> cards;
    AddCard(cards, "ORIGIN",
            std::string(KelvaneVersion::ProductName) + " " + KelvaneVersion::ProductVersion,
            "program that wrote the file");
    AddCard(cards, "RESTFRQ", RestFrequency, "[Hz] rest frequency of the HI line");
    AddCard(cards, "RESTWAV", RestWavelength, "[m] rest wavelength of the velocities");
    return cards;
}

TFitsImage FitsSpectrumImage(const TFitsSpectrum& s) {
    TFitsImage image;
    const std::size_t n = std::min(s.X.size(), s.Signal.size());
    const std::vector<double> x(s.X.begin(), s.X.begin() + static_cast<long>(n));
    image.Axes = {static_cast<long>(n)};
    long missing = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const bool blank = s.Signal[i] == 0.0;
        missing += blank ? 1 : 0;
        image.Data.push_back(blank ? std::numeric_limits<double>::quiet_NaN() : s.Signal[i]);
    }
    const TFitsAxis axis = FitsSpectralAxis(s.Mode, x);
    auto& c = image.Cards;
    AddCard(c, "BUNIT", std::string("count"), "receiver output, uncalibrated");
    AddAxisCards(c, axis);
    if (axis.Tabulated)
        image.Table = TFitsTable{"WCS-TAB", "COORDS", axis.World};
    const bool lsr = s.Mode == ModeVelocityMinusVlsr;
    AddCard(c, "SPECSYS", std::string(lsr ? "LSRK" : "TOPOCENT"), "frame of the spectral axis");
    AddCard(c, "SSYSOBS", std::string("TOPOCENT"), "frame of the observer");
    if (lsr)
        AddCard(c, "VELOSYS", s.Saved.Vlsr * 1000.0, "[m/s] the VLSR");
    if (s.VlsrKnown)
        AddCard(c, "VLSR", s.Saved.Vlsr, "[km/s] the VLSR, as saved");
    for (const TFitsCard& card : FitsCommonCards())
        c.push_back(card);
    AddCard(c, "OBJECT", StemOf(s.Saved.FileName), "the spectrum file's name");
    AddCard(c, "FILENAME", s.Saved.FileName, "spectrum file read");
    AddCard(c, "TELESCOP", s.Telescope);
    // UTC, the standard's default time scale: no TIMESYS, which astropy 5.2 cannot read.
    AddCard(c, "DATE-OBS", FitsDateText(s.Instant), "[UTC] time of the observation");
    AddCard(c, "OBSGEO-B", s.SiteLatitude, "[deg] site latitude");
    AddCard(c, "OBSGEO-L", s.SiteLongitude, "[deg] site longitude, east positive");
    AddCard(c, "OBSGEO-H", s.Saved.Elevation, "[m] site elevation");
    AddCard(c, "RADESYS", std::string(s.EquinoxSet == 0 ? "FK4" : "FK5"));
    AddCard(c, "EQUINOX", s.EquinoxSet == 0 ? 1950.0 : 2000.0);
    AddCard(c, "RA", s.RaDegrees, "[deg] right ascension of the source");
    AddCard(c, "DEC", s.DecDegrees, "[deg] declination of the source");
    AddCard(c, "GLON", s.GLonDegrees, "[deg] galactic longitude of the source");
    AddCard(c, "GLAT", s.GLatDegrees, "[deg] galactic latitude of the source");
    AddText(c, "COMMENT",
            "Missing channels (signal exactly 0) are NaN: " + std::to_string(missing) + " of " +
                std::to_string(n) + ".");
    if (s.Saved.Corrected && !s.Saved.Coefficients.empty()) {
        const std::size_t terms = s.Saved.Coefficients.size();
        AddText(c, "HISTORY",
                "Baseline subtracted: a0 + a1 x + ... of " + std::to_string(terms) +
                    " terms, x in " + XUnitOf(s.Mode));
        for (std::size_t i = 0; i < terms; ++i)
            AddText(c, "HISTORY",
                    "a" + std::to_string(i) + " = " + FullText(s.Saved.Coefficients[i]));
        AddText(c, "HISTORY", "Correlation = " + FullText(s.Saved.Correlation));
        for (const TAxisRange& window : s.LineWindows)
            AddText(c, "HISTORY",
                    "Fitted outside x = " + FullText(window.Low) + " to " + FullText(window.High));
    }
    return image;
}
