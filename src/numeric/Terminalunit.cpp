#include "numeric/Terminalunit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>

namespace {

// The channels of the edge fit, in dispersions from vt: inside, where the crowding law still
// holds, and beyond, where the edge has fallen into the noise.
constexpr double EdgeInside = 0.75, EdgeBeyond = 3.0;

// x rms of their mean: the signal of the 4 dispersions past the edge fit's channels that shows
// the line going on. At 3, 1 spectrum in 200 of the model Galaxy's survey is refused for its
// bright edge's last wisp; at 4 the wrong edges let through at noise 4 double the rms error.
// A wrong terminal velocity costs a rotation curve more than a missing one.
constexpr double BeyondLevel = 3.0;

// The uncertainty the model adds, km/s. The crowding law is the tangent point's alone; the
// rest of the line of sight moves vt by about 0.02 sigma (0.1 km/s on the model Galaxy of the
// sample generator, from l = 30 to 65 degrees). The local gas, centred on 0 km/s with much the
// same dispersion, adds to the edge in proportion to its own Gaussian at vt, up to 0.15 sigma
// more when vt nears 0 (measured on the same model: 1.25 km/s at vt = 0.4 sigma, 0.35 km/s at
// 1.7 sigma). Where the disc's density changes abruptly just inside the tangent point (the
// model's step at 4 kpc, l = 25 degrees) the bias reaches 0.1 sigma and the allowance is short.
double ModelUncertainty(double vt, double sigma) {
    const double x = vt / sigma;
    return sigma * (0.02 + 0.15 * std::exp(-0.5 * x * x));
}

// ---- The edge shape --------------------------------------------------------------------------

constexpr double ShapeLow = -12.0, ShapeHigh = 8.0, ShapeStep = 0.02;
constexpr int ShapePoints = 1001; // (ShapeHigh - ShapeLow) / ShapeStep + 1

// g(x) = 2 integral_0^inf phi(x + t^2) dt (s = t^2 removes the s^(-1/2) singularity), by
// Simpson's rule up to where phi has fallen below 1e-18.
double ShapeIntegral(double x) {
    const double top = std::sqrt(std::max(0.0, 9.0 - x));
    if (top == 0.0)
        return 0.0;
    const int steps = 2 * static_cast<int>(std::ceil(top / 0.01 / 2.0));
    const double h = top / steps;
    const double norm = 1.0 / std::sqrt(2.0 * M_PI);
    double sum = 0.0;
    for (int k = 0; k <= steps; ++k) {
        const double u = x + (k * h) * (k * h);
        const double f = norm * std::exp(-0.5 * u * u);
        sum += (k == 0 || k == steps ? 1.0 : (k % 2 == 1 ? 4.0 : 2.0)) * f;
    }
    return 2.0 * sum * h / 3.0;
}

const std::array<double, ShapePoints>& ShapeTable() {
    static const std::array<double, ShapePoints> table = [] {
        std::array<double, ShapePoints> t{};
        for (int i = 0; i < ShapePoints; ++i)
            t[static_cast<std::size_t>(i)] = ShapeIntegral(ShapeLow + i * ShapeStep);
        return t;
    }();
    return table;
}

// g and its derivative at x, from the table (the derivative is the slope of the interval).
void Shape(double x, double& g, double& slope) {
    if (x >= ShapeHigh) {
        g = slope = 0.0;
        return;
    }
    if (x < ShapeLow) {
        // Far inside: E[(-x + z)^(-1/2)] for a unit normal z, to second order.
        const double a = -x;
        g = (1.0 + 0.375 / (a * a)) / std::sqrt(a);
        slope = 0.5 * g / a;
        return;
    }
    const std::array<double, ShapePoints>& t = ShapeTable();
    const double position = (x - ShapeLow) / ShapeStep;
    const std::size_t i =
        std::min(static_cast<std::size_t>(position), static_cast<std::size_t>(ShapePoints - 2));
    const double f = position - static_cast<double>(i);
    slope = (t[i + 1] - t[i]) / ShapeStep;
    g = t[i] + f * (t[i + 1] - t[i]);
}

// ---- The edge fit ----------------------------------------------------------------------------

// The edge as the fit sees it: u = side x velocity, so that the edge always falls towards +u.
struct TEdgePoints {
    std::vector<double> U, Y;
};

struct TEdgeFit {
    double Ut = 0.0, A = 0.0, C = 0.0, Chi2 = 0.0;
    bool Ok = false;
};

// The best A and C for a fixed ut (linear least squares), and the sum of squares left. The
// table is read inline: this loop is most of the measurement's time.
TEdgeFit FitAt(const TEdgePoints& p, double ut, double sigma) {
    const std::array<double, ShapePoints>& t = ShapeTable();
    const double scale = 1.0 / (sigma * ShapeStep);
    double sgg = 0.0, sg = 0.0, s1 = 0.0, sgy = 0.0, sy = 0.0, syy = 0.0;
    for (std::size_t i = 0; i < p.U.size(); ++i) {
        const double position = (p.U[i] - ut) * scale - ShapeLow / ShapeStep;
        double g = 0.0, slope = 0.0;
        if (position >= 0.0 && position < ShapePoints - 1) {
            const std::size_t k = static_cast<std::size_t>(position);
            g = t[k] + (position - static_cast<double>(k)) * (t[k + 1] - t[k]);
        } else {
            Shape((p.U[i] - ut) / sigma, g, slope);
        }
        sgg += g * g;
        sg += g;
        s1 += 1.0;
        sgy += g * p.Y[i];
        sy += p.Y[i];
        syy += p.Y[i] * p.Y[i];
    }
    TEdgeFit fit;
    fit.Ut = ut;
    const double det = sgg * s1 - sg * sg;
    if (!(det > 0.0))
        return fit;
    fit.A = (sgy * s1 - sg * sy) / det;
    fit.C = (sgg * sy - sg * sgy) / det;
    // The residual sum of squares of a linear fit: y.y - (A g.y + C 1.y).
    fit.Chi2 = syy - fit.A * sgy - fit.C * sy;
    fit.Ok = true;
    return fit;
}

// ut minimising the residual over [low, high]: a grid of `grid` points finds the basin, golden
// section then narrows it to `tolerance` km/s. The grid guards against the local minima that a
// lone noise feature beside the edge can make.
TEdgeFit MinimiseOverUt(const TEdgePoints& p, double low, double high, double sigma, int grid,
                        double tolerance) {
    TEdgeFit best;
    int bestIndex = -1;
    const double step = (high - low) / (grid - 1);
    for (int k = 0; k < grid; ++k) {
        const TEdgeFit f = FitAt(p, low + k * step, sigma);
        if (f.Ok && (bestIndex < 0 || f.Chi2 < best.Chi2)) {
            best = f;
            bestIndex = k;
        }
    }
    if (bestIndex < 0)
        return best;
    double a = best.Ut - step, b = best.Ut + step;
    const double ratio = 0.5 * (std::sqrt(5.0) - 1.0);
    double c = b - ratio * (b - a), d = a + ratio * (b - a);
    TEdgeFit fc = FitAt(p, c, sigma), fd = FitAt(p, d, sigma);
    while (b - a > tolerance) {
        if (fc.Ok && (!fd.Ok || fc.Chi2 < fd.Chi2)) {
            b = d;
            d = c;
            fd = fc;
            c = b - ratio * (b - a);
            fc = FitAt(p, c, sigma);
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + ratio * (b - a);
            fd = FitAt(p, d, sigma);
        }
    }
    for (const TEdgeFit& f : {fc, fd})
        if (f.Ok && f.Chi2 < best.Chi2)
            best = f;
    return best;
}

// Variances of A and ut from the noise: rms^2 (J^T J)^-1, J the derivatives of the model
// A g((u - ut) / sigma) + C in A, ut and C at the fitted values.
void FitUncertainties(const TEdgePoints& p, const TEdgeFit& fit, double sigma, double rms,
                      double& errorA, double& errorUt) {
    double m[3][3] = {};
    for (std::size_t i = 0; i < p.U.size(); ++i) {
        double g = 0.0, slope = 0.0;
        Shape((p.U[i] - fit.Ut) / sigma, g, slope);
        const double j[3] = {g, -fit.A * slope / sigma, 1.0};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                m[r][c] += j[r] * j[c];
    }
    // The inverse's diagonal by cofactors (3 x 3, positive definite when the fit is sound).
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (!(det > 0.0)) {
        errorA = errorUt = INFINITY;
        return;
    }
    errorA = rms * std::sqrt((m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det);
    errorUt = rms * std::sqrt((m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det);
}

// ---- The line's extent -----------------------------------------------------------------------

// The running mean of `width` channels about channel i over the channels that are not missing,
// and how many it averaged.
double RunningMean(const std::vector<double>& y, const std::vector<TChannelUse>& use, std::size_t n,
                   std::size_t i, int width, int& count) {
    const std::size_t half = static_cast<std::size_t>(width / 2);
    const std::size_t first = i >= half ? i - half : 0, last = std::min(n - 1, i + half);
    double sum = 0.0;
    count = 0;
    for (std::size_t k = first; k <= last; ++k)
        if (use[k] != TChannelUse::Missing) {
            sum += y[k];
            ++count;
        }
    return count > 0 ? sum / count : 0.0;
}

// True when the running mean of `width` channels about i stands above level x its own rms.
bool Above(const std::vector<double>& y, const std::vector<TChannelUse>& use, std::size_t n,
           std::size_t i, int width, double rms, double level) {
    int count = 0;
    const double mean = RunningMean(y, use, n, i, width, count);
    return count > 0 && mean > level * rms / std::sqrt(static_cast<double>(count));
}

// True when the mean of the `width` channels from i onwards in direction step stands above
// level x its own rms: faint emission that goes on beyond a dip, such as a tangent point
// fainter than the gas nearer the Sun, still belongs to the line.
bool Ahead(const std::vector<double>& y, const std::vector<TChannelUse>& use, std::size_t n,
           std::size_t i, int step, int width, double rms, double level) {
    double sum = 0.0;
    int count = 0;
    for (int k = 0; k < width; ++k) {
        const std::ptrdiff_t j = static_cast<std::ptrdiff_t>(i) + step * k;
        if (j < 0 || j >= static_cast<std::ptrdiff_t>(n))
            break;
        if (use[static_cast<std::size_t>(j)] != TChannelUse::Missing) {
            sum += y[static_cast<std::size_t>(j)];
            ++count;
        }
    }
    return count > 0 && sum / count > level * rms / std::sqrt(static_cast<double>(count));
}

// Walks from the peak one channel at a time in direction step (+1 or -1) while the running
// mean stands above the extent level. Returns the last channel of the line; reason is set when
// the walk ran into a channel that ends the measurement while the line was still there.
std::size_t WalkExtent(const std::vector<double>& y, const std::vector<TChannelUse>& use,
                       std::size_t n, std::size_t peak, int step, int lookAhead, double rms,
                       const TTerminalSettings& settings, std::string& reason) {
    std::size_t last = peak;
    for (;;) {
        if ((step < 0 && last == 0) || (step > 0 && last + 1 >= n)) {
            reason = "the line reaches the end of the band";
            return last;
        }
        const std::size_t next = step > 0 ? last + 1 : last - 1;
        if (use[next] == TChannelUse::Missing) {
            reason = "the line reaches a missing channel";
            return last;
        }
        if (!Above(y, use, n, next, settings.Smoothing, rms, settings.ExtentLevel) &&
            !Ahead(y, use, n, next, step, lookAhead, rms, settings.ExtentLevel))
            return last;
        if (use[next] == TChannelUse::Baseline) {
            reason = "the line reaches the end of the window";
            return last;
        }
        last = next;
    }
}

// True when a channel fitted by the baseline lies beyond channel `from` in direction step.
bool BaselineBeyond(const std::vector<TChannelUse>& use, std::size_t n, std::size_t from,
                    int step) {
    for (std::ptrdiff_t k = static_cast<std::ptrdiff_t>(from);
         k >= 0 && k < static_cast<std::ptrdiff_t>(n); k += step)
        if (use[static_cast<std::size_t>(k)] == TChannelUse::Baseline)
            return true;
    return false;
}

// The mean signal of the channels whose side velocity u = sign x v lies in (low, high], in
// units of its own rms (rms / sqrt(channels)); 0 for none.
double MeanBeyond(const std::vector<double>& velocities, const std::vector<double>& corrected,
                  const std::vector<TChannelUse>& use, std::size_t n, double sign, double low,
                  double high, double rms) {
    double sum = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double u = sign * velocities[i];
        if (use[i] != TChannelUse::Missing && u > low && u <= high) {
            sum += corrected[i];
            ++count;
        }
    }
    return count > 0 ? sum / std::sqrt(static_cast<double>(count)) / rms : 0.0;
}

TTerminalResult& Without(TTerminalResult& result, const std::string& reason) {
    result.Velocity.reset();
    result.Reason = reason;
    return result;
}

// A ratio to one decimal, rounded down: a value just short of a limit never reads as the limit.
std::string Times(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::floor(value * 10.0) / 10.0);
    return text;
}

} // namespace

double RobustRms(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    auto median = [](std::vector<double>& v) {
        const std::size_t mid = v.size() / 2;
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
        double m = v[mid];
        if (v.size() % 2 == 0)
            m = 0.5 *
                (m + *std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid)));
        return m;
    };
    const double centre = median(values);
    for (double& v : values)
        v = std::fabs(v - centre);
    return 1.4826 * median(values);
}

double CrowdedEdgeShape(double x) {
    double g = 0.0, slope = 0.0;
    Shape(x, g, slope);
    return g;
}

TTerminalResult MeasureTerminalVelocity(const std::vector<double>& velocities,
                                        const std::vector<double>& corrected,
                                        const std::vector<TChannelUse>& use, TVelocitySide side,
                                        const TTerminalSettings& settings) {
    TTerminalResult result;
    if (!(settings.Dispersion > 0.0))
        return Without(result, "the gas's velocity dispersion must be positive");
    const std::size_t n = std::min({velocities.size(), corrected.size(), use.size()});
    std::vector<double> noise;
    noise.reserve(n);
    std::size_t peak = n;
    for (std::size_t i = 0; i < n; ++i) {
        if (use[i] == TChannelUse::Baseline)
            noise.push_back(corrected[i]);
        else if (use[i] == TChannelUse::Line && (peak == n || corrected[i] > corrected[peak]))
            peak = i;
    }
    if (noise.size() < 10)
        return Without(result, "fewer than 10 baseline channels for the noise");
    result.Rms = RobustRms(std::move(noise));
    if (!(result.Rms > 0.0))
        return Without(result, "the baseline channels hold no noise to measure against");
    if (peak == n)
        return Without(result, "no channel in the line window");
    result.PeakChannel = static_cast<int>(peak);
    const double level = corrected[peak] / result.Rms;
    if (!(level >= settings.DetectionLevel))
        return Without(result, "no line: the brightest channel is " + Times(level) +
                                   " x rms, below " + Times(settings.DetectionLevel));

    // Channel order against the side's velocity: step towards the edge to be measured.
    const double sign = side == TVelocitySide::Positive ? 1.0 : -1.0;
    const int outward = (velocities[n - 1] - velocities[0]) * sign > 0.0 ? 1 : -1;
    // The look-ahead spans four dispersions, the width of a tangent point's ridge and its fall:
    // a faint ridge beyond a dip still averages above its level over that many channels.
    const double spacing =
        std::fabs(velocities[n - 1] - velocities[0]) / static_cast<double>(n - 1);
    const int lookAhead =
        std::max(settings.Smoothing, static_cast<int>(4.0 * settings.Dispersion / spacing));
    std::string reason, inwardReason;
    const std::size_t edge =
        WalkExtent(corrected, use, n, peak, outward, lookAhead, result.Rms, settings, reason);
    const std::size_t start = WalkExtent(corrected, use, n, peak, -outward, lookAhead, result.Rms,
                                         settings, inwardReason);
    result.EdgeChannel = static_cast<int>(edge);
    if (!reason.empty())
        return Without(result, reason);
    if (!BaselineBeyond(use, n, edge, outward) || !BaselineBeyond(use, n, start, -outward))
        return Without(result, "the baseline was fitted on one side of the line only");

    // The edge fit. The extent's end lies beyond vt by an amount that grows with the tangent
    // point's brightness, so the first pass searches widely over channels about it; the next
    // two take the channels from 0.75 sigma inside the fitted vt to 3 sigma beyond it. Inside
    // that the crowding law gives way to the rest of the line of sight (the gas of other
    // radii, the local gas when vt is small), which pulls vt inwards.
    const double sigma = settings.Dispersion;
    double ut = sign * velocities[edge] - sigma;
    TEdgeFit fit;
    TEdgePoints points;
    // Per pass: the channels inside and beyond ut, the reach of the search about ut (all in
    // dispersions), the grid and the tolerance (km/s). The first pass only has to find the
    // basin; the last sets vt to 0.01 km/s, far below its uncertainty.
    struct TPass {
        double Inside, Beyond, Reach;
        int Grid;
        double Tolerance;
    };
    constexpr TPass passes[] = {{3.0, 4.0, 2.5, 17, 0.5},
                                {EdgeInside, EdgeBeyond, 0.5, 5, 0.1},
                                {EdgeInside, EdgeBeyond, 0.5, 5, 0.01}};
    for (const TPass& pass : passes) {
        points.U.clear();
        points.Y.clear();
        for (std::size_t i = 0; i < n; ++i) {
            const double u = sign * velocities[i];
            if (use[i] != TChannelUse::Missing && u >= ut - pass.Inside * sigma &&
                u <= ut + pass.Beyond * sigma) {
                points.U.push_back(u);
                points.Y.push_back(corrected[i]);
            }
        }
        fit = MinimiseOverUt(points, ut - pass.Reach * sigma, ut + pass.Reach * sigma, sigma,
                             pass.Grid, pass.Tolerance);
        if (!fit.Ok)
            return Without(result, "the edge could not be fitted");
        ut = fit.Ut;
    }
    double errorA = 0.0, errorUt = 0.0;
    FitUncertainties(points, fit, sigma, result.Rms, errorA, errorUt);
    result.Amplitude = fit.A;
    if (!(fit.A >= 3.0 * errorA))
        return Without(result, "no usable tangent emission: the edge's height is " +
                                   Times(fit.A / errorA) + " x its uncertainty, below 3");
    // The model leaves nothing beyond 3 sigma past vt. Emission there means the fit took an
    // inner edge (a bright ring inside the tangent point) while the tangent point's own faint
    // ridge went on beyond it.
    const double beyond = MeanBeyond(velocities, corrected, use, n, sign,
                                     fit.Ut + EdgeBeyond * sigma, fit.Ut + 7.0 * sigma, result.Rms);
    if (beyond > BeyondLevel)
        return Without(result, "the line goes on beyond the fitted edge (" + Times(beyond) +
                                   " x rms over the next 4 dispersions)");
    result.Velocity = sign * fit.Ut;
    result.Uncertainty = std::hypot(errorUt, ModelUncertainty(fit.Ut, sigma));
    return result;
}
