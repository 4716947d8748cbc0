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

// Fits that keep their messages, for a test to check that a fit said nothing.
class PolyFitTest : public ::testing::Test {
protected:
    double FitR(const TVector& x, const TVector& y, TVector& coefficients) {
        return Kept(FitPolynomial(x, y, coefficients));
    }
    double PolyFitR(const TVector& x, const TVector& y, TVector& coefficients) {
        TFitResult fit;
        fit.Correlation = PolyFit(x, y, coefficients, fit.Message);
        return Kept(fit);
    }
    double Kept(const TFitResult& fit) {
        if (!fit.Message.empty())
            Messages.push_back(fit.Message);
        return fit.Correlation;
    }

    std::vector<std::string> Messages;
    std::string Message; // of a solver called directly
};

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
                fit.Correlation = PolyFit(c.x, c.y, coefficients, fit.Message);
            EXPECT_EQ(fit.Correlation, -1.0);
            EXPECT_EQ(fit.Message, c.message);
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
