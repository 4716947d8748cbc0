#include "numeric/Limitsunit.h"

#include "data/Spectrumunit.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

// The steps of the search 1e-300 * 10 * 10 ..., as doubles.
constexpr double StepTenth = 0.09999999999999992;
constexpr double StepOne = 0.9999999999999992;
constexpr double StepHundred = 99.99999999999993;

struct TAxisCase {
    const char* name;
    std::vector<double> data;
    std::int32_t divisions;
    double step;
    double lowMultiple;  // min = lowMultiple * step
    double highMultiple; // max = highMultiple * step, or the data maximum if that is larger
};

TEST(RoundAxisLimits, StepLowerAndUpperLimits) {
    const TAxisCase cases[] = {
        // Range 1: 20 steps of 0.1 exceed it. 1421 / step = 14210.000000000011 is taken as the
        // whole number 14210, so the upper limit does not move on to 14211 steps.
        {"1420..1421", {1420.0, 1420.25, 1421.0}, 20, StepTenth, 14200, 14210},
        // Range 2.79 needs the step near 1; the lower limit rounds down past -0.37.
        {"-0.37..2.42", {-0.37, 2.42}, 20, StepOne, -1, 3},
        // Extremes found wherever they stand in the vector.
        {"unordered", {0.5, 2.42, -0.37, 1.0}, 20, StepOne, -1, 3},
        // Rounded towards minus infinity: -0.37 / 0.1 = -3.7 gives -4.
        {"-0.37..0", {-0.37, 0.0}, 20, StepTenth, -4, 0},
        // 20 * 0.09999999999999992 is not greater than 2.
        {"range 2", {0.0, 2.0}, 20, StepOne, 0, 2},
        {"range 0.5", {0.0, 0.5}, 20, StepTenth, 0, 5},
        {"range 1999", {0.0, 1999.0}, 20, StepHundred, 0, 20},
        // Neither limit on a multiple: 0.25 / step = 2.5, 0.73 / step = 7.3.
        {"0.25..0.73", {0.73, 0.25}, 20, StepTenth, 2, 8},
        // Fewer divisions need the larger step: 10 * 0.1 is not greater than 1.
        {"10 divisions", {0.0, 1.0}, 10, StepOne, 0, 1},
    };
    for (const TAxisCase& c : cases) {
        TGraphLimits limits;
        limits.Divisions = c.divisions;
        double min = 0.0, max = 0.0, step = 0.0;
        RoundAxisLimits(limits, c.data, min, max, step);
        EXPECT_EQ(step, c.step) << c.name;
        EXPECT_EQ(min, c.lowMultiple * c.step) << c.name;
        const double top = *std::max_element(c.data.begin(), c.data.end());
        EXPECT_EQ(max, std::max(c.highMultiple * c.step, top)) << c.name;
    }
}

TEST(RoundAxisLimits, KnownLowerLimits) {
    TGraphLimits limits;
    limits.Divisions = 20;
    double min = 0.0, max = 0.0, step = 0.0;
    RoundAxisLimits(limits, {1420.0, 1421.0}, min, max, step);
    EXPECT_DOUBLE_EQ(min, 1419.9999999999989);
    RoundAxisLimits(limits, {0.0, 7.0, 3.0}, min, max, step);
    EXPECT_EQ(min, 0.0);
}

TEST(RoundAxisLimits, FlatDataGetsTwoStepsAroundTheValue) {
    for (const double v : {0.0, 5.0, 1e9, -3e12, 1e-310, 7.25e299}) {
        for (const std::size_t count : {std::size_t{1}, std::size_t{3}}) {
            TGraphLimits limits;
            limits.Divisions = 20;
            double min = 0.0, max = 0.0, step = 0.0;
            RoundAxisLimits(limits, std::vector<double>(count, v), min, max, step);
            ASSERT_TRUE(std::isfinite(min) && std::isfinite(max) && std::isfinite(step)) << v;
            EXPECT_LT(min, v) << v;
            EXPECT_GT(max, v) << v;
            EXPECT_GT(step, 0.0) << v;
            EXPECT_NEAR((max - min) / step, 2.0, 1e-9) << v;
        }
    }
}

TEST(RoundAxisLimits, AbsurdRangesKeepTheRawExtremes) {
    const double big = std::numeric_limits<double>::max();
    TGraphLimits limits;
    limits.Divisions = 20;
    double min = 0.0, max = 0.0, step = 0.0;

    // A range beyond the reach of the step search.
    RoundAxisLimits(limits, {-1.7e308, 1.7e308}, min, max, step);
    EXPECT_EQ(min, -1.7e308);
    EXPECT_EQ(max, 1.7e308);
    EXPECT_GE(step, 1e300);

    // A step is found, but rounding the maximum up to 180 steps of about 1e306 would overflow.
    RoundAxisLimits(limits, {1.7e308, big}, min, max, step);
    EXPECT_EQ(max, big);
    EXPECT_TRUE(std::isfinite(min));
    EXPECT_LE(min, 1.7e308);

    // No divisions at all: no step passes.
    limits.Divisions = 0;
    RoundAxisLimits(limits, {1.5, 2.5}, min, max, step);
    EXPECT_EQ(min, 1.5);
    EXPECT_EQ(max, 2.5);
}

TEST(GetGraphLimits, FalseLeavesTheRecordUnchanged) {
    const struct {
        const char* name;
        std::vector<double> x, signal;
    } cases[] = {
        {"no x values", {}, {}},
        {"no x values, some signal", {}, {1.0, 2.0}},
        {"signal missing", {1.0, 2.0}, {}},
        {"lengths differ", {1.0, 2.0, 3.0}, {1.0, 2.0}},
    };
    for (const auto& c : cases) {
        TGraphLimits limits{20, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0};
        EXPECT_FALSE(GetGraphLimits(c.x, c.signal, limits)) << c.name;
        EXPECT_EQ(limits.Divisions, 20) << c.name;
        EXPECT_EQ(limits.XMin, 1.0) << c.name;
        EXPECT_EQ(limits.XMax, 2.0) << c.name;
        EXPECT_EQ(limits.YMin, 3.0) << c.name;
        EXPECT_EQ(limits.YMax, 4.0) << c.name;
        EXPECT_EQ(limits.XStep, 5.0) << c.name;
        EXPECT_EQ(limits.YStep, 6.0) << c.name;
    }
}

TEST(GetGraphLimits, FillsXFromXAndYFromSignal) {
    TGraphLimits limits;
    limits.Divisions = 20;
    ASSERT_TRUE(GetGraphLimits({1420.0, 1420.5, 1421.0}, {2.42, -0.37, 1.0}, limits));
    EXPECT_EQ(limits.Divisions, 20);
    EXPECT_EQ(limits.XStep, StepTenth);
    EXPECT_EQ(limits.XMin, 14200 * StepTenth);
    EXPECT_EQ(limits.XMax, 1421.0) << "14210 steps fall a hair short of 1421";
    EXPECT_EQ(limits.YStep, StepOne);
    EXPECT_EQ(limits.YMin, -StepOne);
    EXPECT_EQ(limits.YMax, 3 * StepOne);
}

} // namespace
