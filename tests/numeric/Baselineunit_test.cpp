#include "numeric/Baselineunit.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(EvaluatePolynomial, LowestPowerFirst) {
    const struct {
        std::vector<double> c;
        double x, value;
    } cases[] = {{{}, 3.0, 0.0},
                 {{2.0}, 1e9, 2.0},
                 {{1.0, -2.0, 0.5}, 4.0, 1.0 - 8.0 + 8.0},
                 {{0.0, 0.0, 0.0, 1.0}, -2.0, -8.0}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(EvaluatePolynomial(c.c, c.x), c.value);
}

TEST(SamplesOutsideBand, EdgesCountAsInsideAndZerosAreMissing) {
    // Pixel column = 10 x: samples at columns 0, 10, ..., 90.
    const std::vector<double> x = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::vector<double> y = {5, 6, 0, 8, 9, 10, 11, 12, 13, 14};
    const auto toPixel = [](double v) { return static_cast<int>(v * 10); };
    for (const auto& band : {std::pair{30, 60}, std::pair{60, 30}}) {
        const TBaselineSamples s = SamplesOutsideBand(x, y, toPixel, band.first, band.second);
        // 3..6 lie in the band (30 and 60 are its edges), 2 is missing.
        EXPECT_EQ(s.X, (std::vector<double>{0, 1, 7, 8, 9}));
        EXPECT_EQ(s.Y, (std::vector<double>{5, 6, 12, 13, 14}));
    }
}

TEST(SamplesOutsideBand, OnlyTheCommonLength) {
    const auto toPixel = [](double v) { return static_cast<int>(v); };
    const TBaselineSamples s = SamplesOutsideBand({100, 200, 300}, {1.0}, toPixel, 0, 10);
    EXPECT_EQ(s.X, std::vector<double>{100});
    EXPECT_TRUE(SamplesOutsideBand({}, {1.0, 2.0}, toPixel, 0, 10).X.empty());
}

TEST(SubtractPolynomial, SkipsMissingSamplesAndExtraEntries) {
    std::vector<double> signal = {10.0, 0.0, 30.0, 40.0};
    SubtractPolynomial(signal, {1.0, 2.0, 3.0}, {1.0, 2.0}); // 1 + 2x
    EXPECT_EQ(signal, (std::vector<double>{7.0, 0.0, 23.0, 40.0}));
    SubtractPolynomial(signal, {1.0, 2.0, 3.0}, {});
    EXPECT_EQ(signal, (std::vector<double>{7.0, 0.0, 23.0, 40.0})) << "no terms, no change";
}
