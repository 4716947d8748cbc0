// The saved text file: the spectrum as displayed, with the fit and the observation details.
//
// The file is UTF-8 text with a carriage return and line feed after every line, the last one
// included, on every platform:
//
//   Filename = <FileName>
//   File 1 = <name>                    for an average only (AveragedFiles): per file its
//   File 1 VLSR = <vlsr>               name and the VLSR its signal was shifted by
//   ...
//   Description = <Description>
//   a0 = <c0>                          one line per coefficient, only when Corrected is set
//   a1 = <c1>                          and Coefficients is not empty
//   ...
//   Correlation = <Correlation>
//   VLSR = <Vlsr>
//   Ra = <Ra>
//   Dec = <Dec>
//   GLat = <GLat>
//   GLong = <GLong>
//   Latitude = <Latitude>
//   Longitude = <Longitude>
//   Elevation = <Elevation>
//   File time = <FileTime>
//   <x>,<y>                            one line per channel
//
// Header numbers have 6 significant digits and data numbers 10, in C's %g form with '.' as the
// decimal point whatever the locale (1234567 is 1.23457e+06 in the header and 1234567 in a
// data line). Empty texts still give their line: "Filename = " and the line end.
//
// How Save as uses this unit, in this order, so that nothing is written unless all is well:
//   1. the header gathered (TSession::SaveHeader of session/Sessionunit.h, which throws
//      std::invalid_argument naming an elevation text that is no number in range; nothing has
//      been written yet);
//   2. text = SavedText(header, XValues, Signal);
//   3. WriteTextFileSafely(path, text) (throws std::runtime_error naming the file and the
//      reason; the file then holds exactly what it held before).
#pragma once

#include <string>
#include <vector>

// One file of an averaged spectrum (session/Averageunit.h).
struct TAveragedFile {
    std::string Name;  // without folder
    double Vlsr = 0.0; // km/s, for the file's own observation time
};

// The header values of a saved file, gathered by the main window.
struct TSaveHeader {
    std::string FileName; // CurrentFileName: the file name without folder; "" before a read
    std::vector<TAveragedFile> AveragedFiles; // the files of an average; none for one file
    std::string Description; // GraphTitle, e.g. "Frequency (corrected)  v Signal"; "" if none
    std::vector<double> Coefficients; // the baseline polynomial, lowest power first
    bool Corrected = false; // the baseline was subtracted: only then are coefficients written
    double Correlation = 0.0;
    double Vlsr = 0.0;      // km/s
    std::string Ra;         // right ascension text, e.g. 19 hrs 59' 28"
    std::string Dec;        // declination, signed text
    std::string GLat;       // galactic latitude from the file's name, signed text
    std::string GLong;      // galactic longitude from the file's name, unsigned text
    std::string Latitude;   // site latitude, signed text
    std::string Longitude;  // site longitude, signed text
    double Elevation = 0.0; // site elevation, metres
    std::string FileTime;   // the observation's instant in the locale's short date and long time
    // The smoothings of the signal saved ("Hanning, then boxcar 5 channels"); "" for none, and
    // then no "Smoothing = " line is written.
    std::string Smoothing;
};

// The complete text of a saved file: the header lines, then one line "x,y" per channel for
// the common length of x and y (the shorter of the two when they differ).
std::string SavedText(const TSaveHeader& header, const std::vector<double>& x,
                      const std::vector<double>& y);

// A number in C's %g form with the given significant digits, '.' as decimal point.
std::string GeneralNumberText(double value, int significantDigits);

// Why the file at path (local 8-bit) may not be saved over: "it is a FIFO, not a regular file"
// (a folder, a device, a socket, ...) when the name is there but no regular file, following a
// symbolic link to its target; empty when it is absent or a regular file.
std::string NotRegularTarget(const std::string& path);

// Writes text to the file at path (UTF-8 path) as a whole: the new content goes to a temporary
// file beside it, which replaces the old file only when completely written and synced to the
// disk. An existing file is replaced without a question; a name that is there but no regular
// file (a folder, a FIFO, a device) is refused, and a symbolic link has its target written.
// On failure throws std::runtime_error "Cannot save \"<path>\": <reason>" and the file at
// path is left as it was (or absent).
void WriteTextFileSafely(const std::string& path, const std::string& text);
