// Rotationplotunit: the Galaxy's rotation curve drawn on a drawing surface: the rotation speed V
// against the distance R from the Galactic centre, one square per tangent point, with the
// Sun's circular speed V0 as a dashed reference line and a caption giving R0 and V0.
#pragma once

#include "astro/Rotationunit.h"
#include "numeric/Graphmapunit.h"
#include "plot/Surfaceunit.h"

#include <vector>

constexpr int RotationPlotWidth = 640; // the picture, pixels
constexpr int RotationPlotHeight = 480;
constexpr int RotationPointSize = 7; // side of a point's square, pixels

// Rounds [low, high] out to whole steps of 1, 2 or 5 times a power of ten, the smallest such
// step that needs maxSteps steps at most: the limits and the step of an axis of round numbers.
void RoundOutToSteps(double low, double high, int maxSteps, double& min, double& max, double& step);

// The plot rectangle inside the picture: room for the tick labels and the axis titles on the
// left and below, the title and the caption above.
TRect RotationPlotRect();

// The axes of a curve: R from 0 to R0 (every tangent point lies inside the solar circle), V from
// 0 (or below, for a point below it) to a tenth above the fastest of V0 and the points; both
// rounded out to a step of 1, 2 or 5 times a power of ten, ten steps at most.
TGraphLimits RotationLimits(const std::vector<TTangentPoint>& points, double r0, double v0);

// Draws the curve on a surface of RotationPlotWidth x RotationPlotHeight: its colours and
// plot rectangle set (which clears it), grid lines with their labels, the axis titles
// "R (kpc)" and "V (km/s)", the line V = V0 dashed in red, the points as blue squares with
// their 1-sigma error bars, the
// title and the caption "R0 = <r0> kpc, V0 = <v0> km/s" above; then Show.
// Returned: the mapping between the curve's values and the surface's pixels.
TGraphMapping DrawRotationCurve(TDrawingSurface& plot, const std::vector<TTangentPoint>& points,
                                double r0, double v0);
