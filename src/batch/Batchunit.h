// Batchunit: one spectrum file taken through the window's steps without a window, and the row
// it gives in the survey summary.
//
// The steps are the window's own session steps (session/Sessionunit.h), in the window's order:
// Read, the details as a fresh dialog shows them (DetailsShown of TDetailsState::Create, then
// any position typed), ApplyDetails as OK applies them, SelectAxis, the fit outside the typed
// windows as the session's bands (FitOutsideBands; or the line window's own fit) and Subtract,
// Smooth when asked, and Save as's header and text (SaveHeader, SavedText); then the line's
// measures with its column density, and the Gaussian components (FitComponents) when asked. So the
// text is byte for byte what the window saves after the same steps.
//
// One difference from the window: the window fits the samples outside a band dragged over the
// plot, chosen by pixel column; here the samples are chosen by their value on the axis, outside
// the given line windows. Both leave out samples whose signal is exactly 0.
//
// ProcessSpectrum gives each file a session of its own (session/Sessionunit.h), as a freshly
// started program holds it: a file's result never depends on the file before it, and several
// files may be processed at once, one per thread.
#pragma once

#include "batch/Batchoptions.h"
#include "fits/Fitsunit.h"
#include "numeric/Gaussfitunit.h"
#include "session/Linemeasureunit.h"

#include <optional>
#include <string>
#include <vector>

class TDetailsState;
class TStationSettings;

// What a run does to every file.
struct TBatchSettings {
    // The line windows typed (--fit-outside LO:HI); none: the line window is found in each
    // file's own spectrum (FindLineWindow).
    std::vector<TLineWindow> Windows;
    int Terms = 4;
    int Mode = ModeVelocityMinusVlsr;
    TPositionSource Position = TPositionSource::FileName;
    std::array<std::string, 6> PositionTexts; // see TBatchOptions
    double Dispersion = 8.0;             // km/s, the gas's velocity dispersion at the tangent point
    bool AutoTerms = false;              // Terms is a ceiling: as many as the data support
    std::optional<TSmoothing> Smoothing; // after the subtraction; none: not smoothed
    int Gaussians = 0;                   // components fitted: 0 none, -1 auto
};

// Types the position of settings (--galactic or --equatorial) into the details' fields, as a
// user types it into the dialog; each field's change converts as the dialog does.
void TypePosition(TDetailsState& details, const TBatchSettings& settings);

// A file's row of the survey summary. Fields that are not known stay empty.
struct TSummaryRow {
    std::string File;                                // as given on the command line
    std::string TimeUtc;                             // ISO 8601, e.g. 2024-03-15T21:40:05Z
    std::optional<double> GalLatitude, GalLongitude; // degrees, -90..90 and 0..360
    std::optional<double> RaHours, Declination;      // hours 0..24, degrees -90..90
    std::optional<double> Vlsr;                      // km/s
    std::optional<double> Correlation;
    std::vector<double> Coefficients; // lowest power first; empty before the fit
    TLineMeasures Line;
    std::optional<TGaussFit> Components; // with --gaussians
    std::string Error;                   // empty for a file that succeeded
};

// The outcome of one file.
struct TSpectrumResult {
    bool Ok = false;
    TSummaryRow Row;                // Row.Error holds the reason when !Ok
    std::string SavedText;          // the saved file's text
    std::string FileName;           // the name without folder, as the graph shows it
    std::string Title;              // the graph's title line
    std::vector<double> X, Signal;  // the spectrum as saved, on the chosen axis
    std::vector<double> Velocities; // km/s, velocity minus VLSR of each channel, whatever the axis
    TFitsSpectrum Fits;             // what its FITS file holds (with the line windows)
};

// Takes one file through the steps above. Never throws for a problem of the file: a reader
// failure gives its exact text (with the system's reason after "Unable to open <name>: "), a failed
// fit the fit's messages ("PolyFit called with less than two points"), a position that cannot be
// found says so.
TSpectrumResult ProcessSpectrum(const std::string& path, const TBatchSettings& settings,
                                const TStationSettings& station);

// The summary's header row and a file's row, RFC 4180 fields separated by commas, without the
// line end. There is one coefficient column per term (a0, a1, ...); components adds the
// columns of --gaussians (the components kept and dropped) before the error.
std::string SummaryHeader(int terms, bool components = false);
std::string SummaryLine(const TSummaryRow& row, int terms, bool components = false);

// components.csv: its header row, and a file's rows (each without its line end): one per
// component kept, then one per component dropped with the reason, or one "failed" row with
// why the fit failed; none for a file without a fit.
std::string ComponentsHeader();
std::vector<std::string> ComponentLines(const TSummaryRow& row);

// A text field quoted as RFC 4180 asks: in double quotes, with inner quotes doubled, when it
// holds a comma, a double quote, a carriage return or a line feed; unchanged otherwise. A text
// that begins with =, +, -, @, a tab or a carriage return, which a spreadsheet would take for a
// formula, gets an apostrophe before it and is quoted ("'=cmd"). Numbers never come here.
std::string CsvField(const std::string& text);

// A number with the fewest digits that read back as the same double ("0.1", "-27.852", "1e-07").
std::string ExactNumberText(double value);

// An observation instant (days since 30 December 1899) in ISO 8601 with a Z: the reader's time
// is Universal Time.
std::string IsoTimeText(double instant);

// The output name of an input file: its name without folder and without its last extension
// ("Data/G5.30_m120.15.dat" gives "G5.30_m120.15").
std::string OutputStem(const std::string& path);
