// Rasterunit: the plot's lines as pixels. Clipping to the plot rectangle (shared by every
// drawing surface, so that a PNG and an SVG of a graph show the same part of each line) and
// the one-pixel line writers that set exactly the raster engine's pixels, at ratio 1 and as
// blocks of device pixels on high-density screens.
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

// Where each of count logical pixels starts in device pixels at a device pixel ratio, and where
// the last one ends: entry i is floor(i ratio + 1/2), for i = 0 .. count. Logical pixel i covers
// the device pixels from entry i up to, not including, entry i + 1; every device pixel of the
// count ratio (rounded) belongs to exactly one logical pixel.
std::vector<int> DeviceEdges(int count, double ratio);

// The one-pixel line of DrawSolidLine in logical pixels, each logical pixel it sets written as
// the block of device pixels that covers it, so that the line keeps the pixels, the width and
// the end points it has at ratio 1.
// Given:    pixels  first pixel of the image's first row (device pixels)
//           stride  pixels from one row to the next
//           line    end points in logical pixels, each coordinate within +-16383; a line of one
//                   point sets that pixel, as the raster engine does
//           color   the pixel value written
//           edgesX, edgesY  DeviceEdges of the image's logical width and height
// Returned: nothing; the blocks of the line's logical pixels that lie in the image hold color.
// Reference: DrawSolidLine for the logical pixels; DeviceEdges for the blocks.
void DrawSolidLineBlocks(QRgb* pixels, qsizetype stride, const QLine& line, QRgb color,
                         const std::vector<int>& edgesX, const std::vector<int>& edgesY);

// The part of the segment (x0, y0) - (x1, y1) that the plot draws inside r, as LineTo clips
// it. Returned: false when nothing of it is drawn; otherwise its ends in from and to.
bool ClipToPlotRect(int x0, int y0, int x1, int y1, const TRect& r, QPoint& from, QPoint& to);
