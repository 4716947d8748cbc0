// The graph's mapping between world values (the x unit of the display mode; the signal's unit)
// and pixels of the plot control (x to the right, y downwards, origin top-left).
#pragma once

#include "numeric/Limitsunit.h"

#include <vector>

// A rectangle of pixels. Built from four numbers it is normalised: Left <= Right, Top <= Bottom.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    TRect() = default;
    TRect(int left, int top, int right, int bottom);
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
};

// The world limits of the last drawing and the plot rectangle they span.
struct TGraphMapping {
    TGraphLimits Limits;
    TRect Rect;

    // Pixel column of x: trunc((x - XMin) (R - L) / (XMax - XMin) + L).
    // Returned: the truncated (not rounded) pixel; L for a zero-width range, 0 for a NaN, and
    // within +-1e6 for values far outside, so that the clipping arithmetic stays exact.
    int XToPixel(double x) const;
    // Pixel row of y: trunc(B - (y - YMin) (B - T) / (YMax - YMin)); B for a zero-height range.
    int YToPixel(double y) const;
    // World x of a pixel column: XMin + (XMax - XMin) (px - L) / (R - L).
    double PixelToX(int px) const;
    // World y of a pixel row: YMin + (YMax - YMin) (B - py) / (B - T).
    double PixelToY(int py) const;
};

// The values of a grid from min in steps of step while they do not pass max, formed by repeated
// addition as the tick labels are. A tolerance of a millionth of a step keeps the top line that
// the upper limit was rounded to; a step that is not positive, limits that are not finite, or a
// step too small to move the value give at most 1001 values, never an endless grid.
std::vector<double> GridValues(double min, double max, double step);
