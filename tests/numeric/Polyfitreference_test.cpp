// The normal equations and the fit against independent values: exact sums of small integers,
// and fits against a Householder least-squares solution within their condition.
#include "numeric/PolyFitFixture.h"
#include "numeric/Polyfitunit.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

// ---- The normal equations and the fit against independent values ---------------------------

TEST(PolyFitHelpers, NormalEquationsOfSmallIntegers) {
    // On integer x and y every product and every partial sum below is an integer under 2^53, so
    // each double operation is exact and the sums must equal those of 64-bit integers. Entries
    // are set to -1 first: the build overwrites, it does not add.
    const struct {
        int n, m; // |x| <= n / 2, so that sum(x^(2m-2)) stays under 2^53
    } cases[] = {{0, 3}, {1, 1}, {2, 2}, {7, 4}, {20, 5}, {13, 9}};
    for (const auto& c : cases) {
        SCOPED_TRACE("n = " + std::to_string(c.n) + ", m = " + std::to_string(c.m));
        const auto at = [](std::int64_t x, int power) {
            std::int64_t value = 1;
            for (int p = 0; p < power; ++p)
                value *= x;
            return value;
        };
        TVector x, y;
        TDesignMatrix design;
        for (int k = 0; k < c.n; ++k) {
            x.push_back(k - c.n / 2);
            y.push_back((k * 7) % 11 - 5);
            for (int j = 0; j < c.m; ++j)
                design.push_back(static_cast<double>(at(k - c.n / 2, j)));
        }
        const auto size = static_cast<std::size_t>(c.m);
        TMatrix normal(size, TVector(size, -1.0));
        TVector rhs(size, -1.0);
        BuildNormalEquations(design, y, normal, c.m, c.n, rhs);
        for (int i = 0; i < c.m; ++i) {
            std::int64_t moment = 0;
            for (int k = 0; k < c.n; ++k)
                moment += static_cast<std::int64_t>(y[k]) * at(static_cast<std::int64_t>(x[k]), i);
            EXPECT_EQ(rhs[i], static_cast<double>(moment)) << "right-hand side " << i;
            for (int j = 0; j < c.m; ++j) {
                std::int64_t sum = 0;
                for (int k = 0; k < c.n; ++k)
                    sum += at(static_cast<std::int64_t>(x[k]), i + j);
                EXPECT_EQ(normal[i][j], static_cast<double>(sum)) << "element " << i << ", " << j;
            }
        }
    }
}

// The least-squares fit of m terms computed by a second method: Householder QR in long double
// (Golub and Van Loan, Matrix Computations, section 5.3), backward stable, of the design matrix
// with its columns scaled to unit length, so that its coefficients are those of the scaled
// columns: z_j = c_j |column j|.
struct THouseholderFit {
    std::vector<long double> Scaled;      // z_j
    std::vector<long double> ColumnNorms; // |column j|, the powers x^j over the points
    long double Condition = 0.0L;         // of the scaled design matrix, from above: |R|_F |R^-1|_F
    long double Sse = 0.0L;               // squared length of the residual
};

THouseholderFit HouseholderFit(const TVector& x, const TVector& y, int m) {
    const std::size_t n = x.size();
    // Column by column: the m scaled powers, then y, which the reflections turn into Q^T y.
    std::vector<std::vector<long double>> a(static_cast<std::size_t>(m) + 1,
                                            std::vector<long double>(n, 1.0L));
    THouseholderFit fit;
    for (int j = 0; j < m; ++j) {
        long double squares = 0.0L;
        for (std::size_t k = 0; k < n; ++k) {
            if (j > 0)
                a[j][k] = a[j - 1][k] * x[k];
            squares += a[j][k] * a[j][k];
        }
        fit.ColumnNorms.push_back(std::sqrt(squares));
    }
    for (int j = 0; j < m; ++j) // scaled after all powers are formed from the unscaled ones
        for (long double& value : a[j])
            value /= fit.ColumnNorms[j];
    for (std::size_t k = 0; k < n; ++k)
        a[m][k] = y[k];
    for (int j = 0; j < m; ++j) {
        long double length = 0.0L;
        for (std::size_t k = j; k < n; ++k)
            length += a[j][k] * a[j][k];
        length = std::sqrt(length);
        const long double alpha = a[j][j] > 0.0L ? -length : length;
        std::vector<long double> v(a[j].begin() + j, a[j].end());
        v[0] -= alpha;
        long double vv = 0.0L;
        for (const long double value : v)
            vv += value * value;
        for (int column = j; column <= m; ++column) {
            long double dot = 0.0L;
            for (std::size_t k = j; k < n; ++k)
                dot += v[k - j] * a[column][k];
            for (std::size_t k = j; k < n; ++k)
                a[column][k] -= 2.0L * dot / vv * v[k - j];
        }
    }
    // R z = (Q^T y)[0, m), and R^-1 column by column, by back substitution.
    const auto solve = [&](std::vector<long double> b) {
        for (int i = m - 1; i >= 0; --i) {
            for (int c = i + 1; c < m; ++c)
                b[i] -= a[c][i] * b[c];
            b[i] /= a[i][i];
        }
        return b;
    };
    fit.Scaled = solve(std::vector<long double>(a[m].begin(), a[m].begin() + m));
    long double rSquares = 0.0L, inverseSquares = 0.0L;
    for (int c = 0; c < m; ++c) {
        std::vector<long double> unit(static_cast<std::size_t>(m), 0.0L);
        unit[c] = 1.0L;
        for (const long double value : solve(unit))
            inverseSquares += value * value;
        for (int i = 0; i <= c; ++i)
            rSquares += a[c][i] * a[c][i];
    }
    fit.Condition = std::sqrt(rSquares * inverseSquares);
    for (std::size_t k = m; k < n; ++k)
        fit.Sse += a[m][k] * a[m][k];
    return fit;
}

struct TFitData {
    TVector x;
    TVector y;
};

// The baseline of the fit benchmark: the velocity axis (+-210 km/s) and a broad bump.
TFitData BenchmarkBaseline() {
    TFitData d;
    for (int i = 0; i < 400; ++i) {
        d.x.push_back(211.27 - i * 1.0527);
        const double x = d.x.back();
        d.y.push_back(1000.0 + 0.5 * x - 0.002 * x * x + 30.0 * std::sin(0.05 * i) +
                      (i % 3 == 0 ? 1.0 : -0.5));
    }
    return d;
}

// Its samples outside +-150 km/s, as the batch's example run fits them.
TFitData OutsideTheLine() {
    const TFitData all = BenchmarkBaseline();
    TFitData d;
    for (std::size_t i = 0; i < all.x.size(); ++i) {
        if (std::fabs(all.x[i]) > 150.0) {
            d.x.push_back(all.x[i]);
            d.y.push_back(all.y[i]);
        }
    }
    return d;
}

// 2048080.3 +- 0.01 with a trend, as in the correlation cases of nearly constant data.
TFitData NearlyConstant() {
    TFitData d;
    for (int i = 0; i < 400; ++i) {
        d.x.push_back((i - 199.5) / 200.0);
        d.y.push_back(2048080.3 + 0.01 * (((i * 37) % 101) / 50.0 - 1.0) + 0.005 * d.x.back());
    }
    return d;
}

// y = 1000 + x/2 - x^2/2^9 + x^3/2^20 at x = -100, -99.5, ..., 99.5: every sample is exact (34
// significant bits at most), so the fit must give these coefficients.
const TVector ExactCubicCoefficients = {1000.0, 0.5, -1.0 / 512.0, 1.0 / 1048576.0};
TFitData ExactCubic() {
    TFitData d;
    for (int i = 0; i < 400; ++i) {
        const double x = (i - 200) / 2.0;
        d.x.push_back(x);
        d.y.push_back(1000.0 + x / 2.0 - x * x / 512.0 + x * x * x / 1048576.0);
    }
    return d;
}

TEST_F(PolyFitTest, FitsAgreeWithAHouseholderSolutionWithinTheirCondition) {
    // Forming the normal equations errs by up to n u in each element of their scaled form (each
    // a sum of n products), and solving them magnifies a relative error by up to kappa^2, the
    // condition of the design matrix with unit columns squared (Higham, Accuracy and Stability
    // of Numerical Algorithms, chapter 20, the normal equations). Hence the bound n m u kappa^2
    // on the scaled coefficients, m for the norm of an m x m error. The reference's own error,
    // of the order of kappa times long double's rounding, is far below it.
    const struct {
        const char* name;
        TFitData (*data)();
        int terms;
        const TVector* truth; // the exact coefficients, when the data have them
    } cases[] = {
        {"benchmark baseline", BenchmarkBaseline, 1, nullptr},
        {"benchmark baseline", BenchmarkBaseline, 2, nullptr},
        {"benchmark baseline", BenchmarkBaseline, 3, nullptr},
        {"benchmark baseline", BenchmarkBaseline, 4, nullptr},
        {"benchmark baseline", BenchmarkBaseline, 5, nullptr},
        {"benchmark baseline", BenchmarkBaseline, 6, nullptr},
        {"benchmark baseline", BenchmarkBaseline, 7, nullptr},
        {"benchmark baseline", BenchmarkBaseline, 8, nullptr},
        {"benchmark baseline", BenchmarkBaseline, 9, nullptr},
        {"outside the line", OutsideTheLine, 4, nullptr},
        {"nearly constant", NearlyConstant, 2, nullptr},
        {"nearly constant", NearlyConstant, 4, nullptr},
        {"exact cubic", ExactCubic, 4, &ExactCubicCoefficients},
    };
    const long double u = std::numeric_limits<double>::epsilon() / 2;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(c.terms) + " terms");
        const TFitData d = c.data();
        const THouseholderFit reference = HouseholderFit(d.x, d.y, c.terms);
        std::vector<long double> expected = reference.Scaled;
        if (c.truth != nullptr)
            for (int j = 0; j < c.terms; ++j)
                expected[j] = (*c.truth)[j] * reference.ColumnNorms[j];
        TVector coefficients(static_cast<std::size_t>(c.terms), 0.0);
        const double r = FitR(d.x, d.y, coefficients);

        const long double n = d.x.size(), m = c.terms;
        const long double bound = n * m * u * reference.Condition * reference.Condition;
        long double error = 0.0L, size = 0.0L;
        for (int j = 0; j < c.terms; ++j) {
            error += std::pow(coefficients[j] * reference.ColumnNorms[j] - expected[j], 2);
            size += expected[j] * expected[j];
        }
        const long double tolerance = bound * std::sqrt(size);
        EXPECT_LE(std::sqrt(error), tolerance)
            << "scaled coefficients, kappa " << reference.Condition;

        // 1 - R^2 = SSE / SST. The fit's SSE exceeds the least one by |A (c - c*)|^2, at most
        // m tolerance^2 (the scaled columns have unit length); each residual is rounded by up
        // to 2 m u of its terms' magnitudes, and SSE and SST by n u of themselves.
        long double mean = 0.0L;
        for (const double value : d.y)
            mean += value;
        mean /= n;
        long double sst = 0.0L, rounding = 0.0L;
        for (std::size_t k = 0; k < d.x.size(); ++k) {
            sst += (d.y[k] - mean) * (d.y[k] - mean);
            long double terms = std::fabs(d.y[k]), power = 1.0L;
            for (int j = 0; j < c.terms; ++j, power *= d.x[k])
                terms += std::fabs(coefficients[j] * power);
            rounding += std::pow(2 * m * u * terms, 2);
        }
        const long double sse = c.truth != nullptr ? 0.0L : reference.Sse;
        const long double residualError = m * tolerance * tolerance +
                                          2 * std::sqrt(sse * rounding) + rounding +
                                          n * u * (sse + sst);
        EXPECT_NEAR(1.0L - static_cast<long double>(r) * r, sse / sst, residualError / sst)
            << "R = " << r;
        EXPECT_TRUE(Messages.empty());
    }
}

} // namespace
