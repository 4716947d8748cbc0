// Helpers of the plot panel that only the panel and its tests use.
#pragma once

#include "numeric/Graphmapunit.h"

#include <QLine>
#include <QPoint>
#include <QRgb>
#include <vector>

// The crossings of the segment (x0, y0) - (x1, y1) with the edges of r, in the order left,
// right, top, bottom. An edge counts when its line lies between the end points (inclusive) and
// the crossing lies on the edge itself, corners included; the other coordinate is truncated
// towards zero. A horizontal segment meets only the left and right edges, a vertical one only
// the top and bottom edges; a corner may therefore appear twice.
std::vector<QPoint> EdgeCrossings(int x0, int y0, int x1, int y1, const TRect& r);

// One-pixel line from line.p1() to line.p2(), both ends included, written straight into the
// pixels of a 32-bit image: the pixels that the raster engine sets for an aliased line drawn
// with an opaque solid pen of width 1 and square caps, and no transformation.
// Given:    pixels  first pixel of the image's first row
//           stride  pixels from one row to the next
//           line    end points in pixels; both inside the image and distinct
//           color   the pixel value written
// Returned: nothing; the line's pixels hold color.
// Reference: the engine's cosmetic line stepping: coordinates in 26.6 fixed point, the step of
//           the minor coordinate per major pixel in 16.16 (quotient truncated), the square
//           caps as half a pixel at either end, and the minor coordinate taken at the first
//           major pixel's centre (its lower edge for negative steps). Agreement is checked
//           pixel for pixel against the engine in the plot tests.
void DrawSolidLine(QRgb* pixels, qsizetype stride, const QLine& line, QRgb color);
