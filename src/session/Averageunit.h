// Averageunit: repeated scans of one source averaged on a common velocity axis.
//
// Each file is read as the window reads it (TSession::Read) and gets the VLSR of its own
// observation time, computed as OK in the details dialog computes it (TDetailsState::FormShow,
// ComputeAppliedDetails): the position from the file's name, else that of the details last
// applied. On the velocity-minus-VLSR axis the scans' lines then lie on top of one another,
// while their channels do not: the VLSR moves by up to about 30 km/s over a year, some 30
// channels. Every file's signal is therefore interpolated linearly onto the first file's axis
// and the values averaged channel by channel.
//
// The averaged spectrum lives in a session like any spectrum read (TSession::UseAverage): its axis
// is the velocity-minus-VLSR one, which no other display mode can show, and its file list goes into
// the saved file's header.
//
// Only repeated scans of one source are averaged: files whose positions lie more than
// AverageSeparation apart on the sky, or one file given twice, are refused (CheckOneSource).
#pragma once

#include "session/Applydetailsunit.h"
#include "session/Detailsstate.h"
#include "session/Sessionunit.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TStationSettings;

// Where an averaged file's source position came from.
enum class TAveragePosition {
    FileName,       // the galactic position carried by its name
    AppliedDetails, // the details last applied (its name carries none)
};

// One file of an average.
struct TAveragedScan {
    std::string Path; // as given
    TAveragePosition Position = TAveragePosition::FileName;
    TAppliedDetails Applied; // the details applied for its own time: its VLSR and side panel
    // The galactic position its VLSR was computed for (degrees; latitude -90..90, longitude
    // 0..360): the details' after the file's name was shown in them.
    double GLatitude = 0.0, GLongitude = 0.0;
    // The file itself (stat, following a symbolic link): two paths name the same file when
    // both are equal.
    std::uint64_t Device = 0, Inode = 0;
};

// Degrees: the farthest two files of an average may lie apart on the sky, a fraction of the
// beam of a small dish, wider than a position typed to a few arc minutes.
constexpr double AverageSeparation = 0.5;

// The angle between two directions on the sky (degrees, 0..180): the great-circle distance
// by Vincenty's formula for the sphere (T. Vincenty, Survey Review 23, 1975, 88), which keeps
// its precision at small and large angles alike; longitudes may wrap at 0/360.
double AngularSeparation(double latitude1, double longitude1, double latitude2, double longitude2);

// Refuses files that are no repeated scans of one source. Throws std::runtime_error naming
// both files when two scans are one file (the same device and inode), or when their positions
// lie more than AverageSeparation apart, e.g.
// "b.dat: the same file as a.dat"
// "b.dat: l = 120.00°, b = 0.00° lies 90.00° from l = 30.00°, b = 0.00° of a.dat; an average
//  takes scans of one position (within 0.5°)"
void CheckOneSource(const std::vector<TAveragedScan>& scans);

struct TAverage {
    // km/s, velocity minus VLSR: the first file's channels that every file covers, in channel
    // order (falling velocity).
    std::vector<double> Velocities;
    // The mean of the files' interpolated signals, one per entry of Velocities. A file whose
    // samples on either side of a channel include a missing one (exactly 0) leaves that
    // channel out of its mean; a channel that no file gives stays 0, missing.
    std::vector<double> Signal;
    std::vector<TAveragedScan> Files; // in the order given
    // The first file as read, with its details applied: the header, the observation time,
    // the name's position and the details that the averaged spectrum keeps.
    TSession First;
};

// Averages the spectrum files at paths (two or more).
// Given:    paths     the files, local 8-bit paths
//           station   the station's site and equinox, for a file when no details were applied
//           fallback  the details last applied (site, elevation, epoch and position), if any
// Returned: the average. Throws std::runtime_error, averaging nothing, when fewer than two
//           files are given, or naming the file ("<path>: <reason>") when one cannot be read
//           (the reader's text), has no position (neither its name nor a fallback gives one),
//           or its VLSR cannot be computed; and as CheckOneSource when the files are not
//           repeated scans of one source.
TAverage AverageFiles(const std::vector<std::string>& paths, const TStationSettings& station,
                      const std::optional<TDetailsState>& fallback);

// The title of an average: "Average of N files".
std::string AverageTitle(std::size_t count);
