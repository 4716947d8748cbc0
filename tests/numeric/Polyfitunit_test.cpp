#include "numeric/Polyfitunit.h"

#include <cfenv>
#include <cmath>
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

} // namespace
