// Lvdiagramunit: the longitude-velocity diagram of a kelvane-batch run (--lv-diagram).
//
// Every file that succeeded within 2 degrees of the Galactic plane (the rotation curve's
// limit: the same gas layer) gives a column: its corrected signal against velocity minus VLSR.
// The velocities are those the terminal velocity is measured on, each channel's velocity less
// the file's VLSR, so that a run saved on any axis draws the same diagram and each file's
// terminal velocity lies on the signal it was found in.
#pragma once

#include "batch/Batchrun.h"
#include "numeric/Lvgridunit.h"

#include <optional>
#include <string>
#include <vector>

// The names of the diagram's pictures in the output folder.
constexpr const char* LvDiagramPngName = "lv-diagram.png";
constexpr const char* LvDiagramSvgName = "lv-diagram.svg";
constexpr const char* LvDiagramFitsName = "lv-diagram.fits";

// A file's column of the diagram.
// Given:    row         the file's summary row: Error, GalLatitude, GalLongitude (degrees) and
//                       the line's TerminalVelocity with its uncertainty (km/s)
//           velocities  km/s, velocity minus VLSR of each channel
//           signal      the corrected signal of each channel
// Returned: the column; nothing for a file that failed, has no position, or lies more than
//           RotationMaxLatitude from the plane
std::optional<TLvColumn> LvColumnOf(const TSummaryRow& row, std::vector<double> velocities,
                                    std::vector<double> signal);

// Draws the diagram of grid's columns and writes its two pictures in folder, and with fits its FITS
// image (Fitslvunit.h): all, or none when one cannot be written; an existing one is replaced
// only when replace. Nothing is written when there is no column, and the message says so.
// Returned: false when the pictures could not be drawn or written; message holds what to tell
//           (the reason, or that there was nothing to draw), empty when both were written
bool WriteLvDiagram(const TLvGrid& grid, double v0, const std::string& folder, bool replace,
                    bool fits, const TLvPictureMaker& pictures, std::string& message);
