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

const std::string LessThanOneTerm = "PolyFit called with less than one term";
const std::string LessThanTwoPoints = "PolyFit called with less than two points";
const std::string UnequalSize = "PolyFit called with x and y of unequal size";
const std::string SingularGaussJordan = "Error in GaussJordan: matrix is singular";
const std::string SingularGaussJordan2 = "Error in GaussJordan2: matrix is singular";

constexpr double Sentinel = 123.25;

TEST_F(PolyFitTest, FailuresReportOneMessageAndLeaveTheCoefficients) {
    struct Case {
        const char* name;
        TVector x;
        TVector y;
        std::size_t terms;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"no terms, checked before the points", {}, {}, 0, LessThanOneTerm},
        {"no terms with good points", {1, 2, 3}, {1, 2, 3}, 0, LessThanOneTerm},
        {"one point", {1}, {1}, 2, LessThanTwoPoints},
        {"no points", {}, {}, 2, LessThanTwoPoints},
        {"y shorter", {1, 2, 3}, {1, 2}, 2, UnequalSize},
        {"y longer", {1, 2, 3}, {1, 2, 3, 4}, 2, UnequalSize},
        // Normal matrix [[n, 0], [0, 0]]: step 1 reuses pivot (0, 0), caught by the final check.
        {"all x zero, two terms", {0, 0, 0, 0}, {1, 2, 3, 4}, 2, SingularGaussJordan},
        // Step 1 reuses column 0; step 2's search meets its counter > 0.
        {"all x zero, three terms", {0, 0, 0, 0}, {1, 2, 3, 4}, 3, SingularGaussJordan2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool entry : {true, false}) {
            TVector coefficients(c.terms, Sentinel);
            TFitResult fit;
            if (entry)
                fit = FitPolynomial(c.x, c.y, coefficients);
            else
                fit.Correlation = PolyFit(c.x, c.y, coefficients, fit.Error);
            EXPECT_EQ(fit.Correlation, -1.0);
            EXPECT_EQ(fit.Error, c.message);
            EXPECT_EQ(coefficients, TVector(c.terms, Sentinel));
        }
    }
}

TEST_F(PolyFitTest, ExactPolynomialsAreRecovered) {
    struct Case {
        const char* name;
        TVector truth; // ascending powers
        double r;
    };
    const std::vector<Case> cases = {
        {"line y = 2 + 3x", {2, 3}, 1.0},
        {"cubic", {1, -2, 0.5, 0.25}, 1.0},
        {"constant: SST = 0 gives R = 1", {4.5}, 1.0},
        {"constant with spare terms", {4.5, 0, 0}, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TVector x;
        TVector y;
        for (int i = -5; i <= 6; ++i) {
            x.push_back(i * 0.5);
            double value = 0.0;
            for (std::size_t j = c.truth.size(); j-- > 0;)
                value = value * x.back() + c.truth[j];
            y.push_back(value);
        }
        TVector coefficients(c.truth.size(), 0.0);
        EXPECT_NEAR(FitR(x, y, coefficients), c.r, 1e-7);
        for (std::size_t j = 0; j < c.truth.size(); ++j)
            EXPECT_NEAR(coefficients[j], c.truth[j], 1e-9) << "term " << j;
        EXPECT_TRUE(Messages.empty());
    }
}

TEST_F(PolyFitTest, OneTermFitsTheMeanWithZeroCorrelation) {
    const TVector x = {1, 2, 3, 4};
    const TVector y = {1, 3, 2, 6};
    TVector coefficients(1, 0.0);
    const double r = FitR(x, y, coefficients);
    EXPECT_DOUBLE_EQ(coefficients[0], 3.0);
    EXPECT_GE(r, 0.0);
    EXPECT_LT(r, 1e-7);
}

TEST_F(PolyFitTest, CorrelationOfANoisyLine) {
    // y = x + e with e = (+1, -1, -1, +1): the least-squares line is y = x (the residuals are
    // orthogonal to 1 and x), SSE = 4, SST = 5 + 4 = 9, so R = sqrt(5/9).
    const TVector x = {0, 1, 2, 3};
    const TVector y = {1, 0, 1, 4};
    TVector coefficients(2, 0.0);
    EXPECT_NEAR(FitR(x, y, coefficients), std::sqrt(5.0 / 9.0), 1e-12);
    EXPECT_NEAR(coefficients[0], 0.0, 1e-12);
    EXPECT_NEAR(coefficients[1], 1.0, 1e-12);
}

// ---- Correlation of nearly constant data --------------------------------------------------

// R of a fit from its coefficients, computed carefully: every sum in long double, SST in two
// passes (the mean first, then the squared deviations from it).
double CarefulCorrelation(const TVector& x, const TVector& y, const TVector& coefficients) {
    long double mean = 0.0L;
    for (const double value : y)
        mean += value;
    mean /= static_cast<long double>(y.size());
    long double sst = 0.0L;
    long double sse = 0.0L;
    for (std::size_t i = 0; i < y.size(); ++i) {
        sst += (y[i] - mean) * (y[i] - mean);
        long double fitted = 0.0L;
        for (std::size_t j = coefficients.size(); j-- > 0;)
            fitted = fitted * x[i] + coefficients[j];
        sse += (fitted - y[i]) * (fitted - y[i]);
    }
    if (sst == 0.0L)
        return 1.0;
    const long double q = sse / sst;
    return q >= 1.0L ? 0.0 : static_cast<double>(std::sqrt(1.0L - q));
}

// For a straight line R is the magnitude of the Pearson correlation of x and y, here from
// centred sums in long double.
double PearsonCorrelation(const TVector& x, const TVector& y) {
    const long double n = static_cast<long double>(x.size());
    long double mx = 0.0L;
    long double my = 0.0L;
    for (std::size_t i = 0; i < x.size(); ++i) {
        mx += x[i];
        my += y[i];
    }
    mx /= n;
    my /= n;
    long double sxy = 0.0L;
    long double sxx = 0.0L;
    long double syy = 0.0L;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
    }
    return static_cast<double>(std::fabs(sxy) / std::sqrt(sxx * syy));
}

TEST_F(PolyFitTest, CorrelationOfNearlyConstantDataMatchesACarefulComputation) {
    struct Case {
        const char* name;
        double offset;    // the level of y
        double amplitude; // of a deterministic wiggle in [-1, 1]
        double slope;     // per unit of x
        std::size_t terms;
        bool velocityAxis; // x on the velocity axis (+-210 km/s) instead of [-1, 1]
    };
    const std::vector<Case> cases = {
        {"the reported level, 2048080.3 +- 0.01, line", 2048080.3, 0.01, 0.0, 2, false},
        {"the same with a trend", 2048080.3, 0.01, 0.005, 2, false},
        {"the same, cubic", 2048080.3, 0.01, 0.005, 4, false},
        {"the same, one term: the mean explains nothing", 2048080.3, 0.01, 0.005, 1, false},
        {"1e9 +- 1 on the velocity axis", 1e9, 1.0, 0.002, 2, true},
        {"below zero, -5e7 +- 0.001, quadratic", -5e7, 0.001, 0.0003, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TVector x;
        TVector y;
        for (int i = 0; i < 400; ++i) {
            x.push_back(c.velocityAxis ? 211.27 - 1.0527 * i : (i - 199.5) / 200.0);
            const double wiggle = ((i * 37) % 101) / 50.0 - 1.0;
            y.push_back(c.offset + c.amplitude * wiggle + c.slope * x.back());
        }
        TVector coefficients(c.terms, 0.0);
        const double r = FitR(x, y, coefficients);
        EXPECT_GE(r, 0.0);
        EXPECT_LE(r, 1.0);
        EXPECT_NEAR(r, CarefulCorrelation(x, y, coefficients), 1e-6);
        if (c.terms == 2) {
            EXPECT_NEAR(r, PearsonCorrelation(x, y), 1e-6);
        }
        if (c.terms == 1) {
            EXPECT_EQ(r, 0.0) << "SSE equals SST";
        }
        EXPECT_TRUE(Messages.empty());
    }
}

TEST_F(PolyFitTest, AllYEqualFarFromZeroStillGivesOne) {
    // The mean of many equal values may round away from them; SST is still exactly 0.
    const TVector x = {0, 1, 2, 3, 4, 5, 6};
    const TVector y(7, 2048080.3);
    TVector coefficients(2, 0.0);
    EXPECT_EQ(FitR(x, y, coefficients), 1.0);
    EXPECT_NEAR(coefficients[0], 2048080.3, 1e-6);
}

// ---- Solver ---------------------------------------------------------------------------------

TEST_F(PolyFitTest, GaussJordanSolvesAndInverts) {
    TMatrix a = {{4, -2, 1}, {-2, 4, -2}, {1, -2, 4}};
    const TMatrix original = a;
    const TVector b = {11, -16, 17}; // solution (1, -2, 3)
    TVector solution(3, 0.0);
    ASSERT_TRUE(GaussJordan(a, b, solution, Message));
    EXPECT_NEAR(solution[0], 1.0, 1e-12);
    EXPECT_NEAR(solution[1], -2.0, 1e-12);
    EXPECT_NEAR(solution[2], 3.0, 1e-12);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            double product = 0.0;
            for (int k = 0; k < 3; ++k)
                product += original[i][k] * a[k][j];
            EXPECT_NEAR(product, i == j ? 1.0 : 0.0, 1e-12) << i << "," << j;
        }
    }
}

TEST_F(PolyFitTest, PivotTiesGoToTheFirstElementInRowMajorOrder) {
    // |a[0][1]| = |a[1][0]| = 2 are the largest: (0, 1) comes first. Row 0 then moves to row 1,
    // whose counter is spent, leaving row 0 column 0 for the second step.
    TMatrix a = {{1, 2}, {2, -1}};
    const TVector b = {5, 0}; // solution (1, 2)
    TMatrix bWork(2, TVector(2, 0.0));
    TPivotTable pivots(2, {0, 0, 0});
    ASSERT_TRUE(GaussJordan2(a, b, bWork, pivots, Message));
    EXPECT_EQ(pivots[0][0], 0);
    EXPECT_EQ(pivots[0][1], 1);
    EXPECT_EQ(pivots[1][0], 0);
    EXPECT_EQ(pivots[1][1], 0);
    EXPECT_EQ(pivots[0][2], 0);
    EXPECT_EQ(pivots[1][2], 0);
    EXPECT_NEAR(bWork[0][0], 1.0, 1e-15);
    EXPECT_NEAR(bWork[1][0], 2.0, 1e-15);

    // The full solver unscrambles the columns: inverse of a is [[0.2, 0.4], [0.4, -0.2]].
    TMatrix full = {{1, 2}, {2, -1}};
    TVector solution(2, 0.0);
    ASSERT_TRUE(GaussJordan(full, b, solution, Message));
    EXPECT_NEAR(full[0][0], 0.2, 1e-15);
    EXPECT_NEAR(full[0][1], 0.4, 1e-15);
    EXPECT_NEAR(full[1][0], 0.4, 1e-15);
    EXPECT_NEAR(full[1][1], -0.2, 1e-15);
}

TEST_F(PolyFitTest, AllZeroMatrixIsSingular) {
    TMatrix a(3, TVector(3, 0.0));
    TVector solution(3, Sentinel);
    std::string message;
    EXPECT_FALSE(GaussJordan(a, {1, 2, 3}, solution, message));
    EXPECT_EQ(message, SingularGaussJordan2);
    EXPECT_EQ(solution, TVector(3, Sentinel));
}

// ---- Helpers of the retry -------------------------------------------------------------------

TEST(PolyFitHelpers, IntPower) {
    struct Case {
        double x;
        int k;
        double expected;
    };
    for (const Case& c : std::vector<Case>{
             {2, 10, 1024}, {2, -2, 0.25}, {-3, 3, -27}, {7, 0, 1}, {0, 0, 1}, {-0.5, -3, -8}}) {
        EXPECT_EQ(IntPower(c.x, c.k), c.expected) << c.x << "^" << c.k;
    }
}

TEST(PolyFitHelpers, NormalizeToUnitRange) {
    TVector x = {3, 1, 2, 5};
    TVector y = {-1, 7, 3, -1};
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    NormalizeToUnitRange(x, y, xMin, xMax, yMin, yMax);
    EXPECT_EQ(xMin, 1);
    EXPECT_EQ(xMax, 5);
    EXPECT_EQ(yMin, -1);
    EXPECT_EQ(yMax, 7);
    EXPECT_EQ(x, (TVector{0.5, 0, 0.25, 1}));
    EXPECT_EQ(y, (TVector{0, 1, 0.5, 0}));

    TVector empty;
    TVector other = {4, 5};
    xMin = xMax = yMin = yMax = 9;
    NormalizeToUnitRange(empty, other, xMin, xMax, yMin, yMax);
    EXPECT_EQ(other, (TVector{4, 5}));
    EXPECT_EQ(xMin, 9);
    EXPECT_EQ(yMax, 9);
}

TEST(PolyFitHelpers, RescaleCoefficients) {
    // v = u^2 with u = (x - 1)/2 and v = (y - 5)/4 is y = 5 + (x - 1)^2 = 6 - 2x + x^2.
    TVector coefficients = {0, 0, 1};
    RescaleCoefficients(coefficients, 9, 5, 3, 1);
    ASSERT_EQ(coefficients.size(), 3u);
    EXPECT_NEAR(coefficients[0], 6, 1e-14);
    EXPECT_NEAR(coefficients[1], -2, 1e-14);
    EXPECT_NEAR(coefficients[2], 1, 1e-14);

    // v = 1 - u + u^3 on x in [-2, 2] (u = (x + 2)/4), y in [10, 12] (y = 10 + 2v):
    // y = 12 - (x + 2)/2 + (x + 2)^3/32 = 11.25 - 0.125x + 0.1875x^2 + 0.03125x^3.
    coefficients = {1, -1, 0, 1};
    RescaleCoefficients(coefficients, 12, 10, 2, -2);
    const TVector expected = {11.25, -0.125, 0.1875, 0.03125};
    for (std::size_t j = 0; j < expected.size(); ++j)
        EXPECT_NEAR(coefficients[j], expected[j], 1e-14) << "term " << j;
}

// ---- Many terms -----------------------------------------------------------------------------

// C(n, k) by the multiplicative formula in 64-bit integers: every step is exact for n <= 62.
double Binomial(int n, int k) {
    std::uint64_t value = 1;
    for (int j = 1; j <= k; ++j)
        value = value * static_cast<std::uint64_t>(n - k + j) / static_cast<std::uint64_t>(j);
    return static_cast<double>(value);
}

TEST(PolyFitHelpers, RescaleCoefficientsOfFortyTerms) {
    // v = u^39 with u = (x + 1)/2 on x in [-1, 1], y = v: y = (x + 1)^39 / 2^39, whose
    // coefficient of x^i is C(39, i) / 2^39, exact in a double. Rows 34 and up of the
    // binomial table exceed a 32-bit integer.
    TVector coefficients(40, 0.0);
    coefficients[39] = 1.0;
    RescaleCoefficients(coefficients, 1, 0, 1, -1);
    ASSERT_EQ(coefficients.size(), 40u);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(coefficients[i], std::ldexp(Binomial(39, i), -39)) << "term " << i;
}

TEST_F(PolyFitTest, ThirtyFourTermsWhoseFirstAttemptOverflows) {
    // x in [1e5, 3e5]: x^66 in the normal matrix overflows, the retry's dx^33 does not.
    constexpr int Terms = 34;
    TVector x;
    TVector y;
    for (int i = 0; i < 100; ++i) {
        const double u = i / 99.0;
        x.push_back(1e5 + 2e5 * u);
        y.push_back(1.0 + 2.0 * u + 3.0 * u * u + 0.01 * (((i * 37) % 101) / 50.0 - 1.0));
    }
    TVector direct(Terms, 0.0);
    EXPECT_THROW(PolyFitR(x, y, direct), EFloatingPointError);

    // The retry by hand: the fit on the normalised data, converted back in long double with
    // binomials of the test's own.
    TVector u = x;
    TVector v = y;
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    NormalizeToUnitRange(u, v, xMin, xMax, yMin, yMax);
    TVector normalised(Terms, 0.0);
    const double normalisedR = PolyFitR(u, v, normalised);
    ASSERT_GT(normalisedR, 0.0);
    ASSERT_TRUE(Messages.empty());

    TVector coefficients(Terms, 0.0);
    EXPECT_EQ(FitR(x, y, coefficients), normalisedR);
    ASSERT_EQ(coefficients.size(), static_cast<std::size_t>(Terms));
    const long double dx = static_cast<long double>(xMax) - xMin;
    const long double dy = static_cast<long double>(yMax) - yMin;
    const long double shift = -xMin / dx;
    for (int i = 0; i < Terms; ++i) {
        long double sum = 0.0L;
        long double size = 0.0L; // of the terms, for the rounding the sum may carry
        for (int k = i; k < Terms; ++k) {
            const long double term = Binomial(k, i) * std::pow(shift, k - i) * normalised[k];
            sum += term;
            size += std::fabs(term);
        }
        const long double scale = dy / std::pow(dx, i);
        const long double expected = scale * sum + (i == 0 ? yMin : 0.0);
        EXPECT_NEAR(coefficients[i], static_cast<double>(expected),
                    static_cast<double>(1e-12L * scale * size + (i == 0 ? 1e-12L * yMin : 0)))
            << "term " << i;
    }
    EXPECT_TRUE(Messages.empty());
}

// ---- Arithmetic errors and the retry --------------------------------------------------------

// Points on y = 1 + 2u + 3u^2 (plus an alternating offset) with x = scale * u, u in [1, 3].
void MakeScaledQuadratic(double scale, TVector& x, TVector& y) {
    for (int i = 0; i <= 20; ++i) {
        const double u = 1.0 + i * 0.1;
        x.push_back(scale * u);
        y.push_back(1.0 + 2.0 * u + 3.0 * u * u + (i % 2 == 0 ? 0.01 : -0.01));
    }
}

TEST_F(PolyFitTest, OverflowRetryGivesTheDirectFit) {
    // x near 1e80: x^4 in the normal matrix overflows a double.
    constexpr double Scale = 1e80;
    TVector x;
    TVector y;
    MakeScaledQuadratic(Scale, x, y);
    const TVector xBefore = x;
    const TVector yBefore = y;

    TVector direct(3, 0.0);
    EXPECT_THROW(PolyFitR(x, y, direct), EFloatingPointError);

    // The same problem in u = x / 1e80 fits without trouble; R does not depend on the scale.
    TVector u;
    TVector v;
    MakeScaledQuadratic(1.0, u, v);
    TVector reference(3, 0.0);
    const double referenceR = FitR(u, v, reference);
    ASSERT_GT(referenceR, 0.99);
    ASSERT_LT(referenceR, 1.0);

    TVector coefficients(3, 0.0);
    const double r = FitR(x, y, coefficients);
    EXPECT_NEAR(r, referenceR, 1e-9);
    ASSERT_EQ(coefficients.size(), 3u);
    for (int j = 0; j < 3; ++j) {
        const double expected = reference[j] / std::pow(Scale, j);
        EXPECT_NEAR(coefficients[j] / expected, 1.0, 1e-8) << "term " << j;
    }
    EXPECT_EQ(x, xBefore);
    EXPECT_EQ(y, yBefore);
    EXPECT_TRUE(Messages.empty());
}

TEST_F(PolyFitTest, RetryOnDegenerateDataEndsQuietly) {
    struct Case {
        const char* name;
        TVector x;
        TVector y;
    };
    const std::vector<Case> cases = {
        {"all y equal", {1e80, 2e80, 3e80, 4e80}, {5, 5, 5, 5}},
        {"all x equal", {1e200, 1e200, 1e200}, {1, 2, 3}},
        {"NaN in y", {1, 2, 3, 4}, {1, std::numeric_limits<double>::quiet_NaN(), 3, 4}},
        {"infinite x", {1, 2, std::numeric_limits<double>::infinity()}, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TVector coefficients(3, Sentinel);
        EXPECT_EQ(FitR(c.x, c.y, coefficients), -1.0);
        EXPECT_TRUE(Messages.empty());
        EXPECT_EQ(coefficients, TVector(3, Sentinel));
    }
}

TEST_F(PolyFitTest, CallersFloatingPointFlagsAreKept) {
    TVector x;
    TVector y;
    MakeScaledQuadratic(1e80, x, y);
    TVector coefficients(3, 0.0);

    std::feclearexcept(FE_ALL_EXCEPT);
    FitR(x, y, coefficients); // overflows on the way
    EXPECT_EQ(std::fetestexcept(FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO), 0);

    std::feraiseexcept(FE_DIVBYZERO);
    const TVector line = {0, 1, 2};
    TVector lineCoefficients(2, 0.0);
    EXPECT_NEAR(FitR(line, line, lineCoefficients), 1.0, 1e-12);
    EXPECT_NE(std::fetestexcept(FE_DIVBYZERO), 0);
    std::feclearexcept(FE_ALL_EXCEPT);
}

} // namespace

// The fits of every number of terms from one set of sums against FitPolynomial's fit of each
// alone: the same correlation, message and coefficients to the last bit, for ordinary data, for
// a singular matrix, for a design matrix that overflows at the higher powers, for sums of
// squares that overflow after the solve (FitPolynomial's retry), for a NaN, for refused
// arguments, and with the caller's floating-point flags kept.
TEST(PolyFitHelpers, FitsOfEveryNumberOfTermsAreEachFitAlone) {
    struct Case {
        const char* name;
        TVector x, y;
    };
    std::vector<Case> cases;
    TVector x, y;
    for (int i = 0; i < 60; ++i) {
        x.push_back(-150.0 + 5.0 * i);
        y.push_back(1500.0 + 0.05 * i - 1e-4 * i * i + std::sin(1.7 * i));
    }
    cases.push_back({"a noisy curve", x, y});
    cases.push_back({"all x equal", TVector(10, 3.0), y});
    TVector big, line;
    MakeScaledQuadratic(1e80, big, line);
    cases.push_back({"x near 1e80", big, line});
    TVector huge = y;
    for (double& v : huge)
        v *= 1e160;
    cases.push_back({"y near 1e163", x, huge});
    TVector nan = y;
    nan[7] = std::numeric_limits<double>::quiet_NaN();
    cases.push_back({"a NaN in y", x, nan});
    cases.push_back({"one point", {1.0}, {2.0}});
    cases.push_back({"y shorter", x, TVector(y.begin(), y.end() - 1)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::feclearexcept(FE_ALL_EXCEPT);
        std::feraiseexcept(FE_INEXACT);
        std::vector<TVector> coefficients;
        const std::vector<TFitResult> fits = FitPolynomials(c.x, c.y, 5, coefficients);
        EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), FE_INEXACT);
        ASSERT_EQ(fits.size(), 5u);
        ASSERT_EQ(coefficients.size(), 5u);
        for (std::size_t k = 1; k <= 5; ++k) {
            SCOPED_TRACE(k);
            TVector alone(k, 0.0);
            const TFitResult fit = FitPolynomial(c.x, c.y, alone);
            EXPECT_EQ(fits[k - 1].Correlation, fit.Correlation);
            EXPECT_EQ(fits[k - 1].Error, fit.Error);
            EXPECT_EQ(coefficients[k - 1], alone);
        }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}
