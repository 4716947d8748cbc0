// Lvgridunit: the cells of a longitude-velocity diagram. Each file of a survey gives one column
// at its galactic longitude, its corrected signal on the velocity axis; the columns share the
// longitude axis between them and one scale of colour.
#pragma once

#include <optional>
#include <string>
#include <vector>

// A file's column of the diagram.
struct TLvColumn {
    double Longitude = 0.0, Latitude = 0.0; // galactic, degrees
    std::vector<double> Velocities;         // km/s relative to the LSR, one per channel
    std::vector<double> Signal;             // the corrected signal of each channel
    // The file's terminal velocity (km/s relative to the LSR) and its 1-sigma uncertainty.
    std::optional<double> TerminalVelocity, TerminalUncertainty;
};

// The diagram's columns gathered as the files arrive, in the files' order, on a fixed grid of
// longitude cells LvGridStep wide: each cell keeps the column of the file nearest the plane
// (of files equally near, the first), which is the one the diagram draws there, and forgets the
// others but for their count. However many files a survey has, the grid holds at most
// 360 / LvGridStep columns (23 MB of 400 channels each); a list of every file's column grew by
// 6.4 kB a file (1.6 GB for 100,000 files).
constexpr double LvGridStep = 0.1; // degrees, the FITS image's finest longitude step (3600)

class TLvGrid {
public:
    TLvGrid() = default;
    // The columns added in their order.
    explicit TLvGrid(std::vector<TLvColumn> columns);

    // Adds a file's column.
    void Add(TLvColumn column);

    // The columns kept, one per occupied cell, in the order their cells were first filled.
    const std::vector<TLvColumn>& Columns() const { return Kept; }
    // The columns added, kept or not.
    long Files() const { return Count; }
    bool Empty() const { return Count == 0; }
    // km/s, the mean channel step of the first column added (0 before one with two channels).
    double FirstChannelStep() const { return FirstStep; }

private:
    std::vector<TLvColumn> Kept;
    std::vector<std::size_t> CellIndex; // each cell's column in Kept + 1, 0 for none
    long Count = 0;
    double FirstStep = 0.0;
};

// Longitudes as the diagram's axis holds them: in -180..180 when the survey is more compact
// so (both sides of the Galactic centre, l = 350 next to l = 10), otherwise in 0..360.
// Given:    longitudes  degrees, any values
// Returned: the same longitudes, each moved by a multiple of 360 degrees
std::vector<double> LvAxisLongitudes(const std::vector<double>& longitudes);

// The longitude span of each column.
struct TLvSpan {
    double Low = 0.0, High = 0.0; // degrees on the axis, Low < High
};

// Each column spans the longitudes half-way to its neighbours: the diagram is filled without
// gaps whatever the survey's spacing, and no column claims more than its share. The outermost
// columns reach out as far as the step to their one neighbour; columns at one longitude (files
// at several latitudes) share a span; a lone longitude spans width.
// Given:    longitudes  degrees on the axis (LvAxisLongitudes)
//           width       degrees, the span of a lone longitude
// Returned: one span per longitude, in the order given
std::vector<TLvSpan> LvColumnSpans(const std::vector<double>& longitudes, double width);

// The signals that the colour scale runs between: percentiles of every channel of every
// column, so that a few spikes or the brightest line's peak do not squeeze the rest into one
// colour.
// Given:    columns    the diagram's columns
//           low, high  fractions, 0 <= low < high <= 1 (0.01 and 0.99: the 1st and 99th
//                      percentiles), by the nearest rank
// Returned: the two signals, low below high (a flat survey's one value widened by 1 both
//           ways); nothing when no column has a finite signal
std::optional<std::pair<double, double>> LvSignalRange(const std::vector<TLvColumn>& columns,
                                                       double low, double high);

// The signal of a column over a band of velocities: the mean of the channels inside it, or,
// where the channels are farther apart than the band, that of the nearest channel within
// half a channel's step of the band's middle.
// Given:    column     velocities and signal, in any order of velocity
//           from, to   km/s, the band (either order)
// Returned: the signal; nothing outside the column's channels
std::optional<double> LvBandSignal(const TLvColumn& column, double from, double to);
