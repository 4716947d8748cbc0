// Rotationcurveunit: the rotation curve of a survey, one entry per file of a kelvane-batch run.
//
// A file gives a point of the curve when it succeeded, lies within 2 degrees of the Galactic
// plane, looks along the first or the fourth quadrant (the tangent point lies inside the solar
// circle only there), and has a terminal velocity. Every other file keeps its row in
// rotation-curve.csv, with the reason it gives no point, so that a survey's gaps are never
// silent.
#pragma once

#include "astro/Rotationunit.h"
#include "batch/Batchrun.h"
#include "batch/Batchunit.h"
#include "batch/Consoleunit.h"
#include "batch/Outputunit.h"

#include <optional>
#include <string>
#include <vector>

// The largest distance from the plane, degrees, of a usable line of sight: the method assumes
// gas in circular orbit in the plane, and a line of sight that leaves the gas layer before the
// tangent point misses the terminal velocity.
constexpr double RotationMaxLatitude = 2.0;

// A file's entry of the rotation curve.
struct TRotationEntry {
    std::optional<double> TerminalVelocity; // km/s: the quadrant's terminal velocity
    std::optional<double> R, V;             // kpc, km/s: the point of the curve
    std::optional<double> VUncertainty;     // km/s, 1 sigma of V
    std::optional<double> VUncertaintyStat, VUncertaintySys; // its parts (TLineMeasures)
    std::string Reason; // why the file gives no point; empty when it does
};

// The entry of a file from its summary row.
// Given:    row  the file's summary row: Error, GalLatitude, GalLongitude (degrees) and the
//                line's TerminalVelocity, its uncertainty and why it is missing (km/s)
//           r0   kpc, the Sun's distance from the Galactic centre
//           v0   km/s, the circular speed at the Sun
// Returned: the point (TangentPoint) of the summary's terminal velocity (the quadrant's edge),
//           V with its uncertainty; or the first reason that applies: the file failed, it lies
//           more than 2 degrees from the plane, its longitude is in neither quadrant, it has
//           no terminal velocity (and why: the line runs into the window's end, ...).
TRotationEntry RotationEntry(const TSummaryRow& row, double r0, double v0);

// The header row of rotation-curve.csv and a file's row, RFC 4180 fields separated by commas,
// without the line end: file, glon_deg, glat_deg, terminal_v_kms, r_kpc, v_kms, v_err_kms,
// terminal_v_err_stat_kms, terminal_v_err_sys_kms, r0_kpc, v0_kms, unused_because. R0 and V0 are in
// every row, so that a row read on its own, or rows of runs with other constants put together,
// still say what they were computed with.
std::string RotationCurveHeader();
std::string RotationCurveLine(const TSummaryRow& row, const TRotationEntry& entry, double r0,
                              double v0);

// The rotation curve's table, committed (unless its rows could not all be written: tableFailed),
// and its picture of points drawn by curvePicture with options' R0 and V0 and written at
// picturePath under the same rules (replaced only with --force). Returned: false, with the
// reason told to progress, when either could not be written.
bool WriteRotationCurve(const std::vector<TTangentPoint>& points, bool tableFailed,
                        TStreamedOutput& table, const std::string& picturePath,
                        const TBatchOptions& options, const TCurvePictureMaker& curvePicture,
                        TProgress& progress);
