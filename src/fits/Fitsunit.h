// Fitsunit: what a FITS file of a spectrum holds, worked out as plain values: the header's
// cards, the data of the image and the description of its spectral axis. Fitswriteunit.h turns
// such an image into the bytes of a file; nothing here needs the FITS library, so every
// decision is testable on its own.
//
// A spectrum is a one-dimensional image of 400 doubles, the signal as displayed (baseline
// subtracted when it was), a missing channel (signal exactly 0) as NaN. Its axis is the one
// shown, in absolute SI values: FREQ (Hz), WAVE (m, vacuum) or VOPT (m/s). The velocities are
// the program's own, c (lambda - RestWavelength) / RestWavelength: the optical convention with
// RESTWAV, not the radio one, so they are written as VOPT, which a FITS reader converts back to
// the channel frequencies exactly; labelled VRAD they would be off by up to 0.2 km/s.
//
// An axis linear in the pixel within 1e-9 of every value is written as CRVAL/CDELT/CRPIX; any
// other is written exactly as a lookup table (-TAB, FITS WCS Paper III): a binary-table
// extension "WCS-TAB" holding every pixel's value in the column "COORDS".
#pragma once

#include "data/Saveunit.h"
#include "numeric/Linewindowunit.h"

#include <QLocale>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class TDetailsState;
class TStationSettings;
class TSession;

// One header card. Key "COMMENT" or "HISTORY" gives a commentary card whose text is the value.
struct TFitsCard {
    std::string Key;
    std::variant<std::string, double, long long, bool> Value;
    std::string Comment;
};

// The -TAB table of an axis: one row, the column Column holding Values.
struct TFitsTable {
    std::string ExtName = "WCS-TAB";
    std::string Column = "COORDS";
    std::vector<double> Values;
};

// An image HDU: the axis lengths (first fastest), the data in that order, the cards after the
// ones the layout needs (SIMPLE, BITPIX, NAXISn, EXTEND), and the table of a -TAB axis.
struct TFitsImage {
    std::vector<long> Axes;
    std::vector<double> Data;
    std::vector<TFitsCard> Cards;
    std::optional<TFitsTable> Table;
};

// The spectral axis of a display mode, as FITS describes it.
struct TFitsAxis {
    std::string Type, Unit;                       // "FREQ" "Hz", "WAVE" "m" or "VOPT" "m/s"
    std::vector<double> World;                    // every pixel's value in Unit, pixel 1 first
    bool Tabulated = false;                       // written as -TAB (World is the table)
    double Crpix = 1.0, Crval = 0.0, Cdelt = 1.0; // the line, when not tabulated
    double Deviation = 0.0; // largest |World - line| / |World| over the pixels
};

// Largest relative deviation of a linear axis that is still written as one.
constexpr double FitsLinearTolerance = 1e-9;

// The axis of a display mode.
// Given:    mode  ModeFrequency .. ModeVelocityMinusVlsr (the axis shown)
//           x     the saved file's x column: Hz from RestFrequency, m from RestWavelength, km/s
// Returned: the absolute values in SI units and the least-squares line through them (reference
//           pixel at the middle); Tabulated when that line misses a value by more than
//           FitsLinearTolerance of it. Wavelengths and velocities go as 1/f; even the
//           receiver's frequencies, 5 kHz steps written down to six digits (channel 0's
//           -1000001.77 Hz as -1000000), lie 1.4e-9 off their line: all are tabulated.
TFitsAxis FitsSpectralAxis(int mode, const std::vector<double>& x);

// Everything a spectrum's file is made from.
struct TFitsSpectrum {
    TSaveHeader Saved;             // the saved text file's header: the values both files share
    int Mode = 0;                  // the axis shown
    std::vector<double> X, Signal; // as saved (the saved file's x column and signal)
    double Instant = 0.0;          // of the observation, days since 30 December 1899, UT
    bool VlsrKnown = false;        // Saved.Vlsr was computed for this spectrum
    double RaDegrees = 0.0, DecDegrees = 0.0;       // applied details, equinox below
    double GLonDegrees = 0.0, GLatDegrees = 0.0;    // applied details
    int EquinoxSet = 1;                             // 0: B1950 (FK4), 1: J2000 (FK5)
    double SiteLatitude = 0.0, SiteLongitude = 0.0; // degrees, signed, east positive
    std::string Telescope;
    std::vector<TAxisRange> LineWindows; // left out of the baseline fit, in x's unit
};

// The spectrum's file as the window or the batch has it.
// Given:    session      the spectrum, its axis, fit, subtractions and VLSR
//           dialog       the details dialog's state (TSession::DetailsOfSpectrum)
//           description  the graph's title line
//           mode         the axis shown (session.XValues)
//           station      for the telescope's name
// Returned: TSession::SaveHeader's record with the spectrum, and the stretches the standing
//           subtraction's fit left out (TSession::FittedOutside) as its line windows. Throws as
//           SaveHeader.
TFitsSpectrum FitsSpectrumOf(const TSession& session, const TDetailsState& dialog,
                             const std::string& description, int mode,
                             const TStationSettings& station, const QLocale& locale = QLocale());

// The image of a spectrum: data, WCS and the cards described at the top.
TFitsImage FitsSpectrumImage(const TFitsSpectrum& spectrum);

// An observation instant as FITS DATE-OBS: "2024-03-15T21:40:05.000" (UT).
std::string FitsDateText(double instant);

// The cards every file of the program carries: ORIGIN, RESTFRQ and RESTWAV.
std::vector<TFitsCard> FitsCommonCards();
