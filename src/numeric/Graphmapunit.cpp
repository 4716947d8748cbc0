#include "numeric/Graphmapunit.h"

#include <algorithm>
#include <cmath>

TRect::TRect(int left, int top, int right, int bottom)
    : Left(std::min(left, right)), Top(std::min(top, bottom)), Right(std::max(left, right)),
      Bottom(std::max(top, bottom)) {}

namespace {

// A pixel coordinate from a mapped value: truncated toward zero, kept within a range that the
// clipping arithmetic handles, 0 for a value that is not a number. Plain comparisons and the
// conversion (which truncates toward zero) in place of fmin, fmax and trunc, which the baseline
// x86-64 instruction set leaves as library calls: the curve maps every sample twice on each
// drawing.
int TruncToPixel(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double limit = 1.0e6;
    return static_cast<int>(value < -limit ? -limit : value > limit ? limit : value);
}

} // namespace

int TGraphMapping::XToPixel(double x) const {
    const double width = Limits.XMax - Limits.XMin;
    if (width == 0.0)
        return Rect.Left;
    return TruncToPixel((x - Limits.XMin) * double(Rect.Right - Rect.Left) / width + Rect.Left);
}

int TGraphMapping::YToPixel(double y) const {
    const double height = Limits.YMax - Limits.YMin;
    if (height == 0.0)
        return Rect.Bottom;
    return TruncToPixel(Rect.Bottom - (y - Limits.YMin) * double(Rect.Bottom - Rect.Top) / height);
}

double TGraphMapping::PixelToX(int px) const {
    return Limits.XMin +
           (Limits.XMax - Limits.XMin) * (px - Rect.Left) / double(Rect.Right - Rect.Left);
}

double TGraphMapping::PixelToY(int py) const {
    return Limits.YMin +
           (Limits.YMax - Limits.YMin) * (Rect.Bottom - py) / double(Rect.Bottom - Rect.Top);
}

std::vector<double> GridValues(double min, double max, double step) {
    std::vector<double> values;
    if (!(step > 0.0) || !std::isfinite(min) || !std::isfinite(max))
        return values;
    const double last = max + step * 1e-6;
    for (double value = min; value <= last && values.size() <= 1000; value += step) {
        values.push_back(value);
        if (value + step == value)
            break;
    }
    return values;
}
