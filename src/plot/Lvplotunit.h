// Lvplotunit: a survey's longitude-velocity diagram drawn on a drawing surface: each file's
// corrected signal as a column of colour at its galactic longitude against velocity minus VLSR,
// a colour bar with its scale, the files' terminal velocities as marks with their error bars,
// and the terminal velocity of a flat rotation curve as a line.
//
// Longitude grows to the left, as on the sky seen from the Sun and in the published diagrams
// of the Galactic plane; a survey on both sides of the centre runs ... 20, 10, 0, 350, 340 ...
#pragma once

#include "numeric/Graphmapunit.h"
#include "numeric/Lvgridunit.h"
#include "plot/Surfaceunit.h"

#include <QColor>
#include <vector>

constexpr int LvPlotWidth = 760; // the picture, pixels
constexpr int LvPlotHeight = 520;
constexpr double LvLoneColumnWidth = 2.0; // degrees, the column of a survey of one longitude
// The colour scale runs from the 1st to the 99th percentile of all signals.
constexpr double LvLowPercentile = 0.01, LvHighPercentile = 0.99;
constexpr TColor LvModelColor = 0x0000FF; // red (0x00BBGGRR): found in no colour of the map

// The plot rectangle inside the picture: room for the tick labels and the axis titles on the
// left and below, the title and the caption above, the colour bar and its scale on the right.
TRect LvPlotRect();

// The colour of a fraction of the colour scale, perceptually ordered from dark blue-violet
// through teal and green to yellow, so that brighter always means more signal, also in grey.
// Given:    fraction  0 to 1 (clamped; NaN gives 0)
// Returned: the colour, interpolated linearly between eleven samples of viridis
// Reference: van der Walt & Smith, the viridis colour map of matplotlib (2015)
QColor LvColour(double fraction);

// Where a diagram put its values.
struct TLvMapping {
    TGraphMapping Map;    // x: minus the axis longitude (growing to the left); y: km/s
    bool Centred = false; // longitudes in -180..180 (else 0..360)
    // Pixel column of a galactic longitude (degrees, any value) and row of a velocity (km/s).
    int LongitudeToPixel(double longitude) const;
    int VelocityToPixel(double velocity) const { return Map.YToPixel(velocity); }
};

// Draws the diagram of grid's columns (at least one) on a surface of LvPlotWidth x LvPlotHeight:
// its colours and plot rectangle set (which clears it); each column's signal over the longitudes
// of its span (LvColumnSpans), on the colour scale of LvSignalRange; the velocity axis over every
// column's channels, rounded out; tick labels, the axis titles "l (deg)" and "V - VLSR (km/s)",
// the colour bar with its scale; the flat curve's terminal velocity (FlatTerminalVelocity of v0
// km/s) as a red line; each column's terminal velocity as a white square with its 1-sigma error
// bar; the title and a caption counting every file added; then Show.
// The colours of the columns and of the bar are one picture of the whole surface (DrawImage),
// the rest lines, rectangles and texts: an SVG surface writes one <image> however many files,
// where a shape per file made 158 MB of 100,000.
// Returned: the mapping between longitudes and velocities and the surface's pixels.
TLvMapping DrawLvDiagram(TDrawingSurface& plot, const TLvGrid& grid, double v0);
