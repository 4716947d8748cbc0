// Batchoptions: the command line of kelvane-batch, read into plain values.
//
//   kelvane-batch [--fit-outside LO:HI [--fit-outside LO:HI ...] | --fit-outside auto]
//                 [--terms N] [--dispersion KMS] [--smooth hanning|boxcar:N|gauss:KMS]
//                 [--gaussians N|auto]
//                 [--axis frequency|wavelength|velocity|vlsr]
//                 [--galactic B,L | --equatorial RA,DEC] [--site LAT,LONG[,ELEV]]
//                 [--out DIR] [--png] [--svg]
//                 [--rotation-curve [--r0 KPC]] [--lv-diagram] [--v0 KMS] [--fits]
//                 [--jobs N] [-q]
//                 [--force]
//                 [--pattern GLOB] [--files-from LIST [-0]] FILE|FOLDER...
//   kelvane-batch --average OUT.txt [--galactic B,L | --equatorial RA,DEC] [-q] [--force]
//                 [--files-from LIST] FILE|FOLDER...
//
// QCommandLineParser reads the command line: an option takes its value as the next argument
// or after '=' (--terms=4), a short one also joined to it (-j4), and short flags may be grouped
// (-qj 4); "--" ends the options. Angles are sexagesimal (19:59:28, -5:30) or decimal (299.87,
// -5.5) and are rounded to the nearest whole second, as the details dialog holds them.
#pragma once

#include "data/Spectrumunit.h"
#include "numeric/Linewindowunit.h"
#include "numeric/Smoothunit.h"
#include "settings/Siteunit.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A line window on the chosen axis, in the unit of the saved file's x column: Hz from the rest
// frequency, metres from the rest wavelength, or km/s. Low <= High; both edges belong to it.
using TLineWindow = TAxisRange;

// Where a file's source position comes from.
enum class TPositionSource {
    FileName,   // the galactic position carried by the file's name
    Galactic,   // --galactic B,L
    Equatorial, // --equatorial RA,DEC
};

// An angle as the details dialog's three whole-number fields hold it.
struct TAngleFields {
    bool Negative = false; // the degrees text gets a '-', also for 0 degrees ("-0")
    int Degrees = 0;       // or hours, for a right ascension
    int Minutes = 0;
    int Seconds = 0;
    double Unrounded = 0.0; // the value as given, degrees (or hours), signed
    // Value in degrees (or hours), signed.
    double Value() const;
    // The three field texts: "-0", "30", "0".
    std::array<std::string, 3> Texts() const;
};

// Reads a sexagesimal ("D:M:S", "D:M") or decimal ("D.ddd") angle with an optional sign and
// rounds it to the nearest whole second. Minutes and seconds must lie in 0..60 (excluded) and
// carry no sign; only the last part may have a fraction. Returns nothing for anything else.
std::optional<TAngleFields> ParseAngle(const std::string& text);

struct TBatchOptions {
    std::vector<TLineWindow> Windows; // --fit-outside; none: found in each file (auto)
    int Terms = 4;                    // --terms: coefficients of the baseline polynomial
    bool AutoTerms = true;            // no --terms: as many, up to Terms, as the data support
    int Mode = ModeVelocityMinusVlsr; // --axis
    TPositionSource Position = TPositionSource::FileName;
    // The six texts typed into the details for --galactic (edBiiDeg .. edLiiSec) or
    // --equatorial (edRaHrs .. edDecSec), in the dialog's order.
    std::array<std::string, 6> PositionTexts;
    // --site: the station's site for this run instead of the stored one (ParseSiteOption).
    std::optional<TSiteOption> Site;
    std::string OutFolder = "."; // --out
    std::string AveragePath;     // --average: the files averaged into this one file instead
    bool Png = false;
    bool Svg = false;
    bool RotationCurve = false;          // --rotation-curve
    bool LvDiagram = false;              // --lv-diagram
    bool Fits = false;                   // --fits: each spectrum (and the diagram) also as FITS
    double R0 = 8.5;                     // --r0, kpc
    double V0 = 220.0;                   // --v0, km/s
    double Dispersion = 8.0;             // --dispersion, km/s
    std::optional<TSmoothing> Smoothing; // --smooth: of each spectrum after its baseline
    int Gaussians = 0;                   // --gaussians: components fitted; 0 none, -1 auto (BIC)
    int Jobs = 0;                        // --jobs; 0: one per processor core
    bool Quiet = false;
    bool Force = false;
    bool Help = false;
    bool Version = false;
    std::vector<std::string> Files; // as given; a run's files once GatherInputFiles has run
    std::string FilesFrom;          // --files-from: a list of files, one a line; "-": stdin
    bool NullSeparated = false;     // -0, --null: the list's paths end with NUL, not a line end
    std::string Pattern = "*.dat";  // --pattern: the names of a folder's spectrum files
    // Files of the run known to fail before they are read, and why (by their number in Files):
    // the entries of a folder that are not regular files.
    std::map<long, std::string> FileErrors;
};

struct TParsedOptions {
    bool Ok = false;
    std::string Error; // one line, without the program's name, when !Ok
    TBatchOptions Options;
};

// Reads the arguments after the program's name, bytes as given (a file name need not be
// UTF-8). --help and --version need nothing else.
TParsedOptions ParseBatchOptions(const std::vector<std::string>& arguments);

// The --help text.
std::string BatchUsage();

// The --axis word of a display mode ("frequency", "wavelength", "velocity", "vlsr").
const char* AxisName(int mode);
