#include "numeric/Numbertextunit.h"

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

namespace {

TEST(ValueToText, RoundsForDisplay) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{1234.5, "1235"},
                 {-1234.5, "-1234"},
                 {0.123456789, "0.12346"},
                 {99.999999, "100"},
                 {100.4, "100"},
                 {1420405751.0, "1420405751"},
                 {0.2110611, "0.21106"},
                 {-0.000001, "0"},
                 {-12.345678, "-12.34568"},
                 {0.0, "0"},
                 {211.27, "211"},
                 {1e15, "1e+15"}};
    for (const auto& c : cases)
        EXPECT_EQ(ValueToText(c.value), c.text) << c.value;
}

// The number text is C's %.15g, here C's own printf in the C locale, for values of every kind:
// whole, decimal, tiny, huge, signed zero, the limits of double, not finite, and a spread of
// random magnitudes.
TEST(FloatToText, IsPrintfsFifteenSignificantDigits) {
    std::setlocale(LC_NUMERIC, "C");
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1420.0,
                                  -1234.0,
                                  0.1 + 0.2,
                                  1.0 / 3.0,
                                  123456789012345.0,
                                  1234567890123456.0,
                                  1e15,
                                  1e-5,
                                  9.999999999999999e-5,
                                  5e-324,
                                  DBL_MAX,
                                  -DBL_MIN,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN()};
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> exponent(-30.0, 30.0), mantissa(-1.0, 1.0);
    for (int i = 0; i < 2000; ++i)
        values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    for (const double value : values) {
        char expected[40];
        std::snprintf(expected, sizeof expected, "%.15g", value);
        EXPECT_EQ(FloatToText(value), expected);
    }
}

} // namespace
