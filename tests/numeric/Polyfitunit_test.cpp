#include "numeric/Polyfitunit.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

// Collects the unit's messages for the lifetime of a test and restores the default reporter.
class PolyFitTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPolyFitReporter([this](const std::string& text) { Messages.push_back(text); });
    }
    void TearDown() override { SetPolyFitReporter({}); }

    std::vector<std::string> Messages;
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
            Messages.clear();
            TVector coefficients(c.terms, Sentinel);
            const double r =
                entry ? FitPolynomial(c.x, c.y, coefficients) : PolyFit(c.x, c.y, coefficients);
            EXPECT_EQ(r, -1.0);
            EXPECT_EQ(Messages, std::vector<std::string>{c.message});
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
        EXPECT_NEAR(FitPolynomial(x, y, coefficients), c.r, 1e-7);
        for (std::size_t j = 0; j < c.truth.size(); ++j)
            EXPECT_NEAR(coefficients[j], c.truth[j], 1e-9) << "term " << j;
        EXPECT_TRUE(Messages.empty());
    }
}

TEST_F(PolyFitTest, OneTermFitsTheMeanWithZeroCorrelation) {
    const TVector x = {1, 2, 3, 4};
    const TVector y = {1, 3, 2, 6};
    TVector coefficients(1, 0.0);
    const double r = FitPolynomial(x, y, coefficients);
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
    EXPECT_NEAR(FitPolynomial(x, y, coefficients), std::sqrt(5.0 / 9.0), 1e-12);
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
        const double r = FitPolynomial(x, y, coefficients);
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
    EXPECT_EQ(FitPolynomial(x, y, coefficients), 1.0);
    EXPECT_NEAR(coefficients[0], 2048080.3, 1e-6);
}

// ---- Solver ---------------------------------------------------------------------------------

TEST_F(PolyFitTest, GaussJordanSolvesAndInverts) {
    TMatrix a = {{4, -2, 1}, {-2, 4, -2}, {1, -2, 4}};
    const TMatrix original = a;
    const TVector b = {11, -16, 17}; // solution (1, -2, 3)
    TVector solution(3, 0.0);
    ASSERT_TRUE(GaussJordan(a, b, solution));
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
    ASSERT_TRUE(GaussJordan2(a, b, bWork, pivots));
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
    ASSERT_TRUE(GaussJordan(full, b, solution));
    EXPECT_NEAR(full[0][0], 0.2, 1e-15);
    EXPECT_NEAR(full[0][1], 0.4, 1e-15);
    EXPECT_NEAR(full[1][0], 0.4, 1e-15);
    EXPECT_NEAR(full[1][1], -0.2, 1e-15);
}

TEST_F(PolyFitTest, AllZeroMatrixIsSingular) {
    TMatrix a(3, TVector(3, 0.0));
    TVector solution(3, Sentinel);
    EXPECT_FALSE(GaussJordan(a, {1, 2, 3}, solution));
    EXPECT_EQ(Messages, std::vector<std::string>{SingularGaussJordan2});
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
    EXPECT_THROW(PolyFit(x, y, direct), EFloatingPointError);

    // The retry by hand: the fit on the normalised data, converted back in long double with
    // binomials of the test's own.
    TVector u = x;
    TVector v = y;
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    NormalizeToUnitRange(u, v, xMin, xMax, yMin, yMax);
    TVector normalised(Terms, 0.0);
    const double normalisedR = PolyFit(u, v, normalised);
    ASSERT_GT(normalisedR, 0.0);
    ASSERT_TRUE(Messages.empty());

    TVector coefficients(Terms, 0.0);
    EXPECT_EQ(FitPolynomial(x, y, coefficients), normalisedR);
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
    EXPECT_THROW(PolyFit(x, y, direct), EFloatingPointError);

    // The same problem in u = x / 1e80 fits without trouble; R does not depend on the scale.
    TVector u;
    TVector v;
    MakeScaledQuadratic(1.0, u, v);
    TVector reference(3, 0.0);
    const double referenceR = FitPolynomial(u, v, reference);
    ASSERT_GT(referenceR, 0.99);
    ASSERT_LT(referenceR, 1.0);

    TVector coefficients(3, 0.0);
    const double r = FitPolynomial(x, y, coefficients);
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
        EXPECT_EQ(FitPolynomial(c.x, c.y, coefficients), -1.0);
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
    FitPolynomial(x, y, coefficients); // overflows on the way
    EXPECT_EQ(std::fetestexcept(FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO), 0);

    std::feraiseexcept(FE_DIVBYZERO);
    const TVector line = {0, 1, 2};
    TVector lineCoefficients(2, 0.0);
    EXPECT_NEAR(FitPolynomial(line, line, lineCoefficients), 1.0, 1e-12);
    EXPECT_NE(std::fetestexcept(FE_DIVBYZERO), 0);
    std::feclearexcept(FE_ALL_EXCEPT);
}

// ---- Exact reproduction ---------------------------------------------------------------------

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

// The data of OverflowRetryGivesTheDirectFit: the first attempt overflows.
TFitData ScaledQuadratic() {
    TFitData d;
    MakeScaledQuadratic(1e80, d.x, d.y);
    return d;
}

// The data of ThirtyFourTermsWhoseFirstAttemptOverflows.
TFitData WideOverflow() {
    TFitData d;
    for (int i = 0; i < 100; ++i) {
        const double u = i / 99.0;
        d.x.push_back(1e5 + 2e5 * u);
        d.y.push_back(1.0 + 2.0 * u + 3.0 * u * u + 0.01 * (((i * 37) % 101) / 50.0 - 1.0));
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

std::uint64_t Bits(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TEST(PolyFitHelpers, NormalEquationsAreTheSumsInPointOrder) {
    // Every element is the sum over the points, in ascending order from 0.0, of one product:
    // summed here one element at a time, the results must agree bit for bit, for every number
    // of terms up to 13 (tiles of four rows and of four, two and one columns) and for counts
    // of points small and large.
    for (const int n : {0, 1, 2, 7, 400}) {
        for (int m = 1; m <= 13; ++m) {
            SCOPED_TRACE("n = " + std::to_string(n) + ", m = " + std::to_string(m));
            TVector x;
            TVector y;
            for (int k = 0; k < n; ++k) {
                x.push_back(211.27 - 1.0527 * k);
                y.push_back(1500.0 + std::sin(0.37 * k) * 40.0);
            }
            TDesignMatrix design(static_cast<std::size_t>(n * m));
            for (int k = 0; k < n; ++k) {
                design[static_cast<std::size_t>(k * m)] = 1.0;
                for (int j = 1; j < m; ++j)
                    design[static_cast<std::size_t>(k * m + j)] =
                        design[static_cast<std::size_t>(k * m + j - 1)] * x[k];
            }
            TMatrix normal(static_cast<std::size_t>(m), TVector(static_cast<std::size_t>(m), -1.0));
            TVector rhs(static_cast<std::size_t>(m), -1.0);
            BuildNormalEquations(design, y, normal, m, n, rhs);
            auto at = [&](int k, int j) { return design[static_cast<std::size_t>(k * m + j)]; };
            for (int i = 0; i < m; ++i) {
                for (int j = 0; j < m; ++j) {
                    double sum = 0.0;
                    for (int k = 0; k < n; ++k)
                        sum += at(k, std::min(i, j)) * at(k, std::max(i, j));
                    EXPECT_EQ(Bits(normal[i][j]), Bits(sum)) << "element " << i << ", " << j;
                }
                double sum = 0.0;
                for (int k = 0; k < n; ++k)
                    sum += y[k] * at(k, i);
                EXPECT_EQ(Bits(rhs[i]), Bits(sum)) << "right-hand side " << i;
            }
        }
    }
}

TEST_F(PolyFitTest, FitsAreReproducedBitForBit) {
    // R and the coefficients as IEEE bit patterns, recorded from the previous implementation
    // (a design matrix of one vector per point, a solver work matrix of n columns), before the
    // storage of the fit was reorganised. Any change in the order of the sums or in the
    // operations shows here as a changed bit.
    struct Case {
        const char* name;
        TFitData (*data)();
        int terms;
        std::uint64_t r;
        std::vector<std::uint64_t> coefficients;
    };
    const std::vector<Case> cases = {
        {"BenchmarkBaseline", BenchmarkBaseline, 1, 0x0000000000000000, {0x408e5f70289a5793}},
        {"BenchmarkBaseline",
         BenchmarkBaseline,
         2,
         0x3fecb539349c515d,
         {0x408e5a2d02aa5e53, 0x3fe0c115edf6df2b}},
        {"BenchmarkBaseline",
         BenchmarkBaseline,
         3,
         0x3feea1ecb4b5347c,
         {0x408f2e0f027e42f9, 0x3fe0e5fc9212d0b2, 0xbf5d5f1da0b09800}},
        {"BenchmarkBaseline",
         BenchmarkBaseline,
         4,
         0x3feea7ff8e987621,
         {0x408f2e90a90051cc, 0x3fde92809ce76de6, 0xbf5d7d1188642b00, 0x3ebfc9c249f01e80}},
        {"BenchmarkBaseline",
         BenchmarkBaseline,
         5,
         0x3feebd03d9a0c3e7,
         {0x408f5b581c1e00da, 0x3fdec680d683bc71, 0xbf691715081c7200, 0x3ebcfc1eb77ee210,
          0x3e61d9ace3c0a880}},
        {"BenchmarkBaseline",
         BenchmarkBaseline,
         6,
         0x3feecfc72840cec5,
         {0x408f5cbdebe83fd4, 0x3fd5e0d719b40f3a, 0xbf698ad0fbcc86e0, 0x3ef129583b454cb6,
          0x3e62da6090e8dbc0, 0xbdf46eaea7a8a854}},
        {"BenchmarkBaseline",
         BenchmarkBaseline,
         7,
         0x3feed52e0f2a0094,
         {0x408f45f773514249, 0x3fd5a9481602b48c, 0xbf5cfb99e9942d80, 0x3ef1a4937890a98d,
          0xbe6e2d759de73600, 0xbdf5372243f36e76, 0x3d7a977fd27e9380}},
        {"BenchmarkBaseline",
         BenchmarkBaseline,
         8,
         0x3fef3f0ffd99d8ea,
         {0x408f416c92e7eebe, 0x3fe948aa0024f1e8, 0xbf5750b9dfd32300, 0xbf13a2c036f843b5,
          0xbe76c57178f13380, 0x3e323c58d7d16ad5, 0x3d82381116990200, 0xbd31e9dd0d7d51d1}},
        {"BenchmarkBaseline",
         BenchmarkBaseline,
         9,
         0x3fef75b9268d9081,
         {0x408ef858bec19388, 0x3fe8afccb0c07243, 0x3f7890d1d40da580, 0xbf126bed338e5c10,
          0xbeb0e05686362320, 0x3e3111914655f73e, 0x3dc4f3186e8f52c0, 0xbd30ae3eb70a6140,
          0xbcbf66fee44d68c0}},
        {"ScaledQuadratic",
         ScaledQuadratic,
         3,
         0x3feffffe94776645,
         {0x3ff03299cddfe1e8, 0x2f62d8eb3ce49977, 0x1ed0e3a9dceb6747}},
        {"WideOverflow",
         WideOverflow,
         34,
         0x3feffff08c2a7c9c,
         {0xc06d721fc8a3684c, 0x3f8790175e6194e0, 0xbe8d4f9a6a7db4f1, 0x3d7c4f1ecf464970,
          0x3c64941124232c65, 0xbb780a79492b8369, 0x3a71055d26f640d7, 0xb95b3ceff8e29fbf,
          0x38330d717ff6dccb, 0x3721d075f2368bd0, 0xb622f09c2fbd0094, 0x350589550339c3ef,
          0x34062b9459942731, 0xb3124a47289fef47, 0x320decf653a1385a, 0xb100fa768daf365e,
          0x2feb70db733f4bf7, 0xaec9b5293d2b8bf6, 0xad9ee66a128699e4, 0x2cb0f2d1f43f59ac,
          0xaba75e94fea0dfd7, 0x2a973bc4779f23ed, 0xa982be425575f563, 0x286967fdcf1fe62a,
          0xa74d337887e3b13c, 0x262c69d28025abd6, 0xa507397de2ce6200, 0x23df7d54755cc422,
          0xa2b1618802b61cf5, 0x217e6b4b484b767f, 0xa04445fbc9d8e60e, 0x1f034cf9d18c128d,
          0x9db753ffd4296987, 0x1c5ad652456442b9}},
        {"NearlyConstant",
         NearlyConstant,
         2,
         0x3fdc957b0d3cf1a4,
         {0x413f40504ccb9ecd, 0x3f74add964ea6ee9}},
        {"NearlyConstant",
         NearlyConstant,
         4,
         0x3fdc97a2bd8af530,
         {0x413f40504ccf7b45, 0x3f73e96a393aff1d, 0xbf272ad90bea6762, 0x3f347652c60c5793}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(c.terms) + " terms");
        const TFitData d = c.data();
        TVector coefficients(static_cast<std::size_t>(c.terms), 0.0);
        const double r = FitPolynomial(d.x, d.y, coefficients);
        EXPECT_EQ(Bits(r), c.r) << r;
        ASSERT_EQ(coefficients.size(), c.coefficients.size());
        for (std::size_t j = 0; j < coefficients.size(); ++j)
            EXPECT_EQ(Bits(coefficients[j]), c.coefficients[j]) << "term " << j;
        EXPECT_TRUE(Messages.empty());
    }
}

} // namespace
