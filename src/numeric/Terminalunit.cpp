#include "numeric/Terminalunit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {

// The channels of the edge fit, in dispersions from vt: inside, where the crowding law still
// holds, and beyond, where the edge has fallen into the noise.
constexpr double EdgeInside = 0.75, EdgeBeyond = 6.0;

// x its uncertainty: the fitted edge's height that makes a tangent point.
constexpr double HeightLevel = 8.0;
// Of the line's brightest channel: the least height of a tangent point's edge (the other edge
// has no crowded ridge and may be as faint as the far gas is). On the model Galaxy's surveys
// the edges read hold 0.2 to 1 of the peak, a thinned tangent point's 0.1; a warm component's
// broad wing (25.9 km/s) ends 30 km/s beyond vt in an edge of 0.04, which the crowding law
// fits within the noise.
constexpr double PeakShare = 0.06;

// Of the edge's height: the mean signal beyond the edge fit's channels that a bright line's
// last wisps may leave without being taken for a ridge further out.
constexpr double BeyondShare = 0.03;
// Dispersions past vt, and the share of the edge's height beyond them. A tangent point's own
// ridge beyond an inner edge lies close to it (1.5 to 2 dispersions past the inner edge on the
// model Galaxy, where the disc's density steps at 4 kpc); further out the stretches hold a
// standing wave's crests left by the baseline (4 to 6 % of the edge's height with a ripple of
// 2 K) and the band's last channels, which the baseline's ends do not hold well. Further out only
// emission of a tenth of the edge's height is taken for the line going on.
constexpr double BeyondNear = 5.0, BeyondShareFar = 0.10;

// x rms of their mean: the signal of the 4 dispersions past the edge fit's channels that shows
// the line going on. At 3, 1 spectrum in 200 of the model Galaxy's survey is refused for its
// bright edge's last wisp; at 4 the wrong edges let through at noise 4 double the rms error.
// A wrong terminal velocity costs a rotation curve more than a missing one.
constexpr double BeyondLevel = 3.0;

// The uncertainty the model adds, km/s. The crowding law is the tangent point's alone; the
// rest of the line of sight moves vt by about 0.02 sigma (0.1 km/s on the model Galaxy of the
// sample generator, from l = 30 to 65 degrees). The local gas, centred on 0 km/s with much the
// same dispersion, pushes the edge outwards in proportion to its own Gaussian at vt, by up to
// 0.23 sigma more when vt nears 0 (measured on the same model without noise, the Gaussian taken
// at the vt read: 1.6 km/s at vt = 0.6 sigma, 1.2 km/s at 1.1 sigma, 0.5 km/s at 1.7 sigma);
// the allowance takes 0.25, so that the bias stays inside it. Where the disc's density changes
// abruptly just inside the tangent point (the model's step at 4 kpc, l = 25 degrees) the bias
// reaches 0.1 sigma and the allowance is short.
double ModelUncertainty(double vt, double sigma) {
    const double x = vt / sigma;
    return sigma * (0.02 + 0.25 * std::exp(-0.5 * x * x));
}

// ---- The edge shape --------------------------------------------------------------------------

constexpr double ShapeLow = -12.0, ShapeHigh = 8.0, ShapeStep = 0.02;
constexpr int ShapePoints = 1001; // (ShapeHigh - ShapeLow) / ShapeStep + 1

// g(x) = 2 integral_0^inf exp(-rate t^2) phi(x + t^2) dt (s = t^2 removes the s^(-1/2)
// singularity), by Simpson's rule in steps of 0.05 (the integrand is smooth: steps of 0.01
// agree to 3e-15) up to where phi has fallen below 1e-18. rate 0 is the crowded
// edge; a positive rate the part of it that gas missing within sigma / rate of vt takes away
// (the dip).
double ShapeIntegral(double x, double rate) {
    const double top = std::sqrt(std::max(0.0, 9.0 - x));
    if (top == 0.0)
        return 0.0;
    const int steps = 2 * static_cast<int>(std::ceil(top / 0.05 / 2.0));
    const double h = top / steps;
    const double norm = 1.0 / std::sqrt(2.0 * M_PI);
    double sum = 0.0;
    for (int k = 0; k <= steps; ++k) {
        const double s = (k * h) * (k * h);
        const double u = x + s;
        const double f = norm * std::exp(-0.5 * u * u - rate * s);
        sum += (k == 0 || k == steps ? 1.0 : (k % 2 == 1 ? 4.0 : 2.0)) * f;
    }
    return 2.0 * sum * h / 3.0;
}

using TShapeTable = std::array<double, ShapePoints>;

// The dip's rates: 0 the crowded edge itself, then scales of the missing gas from four
// dispersions down to a quarter of one.
constexpr std::array<double, 6> DipRates = {0.0, 0.25, 0.5, 1.0, 2.0, 4.0};

// The table of a dip's rate, computed when first needed: a function's static, whose guard the
// compiler tests inline (std::call_once called the thread library at every read of a table).
template <std::size_t D> const TShapeTable& ShapeTableOf() {
    static const TShapeTable table = [] {
        TShapeTable t;
        for (int i = 0; i < ShapePoints; ++i)
            t[static_cast<std::size_t>(i)] = ShapeIntegral(ShapeLow + i * ShapeStep, DipRates[D]);
        return t;
    }();
    return table;
}

// Each table is computed when first needed (the dip's scales other than 1 only where a dip is
// found): a table is 1001 integrals of some 70 points.
const TShapeTable& ShapeTable(int dip = 0) {
    static_assert(DipRates.size() == 6, "a table for each rate");
    switch (dip) {
    case 1:
        return ShapeTableOf<1>();
    case 2:
        return ShapeTableOf<2>();
    case 3:
        return ShapeTableOf<3>();
    case 4:
        return ShapeTableOf<4>();
    case 5:
        return ShapeTableOf<5>();
    default:
        return ShapeTableOf<0>();
    }
}

// g and its derivative at x, from the table (the derivative is the slope of the interval).
void Shape(double x, double& g, double& slope, int dip = 0) {
    if (x >= ShapeHigh) {
        g = slope = 0.0;
        return;
    }
    if (x < ShapeLow) {
        if (dip) { // the dip's fits keep within a few dispersions of vt
            g = slope = 0.0;
            return;
        }
        // Far inside: E[(-x + z)^(-1/2)] for a unit normal z, to second order.
        const double a = -x;
        g = (1.0 + 0.375 / (a * a)) / std::sqrt(a);
        slope = 0.5 * g / a;
        return;
    }
    const TShapeTable& t = ShapeTable(dip);
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
    // FitAt's shape values of the points, kept for its next call: a buffer, not part of the points.
    mutable std::vector<double> Crowded, Missing;
    // The sums that do not depend on the edge's shape: of 1, u, u^2, y, u y and y^2.
    double N = 0.0, Su = 0.0, Suu = 0.0, Sy = 0.0, Suy = 0.0, Syy = 0.0;
    void Add(double u, double y) {
        U.push_back(u);
        Y.push_back(y);
        N += 1.0;
        Su += u;
        Suu += u * u;
        Sy += y;
        Suy += u * y;
        Syy += y * y;
    }
    void Clear() {
        U.clear();
        Y.clear();
        N = Su = Suu = Sy = Suy = Syy = 0.0;
    }
};

// The fit's nonlinear parameters, and the model they and the linear ones make:
//   y(u) = A g((u - ut) / s) [- B g_dip((u - ut) / s)] + C + D (u - ut) / s0
// A the tangent point's edge, B the gas missing about the tangent point (a dip), C + D u the
// baseline left under the edge, s the edge's own dispersion and s0 the one given.
struct TEdgeShape {
    double Ut = 0.0;
    double Sigma = 8.0;  // km/s, the edge's dispersion, fitted
    double Sigma0 = 8.0; // km/s, the dispersion given
    int Dip = 0;         // with the term of gas missing about the tangent point: its rate
};

constexpr int MaxLinear = 4;

struct TEdgeFit {
    TEdgeShape Shape;
    std::array<double, MaxLinear> Linear{}; // A, [B,] C, D
    int Count = 0;                          // linear parameters used
    double Chi2 = 0.0;                      // sum of squared residuals, signal units squared
    bool Ok = false;
};

// A table read inline where x lies inside it: this is most of the measurement's time.
inline double Tabled(const TShapeTable& t, double x, int dip) {
    const double position = (x - ShapeLow) * (1.0 / ShapeStep);
    if (position >= 0.0 && position < ShapePoints - 1) {
        // Through int, which the processor converts in one instruction (an unsigned 64-bit
        // integer takes a test of the sign more); the same for a position inside the table.
        const int i = static_cast<int>(position);
        const std::size_t k = static_cast<std::size_t>(i);
        return t[k] + (position - static_cast<double>(i)) * (t[k + 1] - t[k]);
    }
    double g = 0.0, slope = 0.0;
    Shape(x, g, slope, dip);
    return g;
}

// The linear basis at u: g, [minus the dip's g,] 1, (u - ut) / s0.
int Basis(const TEdgeShape& e, double u, double* f) {
    int k = 0;
    const double x = (u - e.Ut) / e.Sigma;
    f[k++] = Tabled(ShapeTable(0), x, 0);
    if (e.Dip)
        f[k++] = -Tabled(ShapeTable(e.Dip), x, e.Dip);
    f[k++] = 1.0;
    f[k++] = (u - e.Ut) / e.Sigma0;
    return k;
}

double ModelAt(const TEdgeFit& fit, double u) {
    double f[MaxLinear];
    const int k = Basis(fit.Shape, u, f);
    double y = 0.0;
    for (int j = 0; j < k; ++j)
        y += fit.Linear[static_cast<std::size_t>(j)] * f[j];
    return y;
}

// Solves m x = b in place by Gaussian elimination with partial pivoting (n <= 6); false when m
// is singular.
template <std::size_t N>
bool Solve(std::array<std::array<double, N>, N> m, std::array<double, N>& b, int n) {
    for (int c = 0; c < n; ++c) {
        int pivot = c;
        for (int r = c + 1; r < n; ++r)
            if (std::fabs(m[r][c]) > std::fabs(m[pivot][c]))
                pivot = r;
        if (!(std::fabs(m[pivot][c]) > 1e-300))
            return false;
        std::swap(m[c], m[pivot]);
        std::swap(b[c], b[pivot]);
        for (int r = c + 1; r < n; ++r) {
            const double f = m[r][c] / m[c][c];
            for (int k = c; k < n; ++k)
                m[r][k] -= f * m[c][k];
            b[r] -= f * b[c];
        }
    }
    for (int c = n - 1; c >= 0; --c) {
        for (int k = c + 1; k < n; ++k)
            b[c] -= m[c][k] * b[k];
        b[c] /= m[c][c];
    }
    return true;
}

// The best linear parameters for a fixed shape (linear least squares), and the residual sum
// of squares from the normal equations (y.y - beta.b): this is most of the measurement's time.
// Only the sums with the shape's columns (g and the dip's) take a pass over the channels; those
// of the baseline's columns (1 and (u - ut) / s0) follow from the points' own sums.
TEdgeFit FitAt(const TEdgePoints& p, const TEdgeShape& shape) {
    TEdgeFit fit;
    fit.Shape = shape;
    const bool dip = shape.Dip != 0;
    const TShapeTable& crowded = ShapeTable(0);
    const TShapeTable* missing = dip ? &ShapeTable(shape.Dip) : nullptr;
    const double inverse = 1.0 / shape.Sigma;
    // Of g: sum, squares, times u, times y; of the dip's d the same, and g d. The crowded edge
    // alone (most fits) has loops of its own. The shape's values are read first and summed
    // after: a loop that may call the shape beyond its table (Shape) cannot keep the sums in
    // registers, and summing them through memory took twice the time.
    double sg = 0.0, sgg = 0.0, sgu = 0.0, sgy = 0.0;
    double sd = 0.0, sdd = 0.0, sdu = 0.0, sdy = 0.0, sgd = 0.0;
    const std::size_t count = p.U.size();
    p.Crowded.resize(count);
    if (!dip) {
        for (std::size_t i = 0; i < count; ++i)
            p.Crowded[i] = Tabled(crowded, (p.U[i] - shape.Ut) * inverse, 0);
        for (std::size_t i = 0; i < count; ++i) {
            const double u = p.U[i], y = p.Y[i], g = p.Crowded[i];
            sg += g;
            sgg += g * g;
            sgu += g * u;
            sgy += g * y;
        }
    } else {
        p.Missing.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const double x = (p.U[i] - shape.Ut) * inverse;
            p.Crowded[i] = Tabled(crowded, x, 0);
            p.Missing[i] = -Tabled(*missing, x, shape.Dip);
        }
        for (std::size_t i = 0; i < count; ++i) {
            const double u = p.U[i], y = p.Y[i], g = p.Crowded[i], d = p.Missing[i];
            sg += g;
            sgg += g * g;
            sgu += g * u;
            sgy += g * y;
            sd += d;
            sdd += d * d;
            sdu += d * u;
            sdy += d * y;
            sgd += g * d;
        }
    }
    // The baseline's columns: 1 and w = (u - ut) / s0.
    const double ut = shape.Ut, w0 = 1.0 / shape.Sigma0;
    const double sw = (p.Su - ut * p.N) * w0;
    const double sww = (p.Suu - 2.0 * ut * p.Su + ut * ut * p.N) * w0 * w0;
    const double swy = (p.Suy - ut * p.Sy) * w0;
    const double sgw = (sgu - ut * sg) * w0, sdw = (sdu - ut * sd) * w0;
    std::array<std::array<double, MaxLinear>, MaxLinear> m{};
    std::array<double, MaxLinear> b{};
    int k = 0;
    if (dip) {
        m[0] = {sgg, sgd, sg, sgw};
        m[1] = {sgd, sdd, sd, sdw};
        m[2] = {sg, sd, p.N, sw};
        m[3] = {sgw, sdw, sw, sww};
        b = {sgy, sdy, p.Sy, swy};
        k = 4;
    } else {
        m[0] = {sgg, sg, sgw, 0.0};
        m[1] = {sg, p.N, sw, 0.0};
        m[2] = {sgw, sw, sww, 0.0};
        b = {sgy, p.Sy, swy, 0.0};
        k = 3;
    }
    std::array<double, MaxLinear> beta = b;
    if (static_cast<int>(p.U.size()) <= k || !Solve(m, beta, k))
        return fit;
    fit.Linear = beta;
    fit.Count = k;
    double explained = 0.0;
    for (int r = 0; r < k; ++r)
        explained += beta[static_cast<std::size_t>(r)] * b[static_cast<std::size_t>(r)];
    fit.Chi2 = std::max(0.0, p.Syy - explained);
    fit.Ok = true;
    return fit;
}

// ut minimising the residual over [low, high] for a fixed dispersion: a grid of `grid` points
// finds the basin, golden section then narrows it to `tolerance` km/s. The grid guards against
// the local minima that a lone noise feature beside the edge can make.
TEdgeFit MinimiseOverUt(const TEdgePoints& p, TEdgeShape shape, double low, double high, int grid,
                        double tolerance) {
    TEdgeFit best;
    auto at = [&](double ut) {
        shape.Ut = ut;
        return FitAt(p, shape);
    };
    const double step = (high - low) / (grid - 1);
    for (int k = 0; k < grid; ++k) {
        const TEdgeFit f = at(low + k * step);
        if (f.Ok && (!best.Ok || f.Chi2 < best.Chi2))
            best = f;
    }
    if (!best.Ok)
        return best;
    double a = best.Shape.Ut - step, b = best.Shape.Ut + step;
    const double ratio = 0.5 * (std::sqrt(5.0) - 1.0);
    double c = b - ratio * (b - a), d = a + ratio * (b - a);
    TEdgeFit fc = at(c), fd = at(d);
    while (b - a > tolerance) {
        if (fc.Ok && (!fd.Ok || fc.Chi2 < fd.Chi2)) {
            b = d;
            d = c;
            fd = fc;
            c = b - ratio * (b - a);
            fc = at(c);
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + ratio * (b - a);
            fd = at(d);
        }
    }
    for (const TEdgeFit& f : {fc, fd})
        if (f.Ok && f.Chi2 < best.Chi2)
            best = f;
    return best;
}

// The prior on the edge's dispersion: ln(s / s0) is normal with this width. The cold gas at the
// tangent points has 5 to 10 km/s, the published fits of terminal velocities take 7 to 9
// (Clemens 1985; McClure-Griffiths & Dickey 2007): a quarter either way about the value given.
constexpr double DispersionPrior = 0.2;

// The penalty of the prior, in the units of chi^2 / rms^2.
double PriorPenalty(const TEdgeShape& e) {
    const double z = std::log(e.Sigma / e.Sigma0) / DispersionPrior;
    return z * z;
}

// The best ut and dispersion from a start: Newton's method on the cost (the residual over
// rms^2 plus the prior) in ut and ln s, with the gradient and Hessian by central differences
// and the step halved until the cost falls; ut stays within [low, high].
// Reference: Press et al., Numerical Recipes, ch. 10 (Newton's method with a line search).
TEdgeFit MinimiseEdge(const TEdgePoints& p, const TEdgeFit& start, double low, double high,
                      double rms2) {
    auto cost = [&](const TEdgeFit& f) { return f.Chi2 / rms2 + PriorPenalty(f.Shape); };
    auto at = [&](double ut, double ln) {
        TEdgeShape shape = start.Shape;
        shape.Ut = std::clamp(ut, low, high);
        shape.Sigma = shape.Sigma0 * std::exp(std::clamp(ln, -1.0, 1.0));
        return FitAt(p, shape);
    };
    TEdgeFit best = start;
    if (!best.Ok)
        return best;
    double c0 = cost(best);
    const double hu = 0.05 * start.Shape.Sigma0, hs = 0.05;
    for (int iteration = 0; iteration < 5; ++iteration) {
        const double ut = best.Shape.Ut, ln = std::log(best.Shape.Sigma / best.Shape.Sigma0);
        const TEdgeFit fu1 = at(ut + hu, ln), fu0 = at(ut - hu, ln);
        const TEdgeFit fs1 = at(ut, ln + hs), fs0 = at(ut, ln - hs);
        const TEdgeFit fus = at(ut + hu, ln + hs);
        if (!(fu1.Ok && fu0.Ok && fs1.Ok && fs0.Ok && fus.Ok))
            break;
        const double gu = (cost(fu1) - cost(fu0)) / (2 * hu),
                     gs = (cost(fs1) - cost(fs0)) / (2 * hs);
        const double huu = (cost(fu1) - 2 * c0 + cost(fu0)) / (hu * hu);
        const double hss = (cost(fs1) - 2 * c0 + cost(fs0)) / (hs * hs);
        const double hus = (cost(fus) - cost(fu1) - cost(fs1) + c0) / (hu * hs);
        const double det = huu * hss - hus * hus;
        double du, ds;
        if (huu > 0.0 && det > 0.0) {
            du = -(hss * gu - hus * gs) / det;
            ds = -(huu * gs - hus * gu) / det;
        } else { // not yet convex: a gradient step of a fixed length
            const double norm = std::hypot(gu / (1.0 / hu), gs / (1.0 / hs));
            du = norm > 0.0 ? -gu * hu * hu / norm * 4.0 : 0.0;
            ds = norm > 0.0 ? -gs * hs * hs / norm * 4.0 : 0.0;
        }
        bool moved = false;
        for (int halving = 0; halving < 6; ++halving, du *= 0.5, ds *= 0.5) {
            const TEdgeFit trial = at(ut + du, ln + ds);
            if (trial.Ok && cost(trial) < c0) {
                best = trial;
                c0 = cost(trial);
                moved = true;
                break;
            }
        }
        if (!moved || (std::fabs(du) < 0.005 && std::fabs(ds) < 0.001))
            break;
    }
    return best;
}

// The model's derivative in each parameter at u: the linear basis, then ut and ln s by central
// differences.
int Derivatives(const TEdgeFit& fit, double u, double* j) {
    const int k = Basis(fit.Shape, u, j);
    TEdgeFit moved = fit;
    const double h = 1e-4 * fit.Shape.Sigma;
    moved.Shape.Ut = fit.Shape.Ut + h;
    const double up = ModelAt(moved, u);
    moved.Shape.Ut = fit.Shape.Ut - h;
    j[k] = (up - ModelAt(moved, u)) / (2.0 * h);
    moved.Shape.Ut = fit.Shape.Ut;
    moved.Shape.Sigma = fit.Shape.Sigma * std::exp(1e-4);
    const double wide = ModelAt(moved, u);
    moved.Shape.Sigma = fit.Shape.Sigma * std::exp(-1e-4);
    j[k + 1] = (wide - ModelAt(moved, u)) / 2e-4;
    return k + 2;
}

// 1-sigma uncertainties of the fit: (J^T J / (kappa rms^2) + prior)^-1, J the derivatives of
// the model in every parameter, kappa the noise's correlation factor. Returned: of A, of ut,
// and of ut with the dispersion held at its fitted value (the noise's share alone).
struct TEdgeErrors {
    double A = INFINITY, Ut = INFINITY, UtNoiseOnly = INFINITY;
};

TEdgeErrors FitUncertainties(const TEdgePoints& p, const TEdgeFit& fit, double variance) {
    constexpr std::size_t N = MaxLinear + 2;
    std::array<std::array<double, N>, N> m{};
    double j[N];
    int n = 0;
    // The lower triangle summed (j[r] j[c] and j[c] j[r] are the same number), the upper one
    // its mirror.
    for (std::size_t i = 0; i < p.U.size(); ++i) {
        n = Derivatives(fit, p.U[i], j);
        for (int r = 0; r < n; ++r)
            for (int c = 0; c <= r; ++c)
                m[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] +=
                    j[r] * j[c] / variance;
    }
    for (std::size_t r = 0; r < N; ++r)
        for (std::size_t c = 0; c < r; ++c)
            m[c][r] = m[r][c];
    TEdgeErrors errors;
    if (n == 0)
        return errors;
    const int ut = n - 2, ln = n - 1;
    auto inverseDiagonal = [&](const std::array<std::array<double, N>, N>& a, int size, int index) {
        std::array<double, N> e{};
        e[static_cast<std::size_t>(index)] = 1.0;
        return Solve(a, e, size) && e[static_cast<std::size_t>(index)] > 0.0
                   ? std::sqrt(e[static_cast<std::size_t>(index)])
                   : INFINITY;
    };
    // With the dispersion held, its row and column are left out (it is the last).
    errors.UtNoiseOnly = inverseDiagonal(m, n - 1, ut);
    m[static_cast<std::size_t>(ln)][static_cast<std::size_t>(ln)] +=
        1.0 / (DispersionPrior * DispersionPrior);
    errors.Ut = inverseDiagonal(m, n, ut);
    errors.A = inverseDiagonal(m, n, 0);
    return errors;
}

// The factor a misfit beyond the noise widens a fit's errors by: its reduced chi^2, at least 1.
double Misfit(const TEdgeFit& fit, double rms2, double dof) {
    return dof > 0.0 ? std::max(1.0, fit.Chi2 / rms2 / dof) : 1.0;
}

// ---- A thinned tangent point ------------------------------------------------------------------

// The gas about a tangent point is not always there: where the line of sight crosses an
// inter-arm gap, the crowded ridge is thinned and the edge a crowded-gas fit reads lies inwards
// of vt (by 0.3 to 0.4 dispersions on the model Galaxy with the gas thinned to 0.3). Such an edge
// is fitted with the dip term: the crowded edge less the gas missing within a scale of vt (rate =
// sigma / scale, DipRates). The dip shows inside the edge, so these fits take the channels from
// DipInside dispersions inside it.
constexpr double DipInside = 2.0;
// x chi^2 / rms^2: what a dip of rate 1 must gain over the crowded edge on the same channels,
// both at the crowded edge's dispersion, to be taken as found (a 3-sigma gain for one
// parameter). On the model Galaxy's surveys a lower level (4, 6) finds dips in plain spectra
// and widens their scatter; with the tangent gas thinned to 0.3 the dip is found up to
// l = 60 degrees, and beyond it is all but hidden by the local gas.
constexpr double DipDetection = 9.0;
// Dispersions: the furthest the dip's reading may lie from the crowded edge. With the gas
// thinned to 0.3 the readings average 0.4 to 0.7 dispersions outwards of the crowded edge;
// a reading further out fits something else, such as the disc's density changing a few kpc
// inside the tangent point (1.5 to 1.8 dispersions at l = 25 degrees on the model Galaxy), and
// the crowded edge stands.
constexpr double DipReach = 1.0;
// Dispersions: the crowded edge's allowance where a dip was found beyond DipReach, that is where
// the gas's density changes abruptly a few kpc inside the tangent point. The crowded edge is
// then read up to 0.14 dispersions inwards (1.1 km/s at l = 25 degrees on the model Galaxy,
// whatever the noise).
constexpr double StepAllowance = 0.15;

// Dispersions: the allowance for a thinned tangent point the dip's test cannot see. Its channels
// reach DipInside dispersions inside vt; where that is within a dispersion or so of 0 km/s, the
// local gas fills them and hides the dip (on the model Galaxy with the gas thinned to 0.3, at
// vt = 1.7 to 2.6 dispersions, l = 65 to 70 degrees, the crowded edge is read 1.3 to 2.3 km/s
// inwards and no dip is found). The allowance is half the move of such a dip (0.3 dispersions)
// where the dip's channels reach 0 km/s, falling off as the local gas's Gaussian beyond; nearer
// 0 the local gas's own allowance (ModelUncertainty) is the larger and stands for both.
constexpr double BlindDip = 0.15;

// Dispersions per share of the edge's height: the allowance for a warm component's broad wing.
// The wing runs under the edge and on past it; the crowded edge on a straight local baseline
// cannot tell the wing's bend from its own fall, and reads vt up to 3 km/s off either way (on
// the model Galaxy with a wing of 25.9 km/s, whose emission 3 to 7 dispersions past vt holds 2
// to 4 % of the edge's height; a tangent point's own edge leaves none there). 4 dispersions
// per share brings 7 of those readings in 10 within their errors.
constexpr double WingAllowance = 4.0;

double BlindDipAllowance(double vt, double sigma) {
    const double x = std::max(0.0, vt / sigma - DipInside);
    return BlindDip * sigma * std::exp(-0.5 * x * x);
}

struct TDipReading {
    bool Detected = false;
    double Ut = 0.0;    // km/s, on the side's axis, when Detected
    double Stat = 0.0;  // km/s, the noise's share
    double Sys = 0.0;   // km/s, the dispersion's share and the spread between dip scales
    double Shift = 0.0; // km/s, when not Detected: half the move a dip of rate 1 makes
};

// The dip found or not. Not found, the crowded edge stands and half the move a dip of rate 1
// makes on the edge's own channels is an allowance. Found, the scale of the missing gas is
// poorly fixed by the data (a narrow deep dip and a broad shallow one look alike), so vt is the
// average over the scales weighted by their likelihoods, exp(-chi^2 / 2 rms^2), and the spread
// between them is part of its uncertainty: Bayesian model averaging (Hoeting, Madigan, Raftery
// & Volinsky 1999, Statistical Science 14, 382).
TDipReading ReadDip(const std::vector<double>& velocities, const std::vector<double>& corrected,
                    const std::vector<TChannelUse>& use, std::size_t n, double sign,
                    const TEdgePoints& points, const TEdgeFit& crowded, double crowdedError,
                    double rms2) {
    TDipReading reading;
    const double sigma = crowded.Shape.Sigma0, ut = crowded.Shape.Ut;
    auto cost = [&](const TEdgeFit& f) { return f.Chi2 / rms2 + PriorPenalty(f.Shape); };
    // At the crowded edge's dispersion, or with the dispersion fitted too.
    auto withDip = [&](const TEdgePoints& p, int rate, double low, double high, int grid,
                       bool dispersion) {
        TEdgeShape shape = crowded.Shape;
        shape.Dip = rate;
        // Newton's method refines ut after the search; the detection's costs barely move below
        // a fifth of a km/s.
        TEdgeFit fit = MinimiseOverUt(p, shape, low, high, grid, dispersion ? 0.3 : 0.2);
        if (fit.Ok && dispersion)
            fit = MinimiseEdge(p, fit, low, high, rms2);
        fit.Ok = fit.Ok && fit.Linear[0] > 0.0 && fit.Linear[1] > 0.0;
        return fit;
    };
    constexpr int RateOne = 3;
    TEdgePoints wide;
    for (std::size_t i = 0; i < n; ++i) {
        const double u = sign * velocities[i];
        if (use[i] != TChannelUse::Missing && u >= ut - DipInside * sigma &&
            u <= ut + EdgeBeyond * sigma) {
            wide.Add(u, corrected[i]);
        }
    }
    const double low = ut - sigma, high = ut + 2.0 * sigma;
    // Whether there is a dip is settled at the crowded edge's dispersion; the dip's readings fit
    // it too.
    const TEdgeFit base = MinimiseOverUt(wide, crowded.Shape, low, high, 7, 0.2);
    const TEdgeFit one = withDip(wide, RateOne, low, high, 7, false);
    std::vector<TEdgeFit> fits;
    std::vector<double> weights;
    double total = 0.0, mean = 0.0, stat = 0.0, dispersion = 0.0, rejected = 0.0;
    if (base.Ok && one.Ok && cost(base) - cost(one) > DipDetection) {
        for (int rate = 1; rate < static_cast<int>(DipRates.size()); ++rate) {
            const TEdgeFit fit = withDip(wide, rate, low, high, 7, true);
            if (fit.Ok)
                fits.push_back(fit);
        }
        double best = INFINITY;
        for (const TEdgeFit& f : fits)
            best = std::min(best, cost(f));
        for (const TEdgeFit& f : fits) {
            const double w = std::exp(-0.5 * (cost(f) - best));
            const double dof = static_cast<double>(wide.U.size()) - f.Count - 2;
            const double misfit = Misfit(f, rms2, dof);
            const TEdgeErrors e = FitUncertainties(wide, f, rms2 * misfit);
            weights.push_back(w);
            total += w;
            mean += w * f.Shape.Ut;
            stat += w * e.UtNoiseOnly * e.UtNoiseOnly;
            dispersion += w * std::max(0.0, e.Ut * e.Ut - e.UtNoiseOnly * e.UtNoiseOnly);
        }
        mean /= total;
        if (std::fabs(mean - ut) > DipReach * sigma) {
            fits.clear();
            rejected = StepAllowance * sigma;
        }
    }
    if (!fits.empty()) {
        double spread = 0.0;
        for (std::size_t k = 0; k < fits.size(); ++k)
            spread += weights[k] * (fits[k].Shape.Ut - mean) * (fits[k].Shape.Ut - mean);
        reading.Detected = true;
        reading.Ut = mean;
        reading.Stat = std::sqrt(stat / total);
        reading.Sys = std::sqrt((dispersion + spread) / total);
        return reading;
    }
    const TEdgeFit narrow = withDip(points, RateOne, ut - 0.5 * sigma, ut + sigma, 5, true);
    if (narrow.Ok) {
        // The move holds the noise's own difference between the two fits, whose variance is
        // the difference of theirs, the crowded edge being the dip's with no dip (Hausman 1978,
        // Econometrica 46, 1251); only what goes beyond it is a dip's.
        const double dof = static_cast<double>(points.U.size()) - narrow.Count - 2;
        const TEdgeErrors e = FitUncertainties(points, narrow, rms2 * Misfit(narrow, rms2, dof));
        const double move = narrow.Shape.Ut - ut;
        const double noise = std::max(0.0, e.Ut * e.Ut - crowdedError * crowdedError);
        reading.Shift = 0.5 * std::sqrt(std::max(0.0, move * move - noise));
    }
    reading.Shift = std::max(reading.Shift, rejected);
    return reading;
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
        // A channel the baseline was fitted to may still belong to the line: the edge fit
        // stands on a baseline of its own, so the walk goes on.
        last = next;
    }
}

// The mean signal of the channels whose side velocity u = sign x v lies in (low, high], and how
// many there are.
// On an axis whose side velocities only rise (order +1) or only fall (-1) with the channel, the
// channels of a stretch are one run, found by bisection, and only they are summed, in the same
// order; on any other axis (order 0) every channel is looked at.
double MeanBeyond(const std::vector<double>& velocities, const std::vector<double>& corrected,
                  const std::vector<TChannelUse>& use, std::size_t n, double sign, int order,
                  double low, double high, int& count) {
    std::size_t first = 0, last = n;
    auto at = [&](std::size_t i) { return sign * velocities[i]; };
    auto bound = [&](auto below) {
        std::size_t a = 0, b = n; // the first channel where below fails
        while (a < b) {
            const std::size_t middle = a + (b - a) / 2;
            if (below(at(middle)))
                a = middle + 1;
            else
                b = middle;
        }
        return a;
    };
    if (order > 0) {
        first = bound([low](double u) { return u <= low; });
        last = bound([high](double u) { return u <= high; });
    } else if (order < 0) {
        first = bound([high](double u) { return u > high; });
        last = bound([low](double u) { return u > low; });
    }
    double sum = 0.0;
    count = 0;
    for (std::size_t i = first; i < last; ++i) {
        const double u = at(i);
        if (use[i] != TChannelUse::Missing && u > low && u <= high) {
            sum += corrected[i];
            ++count;
        }
    }
    return count > 0 ? sum / count : 0.0;
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

// ---- Order statistics -------------------------------------------------------------------------

// The buffers a selection reuses.
struct TSelection {
    std::vector<double> Kept;
    std::vector<std::uint32_t> Next; // per value, the one counted before it into its bucket
};

// The k-th smallest of values (k from 0), and with below the (k-1)-th (the k-th itself for
// k = 0): the value std::nth_element would place at k, and the largest it would leave before it.
// A quickselect's comparisons of noisy values mispredict about half of their branches, which
// made the medians of the noise a seventh of the batch's processor time. Here the values are
// counted into 256 buckets of equal width between the smallest and the largest (a monotonic map,
// so a bucket's values all lie between those of the buckets about it), each bucket's values
// chained, and std::nth_element finishes on the few values of the bucket that holds the k-th. A
// NaN, or a span that does not divide (all values equal, or an overflow), leaves the selection to
// std::nth_element on all the values, as before. Reference: the distributive partitioning of
// Dobosiewicz (1978), Inf. Proc. Lett. 7, 1, made a selection.
double NthSmallest(std::vector<double>& values, std::size_t k, TSelection& work,
                   double* below = nullptr) {
    const std::size_t n = values.size();
    constexpr int Buckets = 256, NotANumber = Buckets + 1;
    constexpr std::uint32_t End = 0xffffffff; // of a bucket's chain
    if (n >= 64 && n < End) {
        // Two of each, every other value, so that the pairs go together.
        std::array<double, 2> lows = {values[0], values[0]}, highs = lows;
        for (std::size_t i = 0; i + 1 < n; i += 2)
            for (std::size_t j = 0; j < 2; ++j) {
                lows[j] = std::min(lows[j], values[i + j]);
                highs[j] = std::max(highs[j], values[i + j]);
            }
        const double low = std::min({lows[0], lows[1], values[n - 1]});
        const double high = std::max({highs[0], highs[1], values[n - 1]});
        const double range = high - low;
        if (range > 0.0 && range < INFINITY) {
            // (v - low) x scale lies in [0, 256] for every number v (the last bucket holds the
            // largest, and rounding cannot carry it to 257); a NaN fails the comparison.
            const double scale = Buckets / range;
            std::array<std::uint32_t, NotANumber + 1> counts{}, heads;
            heads.fill(End);
            work.Next.resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                const double t = (values[i] - low) * scale;
                const auto bucket =
                    static_cast<std::size_t>(t < Buckets + 1.0 ? static_cast<int>(t) : NotANumber);
                work.Next[i] = heads[bucket];
                heads[bucket] = static_cast<std::uint32_t>(i);
                ++counts[bucket];
            }
            if (counts[NotANumber] == 0) {
                // The value of the given rank, and the one before it when that lies in the
                // same bucket (inside: true).
                auto select = [&](std::size_t rank, double& before, bool& inside) {
                    std::size_t bucket = 0;
                    while (rank >= counts[bucket])
                        rank -= counts[bucket++];
                    work.Kept.clear();
                    for (std::uint32_t i = heads[bucket]; i != End; i = work.Next[i])
                        work.Kept.push_back(values[i]);
                    const auto at = work.Kept.begin() + static_cast<std::ptrdiff_t>(rank);
                    std::nth_element(work.Kept.begin(), at, work.Kept.end());
                    inside = rank > 0;
                    if (inside)
                        before = *std::max_element(work.Kept.begin(), at);
                    return *at;
                };
                double before = 0.0;
                bool inside = false;
                const double kth = select(k, before, inside);
                if (below)
                    *below = k == 0 ? kth : inside ? before : select(k - 1, before, inside);
                return kth;
            }
        }
    }
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(k);
    std::nth_element(values.begin(), at, values.end());
    if (below)
        *below = *std::max_element(values.begin(), at);
    return *at;
}

} // namespace

double RobustRms(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    TSelection work;
    auto median = [&work](std::vector<double>& v) {
        const std::size_t mid = v.size() / 2;
        double below = 0.0;
        double m = NthSmallest(v, mid, work, v.size() % 2 == 0 ? &below : nullptr);
        if (v.size() % 2 == 0)
            m = 0.5 * (m + below);
        return m;
    };
    const double centre = median(values);
    for (double& v : values)
        v = std::fabs(v - centre);
    return 1.4826 * median(values);
}

double NoiseCorrelation(const std::vector<double>& signal, const std::vector<TChannelUse>& use) {
    const std::size_t n = std::min(signal.size(), use.size());
    auto pairs = [&](std::size_t lag, auto&& take) {
        for (std::size_t i = 0; i + lag < n; ++i)
            if (use[i] == TChannelUse::Baseline && use[i + lag] == TChannelUse::Baseline)
                take(signal[i + lag] - signal[i]);
    };
    // Outliers (interference, a wing's last channels) are cut at 5 x the robust rms of the
    // differences 6 channels apart, the noise's own; the variances are then plain means of
    // squares, for a median's variance would make white noise look correlated one time in five.
    std::vector<double> sizes;
    sizes.reserve(n);
    pairs(6, [&](double d) { sizes.push_back(std::fabs(d)); });
    if (sizes.size() < 20)
        return 1.0;
    TSelection work;
    const double clip = 5.0 * 1.4826 * NthSmallest(sizes, sizes.size() / 2, work);
    if (!(clip > 0.0))
        return 1.0;
    auto variance = [&](std::size_t lag) {
        double sum = 0.0;
        int count = 0;
        pairs(lag, [&](double d) {
            if (std::fabs(d) < clip) {
                sum += d * d;
                ++count;
            }
        });
        return count >= 20 ? sum / count : 0.0;
    };
    double reference = 0.0;
    for (std::size_t lag = 5; lag <= 8; ++lag) {
        const double v = variance(lag);
        if (!(v > 0.0))
            return 1.0;
        reference += 0.25 * v;
    }
    double factor = 1.0;
    for (std::size_t lag = 1; lag <= 3; ++lag) {
        const double rho = 1.0 - variance(lag) / reference;
        if (!(rho > 0.15))
            break; // the correlation of a smoothed receiver only falls with the lag
        factor += 2.0 * rho;
    }
    return std::min(factor, 10.0);
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
    // Means over many channels are as uncertain as kappa x fewer independent ones.
    const double kappa =
        settings.Correlation > 0.0 ? settings.Correlation : NoiseCorrelation(corrected, use);
    const double meanRms = result.Rms * std::sqrt(kappa);

    // Channel order against the side's velocity: step towards the edge to be measured.
    const double sign = side == TVelocitySide::Positive ? 1.0 : -1.0;
    const int outward = (velocities[n - 1] - velocities[0]) * sign > 0.0 ? 1 : -1;
    // The look-ahead spans four dispersions, the width of a tangent point's ridge and its fall:
    // a faint ridge beyond a dip still averages above its level over that many channels.
    const double spacing =
        std::fabs(velocities[n - 1] - velocities[0]) / static_cast<double>(n - 1);
    const int lookAhead =
        std::max(settings.Smoothing, static_cast<int>(4.0 * settings.Dispersion / spacing));
    std::string reason;
    const std::size_t edge =
        WalkExtent(corrected, use, n, peak, outward, lookAhead, meanRms, settings, reason);
    result.EdgeChannel = static_cast<int>(edge);
    if (!reason.empty())
        return Without(result, reason);

    // The edge fit. The extent's end lies beyond vt by an amount that grows with the tangent
    // point's brightness, so the first pass searches widely over channels about it; the next
    // two take the channels from 0.75 s0 inside the fitted vt to 6 s0 beyond it: the edge and
    // the baseline beyond it, which holds the local baseline (C + D u) that the edge stands
    // on. Inside that the crowding law gives way to the rest of the line of sight (the gas of
    // other radii, the local gas when vt is small), which pulls vt inwards.
    const double sigma = settings.Dispersion;
    TEdgeShape shape;
    shape.Sigma = shape.Sigma0 = sigma;
    shape.Ut = sign * velocities[edge] - sigma;
    TEdgeFit fit;
    TEdgePoints points;
    // Per pass: the channels inside and beyond ut, the reach of the search about ut (all in
    // dispersions), the grid and the tolerance (km/s). The first pass only has to find the
    // basin; in the last Newton's method sets vt and the dispersion from where the search stops.
    struct TPass {
        double Inside, Beyond, Reach;
        int Grid;
        double Tolerance;
    };
    constexpr TPass passes[] = {{3.0, EdgeBeyond, 2.5, 11, 0.5},
                                {EdgeInside, EdgeBeyond, 0.5, 3, 0.1},
                                {EdgeInside, EdgeBeyond, 0.5, 3, 0.3}};
    const double rms2 = result.Rms * result.Rms * kappa;
    for (const TPass& pass : passes) {
        points.Clear();
        for (std::size_t i = 0; i < n; ++i) {
            const double u = sign * velocities[i];
            if (use[i] != TChannelUse::Missing && u >= shape.Ut - pass.Inside * sigma &&
                u <= shape.Ut + pass.Beyond * sigma) {
                points.Add(u, corrected[i]);
            }
        }
        const double low = shape.Ut - pass.Reach * sigma, high = shape.Ut + pass.Reach * sigma;
        // The first passes find the basin at the dispersion given; the last, from there, fits
        // the dispersion too.
        fit = MinimiseOverUt(points, shape, low, high, pass.Grid, pass.Tolerance);
        if (&pass == &passes[2] && fit.Ok)
            fit = MinimiseEdge(points, fit, low, high, rms2);
        if (!fit.Ok)
            return Without(result, "the edge could not be fitted");
        shape = fit.Shape;
    }
    // A misfit beyond the noise (the model is the tangent point's alone) widens the errors.
    const double dof = static_cast<double>(points.U.size()) - fit.Count - 2;
    const double misfit = Misfit(fit, rms2, dof);
    const TEdgeErrors errors = FitUncertainties(points, fit, rms2 * misfit);
    const TDipReading dip = settings.TangentPoint ? ReadDip(velocities, corrected, use, n, sign,
                                                            points, fit, errors.Ut, rms2)
                                                  : TDipReading{};
    const double ut = fit.Shape.Ut;
    // The local baseline needs the channels beyond the edge: at least half of those from 3 to 6
    // dispersions past vt.
    int beyondChannels = 0;
    for (const double u : points.U)
        beyondChannels += u > ut + EdgeInside * sigma + 3.0 * sigma;
    if (beyondChannels < static_cast<int>(0.5 * (EdgeBeyond - 3.0) * sigma / spacing))
        return Without(result, "the band ends too soon after the edge for a baseline beyond it");
    result.Amplitude = fit.Linear[0];
    if (!(result.Amplitude >= HeightLevel * errors.A))
        return Without(result, "no usable tangent emission: the edge's height is " +
                                   Times(result.Amplitude / errors.A) +
                                   " x its uncertainty, below " + Times(HeightLevel));
    if (settings.TangentPoint && !(result.Amplitude >= PeakShare * corrected[peak]))
        return Without(result, "no tangent point's edge: the edge's height is " +
                                   Times(result.Amplitude / corrected[peak] * 100.0) +
                                   " % of the line's peak, below " + Times(PeakShare * 100.0) +
                                   " %: a broad wing's end");
    // The model leaves nothing beyond 3 s past vt. Emission well beyond the edge fit's channels
    // means the fit took an inner edge (a bright ring inside the tangent point) while the
    // tangent point's own faint ridge went on beyond it. What counts is both the noise and the
    // edge's own height: a bright line's last wisps (a warm component's wing) are not a ridge.
    // Every stretch of 4 dispersions from 3 past vt to the band's end is checked: a tangent
    // point's ridge beyond a gap of faint gas lies anywhere out there.
    const double farthest = sign * velocities[outward > 0 ? n - 1 : 0];
    bool rising = true, falling = true;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        rising = rising && sign * velocities[i] <= sign * velocities[i + 1];
        falling = falling && sign * velocities[i] >= sign * velocities[i + 1];
    }
    const int order = rising ? 1 : falling ? -1 : 0;
    // The first stretch also holds a broad wing's emission (below).
    int pastCount = 0;
    const double past = MeanBeyond(velocities, corrected, use, n, sign, order, ut + 3.0 * sigma,
                                   ut + 7.0 * sigma, pastCount);
    for (double low = ut + 3.0 * sigma; low < farthest; low += 0.5 * sigma) {
        int count = pastCount;
        const double mean = low == ut + 3.0 * sigma
                                ? past
                                : MeanBeyond(velocities, corrected, use, n, sign, order, low,
                                             low + 4.0 * sigma, count);
        if (count < 4)
            continue;
        // The share and the noise add: a wisp at the share's limit is not refused for a
        // noise fluctuation on top of it.
        const double share = low - ut > BeyondNear * sigma ? BeyondShareFar : BeyondShare;
        const double allowance = BeyondLevel * meanRms / std::sqrt(static_cast<double>(count)) +
                                 share * result.Amplitude;
        if (mean > allowance) {
            char where[64];
            std::snprintf(where, sizeof where, "%+.0f km/s", sign * (low + 2.0 * sigma));
            return Without(result, "the line goes on beyond the fitted edge (" +
                                       Times(mean / result.Amplitude * 100.0) +
                                       " % of the edge's height about " + where + ")");
        }
    }
    result.Dispersion = fit.Shape.Sigma;
    // A broad wing's emission left past the edge, beyond twice its noise, widens the errors.
    double wing = 0.0;
    if (pastCount >= 4 && past > 0.0) {
        const double noise = 2.0 * meanRms / std::sqrt(static_cast<double>(pastCount));
        wing = WingAllowance * sigma * std::sqrt(std::max(0.0, past * past - noise * noise)) /
               result.Amplitude;
    }
    if (dip.Detected) {
        result.Velocity = sign * dip.Ut;
        result.UncertaintyStat = dip.Stat;
        result.UncertaintySys =
            std::hypot(std::hypot(dip.Sys, wing), ModelUncertainty(dip.Ut, sigma));
        result.Uncertainty = std::hypot(result.UncertaintyStat, result.UncertaintySys);
        return result;
    }
    result.Velocity = sign * ut;
    result.UncertaintyStat = errors.UtNoiseOnly;
    const double dispersionShare =
        std::sqrt(std::max(0.0, errors.Ut * errors.Ut - errors.UtNoiseOnly * errors.UtNoiseOnly));
    const double local = settings.TangentPoint
                             ? std::max(ModelUncertainty(ut, sigma), BlindDipAllowance(ut, sigma))
                             : ModelUncertainty(ut, sigma);
    result.UncertaintySys =
        std::hypot(std::hypot(dispersionShare, wing), std::hypot(dip.Shift, local));
    result.Uncertainty = std::hypot(result.UncertaintyStat, result.UncertaintySys);
    return result;
}
