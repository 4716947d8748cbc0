#include "numeric/Polyfitunit.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>

namespace {

// ---- Arithmetic errors ----------------------------------------------------------------------
//
// The fit runs with the floating-point exceptions masked. A stage starts by clearing the three
// flags of interest and ends by testing them and by looking at its results: an infinity counts
// as an overflow, a NaN as an invalid operation. Either sign raises EFloatingPointError. The
// explicit look at the results keeps the detection sound even where the compiler moves an
// operation across the flag test.

constexpr int ArithmeticFlags = FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID;

void ClearArithmeticFlags() {
    std::feclearexcept(ArithmeticFlags);
}

[[noreturn]] void RaiseArithmeticError(int flags, bool sawNaN) {
    if ((flags & FE_INVALID) != 0 || (flags == 0 && sawNaN))
        throw EFloatingPointError("Invalid floating point operation");
    if ((flags & FE_DIVBYZERO) != 0)
        throw EFloatingPointError("Floating point division by zero");
    throw EFloatingPointError("Floating point overflow");
}

bool AllFinite(const double* values, std::size_t count, bool& sawNaN) {
    // An infinity or a NaN has every exponent bit set, and only then does adding one unit of
    // the exponent to its exponent bits carry into the sign bit. Looking at the bits raises no
    // flag and runs over many values at once; the values are looked at one by one only when
    // one of them is not finite.
    constexpr std::uint64_t Exponent = 0x7ff0000000000000;
    constexpr std::uint64_t ExponentUnit = 0x0010000000000000;
    std::uint64_t carries = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &values[i], sizeof bits);
        carries |= (bits & Exponent) + ExponentUnit;
    }
    if ((carries >> 63) == 0)
        return true;
    bool finite = true;
    for (std::size_t i = 0; i < count; ++i) {
        if (!std::isfinite(values[i])) {
            finite = false;
            sawNaN = sawNaN || std::isnan(values[i]);
        }
    }
    return finite;
}

void CheckValues(const double* values, std::size_t count) {
    bool sawNaN = false;
    const bool finite = AllFinite(values, count, sawNaN);
    const int flags = std::fetestexcept(ArithmeticFlags);
    if (flags != 0 || !finite)
        RaiseArithmeticError(flags, sawNaN);
}

void CheckValues(const TVector& values) {
    CheckValues(values.data(), values.size());
}

void CheckValues(const TMatrix& rows) {
    bool sawNaN = false;
    bool finite = true;
    for (const TVector& row : rows)
        finite = AllFinite(row.data(), row.size(), sawNaN) && finite;
    const int flags = std::fetestexcept(ArithmeticFlags);
    if (flags != 0 || !finite)
        RaiseArithmeticError(flags, sawNaN);
}

// Keeps the caller's floating-point status flags across a fit.
class TFlagGuard {
public:
    TFlagGuard() { std::fegetexceptflag(&Saved, FE_ALL_EXCEPT); }
    ~TFlagGuard() { std::fesetexceptflag(&Saved, FE_ALL_EXCEPT); }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    std::fexcept_t Saved{};
};

// Sum of the squared deviations of y from its mean, given sy = the sum of y.
// Given:    y   the values, at least one
//           sy  their sum, accumulated from 0.0 in index order
// Returned: SST >= 0; exactly 0 when every y is the same
// Reference: T. F. Chan, G. H. Golub, R. J. LeVeque, "Algorithms for computing the sample
//            variance", The American Statistician 37 (1983), the corrected two-pass algorithm.
// Formed from y centred on its mean rather than as Syy - Sy*Sy/n, which it equals in exact
// arithmetic: for a nearly constant y far from zero that difference cancels to rounding noise,
// negative or far too large, and the correlation built on it leaves 0..1.
double TotalSumOfSquares(const TVector& y, double sy) {
    const double n = static_cast<double>(y.size());
    const double mean = sy / n;
    double sum = 0.0;
    double squares = 0.0;
    bool allEqual = true;
    for (const double value : y) {
        const double deviation = value - mean;
        sum += deviation;
        squares += deviation * deviation;
        allEqual = allEqual && value == y.front();
    }
    if (allEqual)
        return 0.0; // the rounding of the mean must not turn an exact 0 into a tiny SST
    // sum is what the rounding of the mean left over; its correction is never larger than
    // squares in exact arithmetic.
    return std::max(0.0, squares - sum * sum / n);
}

// The correlation of a fit of k terms: sqrt(1 - SSE / SST), 0 where the fit explains nothing.
// design holds n rows of `stride` columns (1, x, x^2, ...), the first k of them the fit's.
double FitCorrelation(const TDesignMatrix& design, std::size_t stride, const TVector& y,
                      const TVector& coefficients, int k, int n) {
    double sse = 0.0;
    double sy = 0.0;
    for (int i = 0; i < n; ++i) {
        const double* row = &design[static_cast<std::size_t>(i) * stride];
        // The constant term meets y first: for a nearly constant y far from zero their
        // difference is exact, and the residual is not lost in the rounding of a large f.
        double residual = coefficients[0] - y[i];
        for (int j = 1; j < k; ++j)
            residual += coefficients[j] * row[j];
        sse += residual * residual;
        sy += y[i];
    }
    const double sst = TotalSumOfSquares(y, sy);
    double q = sst;
    if (sst != 0.0)
        q = sse / sst;
    const double sums[] = {sse, sy, sst, q};
    CheckValues(sums, std::size(sums));
    return q >= 1.0 ? 0.0 : std::sqrt(1.0 - q);
}

} // namespace

// ---- Entry ------------------------------------------------------------------------------------

TFitResult FitPolynomial(const TVector& x, const TVector& y, TVector& coefficients) {
    const TFlagGuard guard;
    TFitResult result;
    try {
        result.Correlation = PolyFit(x, y, coefficients, result.Error);
        return result;
    } catch (const EFloatingPointError&) {
        // Retried below on data rescaled to [0, 1].
    } catch (...) {
        return result;
    }

    try {
        TVector xs = x;
        TVector ys = y;
        double xMin = 0.0;
        double xMax = 0.0;
        double yMin = 0.0;
        double yMax = 0.0;
        ClearArithmeticFlags();
        NormalizeToUnitRange(xs, ys, xMin, xMax, yMin, yMax);
        // All x or all y equal divide 0 by 0 here.
        CheckValues(xs);
        CheckValues(ys);
        result.Correlation = PolyFit(xs, ys, coefficients, result.Error);
        if (result.Correlation > 0.0)
            RescaleCoefficients(coefficients, yMax, yMin, xMax, xMin);
    } catch (...) {
        result.Correlation = -1.0;
    }
    return result;
}

std::vector<TFitResult> FitPolynomials(const TVector& x, const TVector& y, int maxTerms,
                                       std::vector<TVector>& coefficients) {
    const int top = std::max(0, maxTerms);
    std::vector<TFitResult> results(static_cast<std::size_t>(top));
    coefficients.assign(static_cast<std::size_t>(top), TVector());
    for (int k = 1; k <= top; ++k)
        coefficients[static_cast<std::size_t>(k - 1)].assign(static_cast<std::size_t>(k), 0.0);
    auto alone = [&](int k) {
        const std::size_t at = static_cast<std::size_t>(k - 1);
        results[at] = FitPolynomial(x, y, coefficients[at]);
    };
    auto allAlone = [&] {
        for (int k = 1; k <= top; ++k)
            alone(k);
        return results;
    };
    const int n = static_cast<int>(x.size());
    if (top == 0 || n < 2 || y.size() != x.size())
        return allAlone();
    const TFlagGuard guard;
    const std::size_t columns = static_cast<std::size_t>(top);
    TDesignMatrix design;
    TMatrix normal;
    TVector rhs;
    try {
        // PolyFit's design matrix and sums for maxTerms; those of fewer terms are their first
        // columns and leading blocks, the same numbers from the same operations, so that these
        // pass PolyFit's checks for every k when they pass for maxTerms.
        design.assign(static_cast<std::size_t>(n) * columns, 0.0);
        normal.assign(columns, TVector(columns, 0.0));
        rhs.assign(columns, 0.0);
        ClearArithmeticFlags();
        for (int i = 0; i < n; ++i) {
            double* row = &design[static_cast<std::size_t>(i) * columns];
            row[0] = 1.0;
            for (int j = 1; j < top; ++j)
                row[j] = row[j - 1] * x[i];
        }
        BuildNormalEquations(design, y, normal, top, n, rhs);
        bool sawNaN = false;
        bool finite = AllFinite(design.data(), design.size(), sawNaN);
        for (const TVector& row : normal)
            finite = AllFinite(row.data(), row.size(), sawNaN) && finite;
        finite = AllFinite(rhs.data(), rhs.size(), sawNaN) && finite;
        if (!finite || std::fetestexcept(ArithmeticFlags) != 0)
            return allAlone();
    } catch (...) {
        return allAlone();
    }
    for (int k = 1; k <= top; ++k) {
        const std::size_t at = static_cast<std::size_t>(k - 1);
        TFitResult& result = results[at];
        TVector& c = coefficients[at];
        try {
            TMatrix a(static_cast<std::size_t>(k), TVector(static_cast<std::size_t>(k)));
            TVector b(static_cast<std::size_t>(k));
            for (int i = 0; i < k; ++i) {
                for (int j = 0; j < k; ++j)
                    a[i][j] = normal[i][j];
                b[i] = rhs[i];
            }
            // The rest as PolyFit does it: the solve, then the residual and total sums of
            // squares under its checks.
            if (!GaussJordan(a, b, c, result.Error)) {
                result.Correlation = -1.0;
                continue;
            }
            result.Correlation = FitCorrelation(design, columns, y, c, k, n);
        } catch (const EFloatingPointError&) {
            // FitPolynomial's own fit meets the same error, and retries.
            alone(k);
        } catch (...) {
            result.Correlation = -1.0;
        }
    }
    return results;
}

// ---- The fit ----------------------------------------------------------------------------------

double PolyFit(const TVector& x, const TVector& y, TVector& coefficients, std::string& message) {
    const int m = static_cast<int>(coefficients.size());
    const int n = static_cast<int>(x.size());
    TDesignMatrix design(x.size() * coefficients.size(), 0.0);
    TMatrix normal(static_cast<std::size_t>(m), TVector(static_cast<std::size_t>(m), 0.0));
    TVector rhs(static_cast<std::size_t>(m), 0.0);

    if (m < 1) {
        message = "PolyFit called with less than one term";
        return -1.0;
    }
    if (n < 2) {
        message = "PolyFit called with less than two points";
        return -1.0;
    }
    if (y.size() != x.size()) {
        message = "PolyFit called with x and y of unequal size";
        return -1.0;
    }

    ClearArithmeticFlags();
    for (int i = 0; i < n; ++i) {
        double* row = &design[static_cast<std::size_t>(i) * m];
        row[0] = 1.0;
        for (int j = 1; j < m; ++j)
            row[j] = row[j - 1] * x[i];
    }
    CheckValues(design);

    BuildNormalEquations(design, y, normal, m, n, rhs);
    CheckValues(normal);
    CheckValues(rhs);

    if (!GaussJordan(normal, rhs, coefficients, message))
        return -1.0;

    return FitCorrelation(design, static_cast<std::size_t>(m), y, coefficients, m, n);
}

void BuildNormalEquations(const TDesignMatrix& design, const TVector& y, TMatrix& normal, int m,
                          int n, TVector& rhs) {
    for (int i = 0; i < m; ++i) {
        std::fill(normal[i].begin(), normal[i].begin() + m, 0.0);
        rhs[i] = 0.0;
    }
    for (int k = 0; k < n; ++k) {
        const double* row = &design[static_cast<std::size_t>(k) * m];
        for (int i = 0; i < m; ++i) {
            for (int j = 0; j <= i; ++j)
                normal[i][j] += row[i] * row[j];
            rhs[i] += row[i] * y[k];
        }
    }
    for (int i = 0; i < m; ++i) {
        for (int j = 0; j < i; ++j)
            normal[j][i] = normal[i][j];
    }
}

// ---- Solver -----------------------------------------------------------------------------------

bool GaussJordan(TMatrix& a, const TVector& b, TVector& solution, std::string& message) {
    const int n = static_cast<int>(a.size());
    // Only column 0 of the work matrix carries anything: one right-hand side.
    TMatrix bWork(static_cast<std::size_t>(n), TVector(1, 0.0));
    TPivotTable pivots(static_cast<std::size_t>(n), {0, 0, 0});

    if (!GaussJordan2(a, b, bWork, pivots, message))
        return false;

    // Undo the column interchanges, last first.
    for (int l = n - 1; l >= 0; --l) {
        const int from = pivots[l][0];
        const int to = pivots[l][1];
        if (from != to) {
            for (TVector& row : a)
                std::swap(row[from], row[to]);
        }
    }

    for (int i = 0; i < n; ++i) {
        if (pivots[i][2] != 0) {
            message = "Error in GaussJordan: matrix is singular";
            return false;
        }
    }

    if (solution.size() < static_cast<std::size_t>(n))
        solution.resize(static_cast<std::size_t>(n), 0.0);
    for (int i = 0; i < n; ++i)
        solution[i] = bWork[i][0];
    return true;
}

bool GaussJordan2(TMatrix& a, const TVector& b, TMatrix& bWork, TPivotTable& pivots,
                  std::string& message) {
    const int n = static_cast<int>(a.size());
    ClearArithmeticFlags();
    for (int i = 0; i < n; ++i) {
        bWork[i][0] = b[i];
        pivots[i][2] = -1;
    }

    // A step that finds no candidate keeps the previous step's pivot; the very first step has
    // none to keep, and a matrix without any non-zero element is reported as singular.
    int pivotRow = -1;
    int pivotColumn = -1;
    for (int i = 0; i < n; ++i) {
        double big = 0.0;
        for (int j = 0; j < n; ++j) {
            if (pivots[j][2] == 0)
                continue;
            for (int k = 0; k < n; ++k) {
                if (pivots[k][2] > 0) {
                    message = "Error in GaussJordan2: matrix is singular";
                    return false;
                }
                if (pivots[k][2] < 0 && std::fabs(a[j][k]) > big) {
                    big = std::fabs(a[j][k]);
                    pivotRow = j;
                    pivotColumn = k;
                }
            }
        }
        if (pivotColumn < 0) {
            message = "Error in GaussJordan2: matrix is singular";
            return false;
        }

        ++pivots[pivotColumn][2];
        pivots[i][0] = pivotRow;
        pivots[i][1] = pivotColumn;
        const int col = pivotColumn;
        if (pivotRow != col) {
            std::swap(a[pivotRow], a[col]);
            std::swap(bWork[pivotRow][0], bWork[col][0]);
        }

        TVector& pivotLine = a[col];
        const double p = pivotLine[col];
        pivotLine[col] = 1.0;
        for (int l = 0; l < n; ++l)
            pivotLine[l] /= p;
        bWork[col][0] /= p;

        for (int ll = 0; ll < n; ++ll) {
            if (ll == col)
                continue;
            TVector& line = a[ll];
            const double d = line[col];
            line[col] = 0.0;
            for (int l = 0; l < n; ++l)
                line[l] -= pivotLine[l] * d;
            bWork[ll][0] -= bWork[col][0] * d;
        }

        CheckValues(a);
        CheckValues(bWork);
    }
    return true;
}

// ---- Rescaling retry --------------------------------------------------------------------------

void NormalizeToUnitRange(TVector& x, TVector& y, double& xMin, double& xMax, double& yMin,
                          double& yMax) {
    if (x.empty())
        return;
    const auto [xLow, xHigh] = std::minmax_element(x.begin(), x.end());
    xMin = *xLow;
    xMax = *xHigh;
    if (!y.empty()) {
        const auto [yLow, yHigh] = std::minmax_element(y.begin(), y.end());
        yMin = *yLow;
        yMax = *yHigh;
    }
    const std::size_t shared = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] = (x[i] - xMin) / (xMax - xMin);
        if (i < shared)
            y[i] = (y[i] - yMin) / (yMax - yMin);
    }
}

void RescaleCoefficients(TVector& coefficients, double yMax, double yMin, double xMax,
                         double xMin) {
    const int m = static_cast<int>(coefficients.size());
    if (m == 0)
        return;

    // Pascal's triangle, rows 0..m, in doubles: C(34, 17) already exceeds a 32-bit integer,
    // while a double holds every binomial of up to 56 terms exactly and rounds, rather than
    // overflows, far beyond any number of terms a user can ask for.
    std::vector<TVector> binomial(static_cast<std::size_t>(m) + 1);
    binomial[0] = {1.0};
    for (int k = 0; k < m; ++k) {
        TVector& next = binomial[k + 1];
        next.assign(static_cast<std::size_t>(k) + 2, 0.0);
        next[0] = 1.0;
        next[k + 1] = 1.0;
        for (int j = 1; j <= k; ++j)
            next[j] = binomial[k][j] + binomial[k][j - 1];
    }

    ClearArithmeticFlags();
    const double dy = yMax - yMin;
    const double shift = xMin / (xMin - xMax); // -xMin / dx
    const double dx = -(xMin - xMax);
    TVector rescaled(static_cast<std::size_t>(m), 0.0);
    for (int i = 0; i < m; ++i) {
        double sum = 0.0;
        for (int k = i; k < m; ++k)
            sum += binomial[k][i] * IntPower(shift, k - i) * coefficients[k];
        rescaled[i] = dy / IntPower(dx, i) * sum;
    }
    rescaled[0] += yMin;
    CheckValues(rescaled);
    coefficients = std::move(rescaled);
}

double IntPower(double x, int k) {
    const double base = k < 0 ? 1.0 / x : x;
    const int count = k < 0 ? -k : k;
    double result = 1.0;
    for (int i = 0; i < count; ++i)
        result *= base;
    return result;
}
