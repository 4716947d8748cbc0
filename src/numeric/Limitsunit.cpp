#include "numeric/Limitsunit.h"

#include <cmath>

namespace {

constexpr double FirstStep = 1e-300;
constexpr double StepCeiling = 1e300;
constexpr double WholeTolerance = 1e-9; // relative, for "q is a whole number"

// The smallest step of the sequence 1e-300, 1e-300 * 10, ... (each product rounded to a double)
// for which divisions * step > range. False when the sequence reaches 1e300 first; step then
// holds the last value tried.
bool FindStep(std::int32_t divisions, double range, double& step) {
    step = FirstStep;
    while (step < StepCeiling) {
        if (static_cast<double>(divisions) * step > range)
            return true;
        step = step * 10.0;
    }
    return false;
}

// True when q lies within the relative tolerance of the whole number k (returned).
bool NearWhole(double q, double& k) {
    k = std::round(q);
    return std::fabs(q - k) <= WholeTolerance * std::fabs(q);
}

// The rounded limit, or the raw one if rounding went out of the range of a double.
double KeepFinite(double rounded, double raw) {
    return std::isfinite(rounded) ? rounded : raw;
}

} // namespace

void RoundAxisLimits(const TGraphLimits& limits, const std::vector<double>& data, double& min,
                     double& max, double& step) {
    if (data.empty())
        return;
    double lo = data.front();
    double hi = data.front();
    for (const double value : data) {
        if (value < lo)
            lo = value;
        if (value > hi)
            hi = value;
    }
    min = lo;
    max = hi;
    const double range = hi - lo;

    if (range == 0.0) {
        // Flat data: two steps around the common value.
        const double v = lo;
        if (!FindStep(limits.Divisions, v == 0.0 ? 1.0 : std::fabs(v), step))
            return;
        const double q = v / step;
        double k = 0.0;
        if (!NearWhole(q, k))
            k = std::floor(q);
        const double below = (k - 1.0) * step;
        const double above = (k + 1.0) * step;
        if (std::isfinite(below) && std::isfinite(above)) {
            min = below;
            max = above;
        }
        return;
    }

    if (!FindStep(limits.Divisions, range, step))
        return;
    min = KeepFinite(std::floor(lo / step) * step, lo);
    const double q = hi / step;
    double k = 0.0;
    if (!NearWhole(q, k))
        k = std::ceil(q);
    // Never below the data: a whole number of inexact steps can fall a hair short of it.
    max = KeepFinite(std::fmax(k * step, hi), hi);
}

bool GetGraphLimits(const std::vector<double>& x, const std::vector<double>& signal,
                    TGraphLimits& limits) {
    if (x.empty() || x.size() != signal.size())
        return false;
    RoundAxisLimits(limits, x, limits.XMin, limits.XMax, limits.XStep);
    RoundAxisLimits(limits, signal, limits.YMin, limits.YMax, limits.YStep);
    return true;
}
