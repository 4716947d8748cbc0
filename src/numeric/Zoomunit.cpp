#include "numeric/Zoomunit.h"

#include <algorithm>
#include <cmath>

TPlotGesture GestureFor(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    if (button == Qt::MiddleButton)
        return TPlotGesture::Pan;
    if (button == Qt::LeftButton)
        return modifiers.testFlag(Qt::ControlModifier) ? TPlotGesture::Pan : TPlotGesture::Band;
    return TPlotGesture::None;
}

namespace {

double Width(const TAxisView& range) {
    return range.Hi - range.Lo;
}

// lo..hi moved as little as needed to lie within whole (a range wider than whole is whole).
TAxisView Inside(double lo, double hi, const TAxisView& whole) {
    const double width = hi - lo;
    if (width >= Width(whole))
        return whole;
    if (lo < whole.Lo)
        return {whole.Lo, whole.Lo + width};
    if (hi > whole.Hi)
        return {whole.Hi - width, whole.Hi};
    return {lo, hi};
}

// The range that keeps at in its place and shows 1 / factor of shown.
TAxisView ZoomedAbout(const TAxisView& shown, double at, double factor) {
    return {at - (at - shown.Lo) / factor, at + (shown.Hi - at) / factor};
}

bool Usable(const TAxisView& range) {
    return std::isfinite(range.Lo) && std::isfinite(range.Hi) && range.Hi > range.Lo;
}

} // namespace

void TGraphView::SetX(double lo, double hi, const TAxisView& whole) {
    if (lo > hi)
        std::swap(lo, hi);
    if (!Usable(whole) || !std::isfinite(lo) || !std::isfinite(hi))
        return;
    const double narrowest = Width(whole) * NarrowestShare;
    if (hi - lo < narrowest) {
        const double middle = 0.5 * (lo + hi);
        lo = middle - 0.5 * narrowest;
        hi = middle + 0.5 * narrowest;
    }
    const TAxisView range = Inside(lo, hi, whole);
    FXZoomed = range.Lo > whole.Lo || range.Hi < whole.Hi;
    FX = range;
}

void TGraphView::ZoomX(const TAxisView& shown, double at, double factor, const TAxisView& whole) {
    if (!Usable(shown) || !(factor > 0.0) || !std::isfinite(at))
        return;
    TAxisView range = ZoomedAbout(shown, at, factor);
    const double narrowest = Width(whole) * NarrowestShare;
    if (Width(range) < narrowest) {
        // As narrow as allowed, the value under the pointer still in its place.
        if (Width(shown) <= narrowest * (1.0 + 1e-9))
            return;
        range = ZoomedAbout(shown, at, Width(shown) / narrowest);
    }
    SetX(range.Lo, range.Hi, whole);
}

void TGraphView::ZoomY(const TAxisView& shown, double at, double factor, const TAxisView& whole) {
    if (!Usable(shown) || !(factor > 0.0) || !std::isfinite(at))
        return;
    const TAxisView range = ZoomedAbout(shown, at, factor);
    if (Usable(whole) && range.Lo <= whole.Lo && range.Hi >= whole.Hi) {
        FYZoomed = false;
        return;
    }
    // Not narrower than a millionth of the whole height: the grid needs a step it can add.
    if (!Usable(range) || (Usable(whole) && Width(range) < Width(whole) * 1e-6))
        return;
    FY = range;
    FYZoomed = true;
}

void TGraphView::Pan(const TAxisView& shown, double dx, double dy, const TAxisView& wholeX) {
    if (!Usable(shown) || !std::isfinite(dx))
        return;
    if (FXZoomed && dx != 0.0)
        SetX(FX.Lo - dx, FX.Hi - dx, wholeX);
    if (FYZoomed && std::isfinite(dy) && dy != 0.0)
        FY = {FY.Lo - dy, FY.Hi - dy};
}

namespace {

// The tick step RoundAxisLimits chooses for a range of lo..hi.
double StepFor(const TGraphLimits& limits, double lo, double hi) {
    double min = 0.0, max = 0.0, step = 0.0;
    RoundAxisLimits(limits, {lo, hi}, min, max, step);
    return step;
}

void AddInRange(const std::vector<double>& x, const std::vector<double>& y, const TAxisView& range,
                std::vector<double>& out) {
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i)
        if (x[i] >= range.Lo && x[i] <= range.Hi)
            out.push_back(y[i]);
}

} // namespace

bool GetViewLimits(const std::vector<double>& x, const std::vector<double>& signal,
                   const std::vector<TSignalOnAxis>& extra, const TGraphView& view,
                   TGraphLimits& limits) {
    TGraphLimits result = limits;
    if (!GetGraphLimits(x, signal, result))
        return false;
    if (view.XZoomed()) {
        result.XMin = view.X().Lo;
        result.XMax = view.X().Hi;
        result.XStep = StepFor(result, view.X().Lo, view.X().Hi);
    }
    if (view.YZoomed()) {
        result.YMin = view.Y().Lo;
        result.YMax = view.Y().Hi;
        result.YStep = StepFor(result, view.Y().Lo, view.Y().Hi);
    } else if (view.XZoomed() || !extra.empty()) {
        // The signal's limits from what is drawn in the x range shown.
        const TAxisView shown{result.XMin, result.XMax};
        std::vector<double> visible;
        AddInRange(x, signal, shown, visible);
        for (const TSignalOnAxis& other : extra)
            if (other.X && other.Signal)
                AddInRange(*other.X, *other.Signal, shown, visible);
        if (!visible.empty())
            RoundAxisLimits(result, visible, result.YMin, result.YMax, result.YStep);
    }
    limits = result;
    return true;
}

double FirstGridValue(double min, double step) {
    if (!(step > 0.0) || !std::isfinite(min))
        return min;
    const double q = min / step;
    const double whole = std::round(q);
    if (std::fabs(q - whole) <= 1e-6)
        return min;
    return std::ceil(q) * step;
}

namespace {

// The fractional channel at which a monotonic axis takes the value v (clamped to its ends).
double ChannelOf(const std::vector<double>& axis, double v) {
    const std::size_t n = axis.size();
    const bool rising = axis.back() >= axis.front();
    const auto before = [&](double a, double b) { return rising ? a < b : a > b; };
    if (!before(axis.front(), v))
        return 0.0;
    if (!before(v, axis.back()))
        return static_cast<double>(n - 1);
    std::size_t lo = 0, hi = n - 1;
    while (hi - lo > 1) {
        const std::size_t mid = (lo + hi) / 2;
        (before(axis[mid], v) ? lo : hi) = mid;
    }
    const double span = axis[hi] - axis[lo];
    return static_cast<double>(lo) + (span == 0.0 ? 0.0 : (v - axis[lo]) / span);
}

double ValueAt(const std::vector<double>& axis, double channel) {
    const std::size_t lo =
        std::min(static_cast<std::size_t>(std::max(0.0, std::floor(channel))), axis.size() - 2);
    const double t = channel - static_cast<double>(lo);
    return axis[lo] + t * (axis[lo + 1] - axis[lo]);
}

} // namespace

TAxisView SameChannels(const std::vector<double>& from, const std::vector<double>& to, double lo,
                       double hi) {
    if (lo > hi)
        std::swap(lo, hi);
    if (from.size() != to.size() || from.size() < 2)
        return {lo, hi};
    const double a = ValueAt(to, ChannelOf(from, lo));
    const double b = ValueAt(to, ChannelOf(from, hi));
    return {std::min(a, b), std::max(a, b)};
}
