// Helpers of the plot panel that only the panel and its tests use.
#pragma once

#include "numeric/Graphmapunit.h"

#include <QPoint>
#include <vector>

// The crossings of the segment (x0, y0) - (x1, y1) with the edges of r, in the order left,
// right, top, bottom. An edge counts when its line lies between the end points (inclusive) and
// the crossing lies on the edge itself, corners included; the other coordinate is truncated
// towards zero. A horizontal segment meets only the left and right edges, a vertical one only
// the top and bottom edges; a corner may therefore appear twice.
std::vector<QPoint> EdgeCrossings(int x0, int y0, int x1, int y1, const TRect& r);
