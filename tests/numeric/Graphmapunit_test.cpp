#include "numeric/Graphmapunit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

// The graph of the main window: plot rectangle (80, 40, 630, 500).
TGraphMapping Graph(double xMin, double xMax, double yMin, double yMax) {
    TGraphMapping map;
    map.Limits.XMin = xMin;
    map.Limits.XMax = xMax;
    map.Limits.YMin = yMin;
    map.Limits.YMax = yMax;
    map.Rect = TRect(80, 40, 630, 500);
    return map;
}

} // namespace

TEST(TGraphMapping, EdgesAndTruncation) {
    // x over -1e6..1e6 Hz: 550 pixels for 2e6, so 1 pixel = 3636.36 Hz.
    const TGraphMapping map = Graph(-1e6, 1e6, 0.0, 460.0);
    const struct {
        double x;
        int px;
    } columns[] = {{-1e6, 80},
                   {1e6, 630},
                   {0.0, 355},
                   {3636.0, 355},
                   {3637.0, 356},
                   // Truncation toward zero, not rounding, also left of the rectangle.
                   {-1e6 - 3637.0, 78},
                   {-1e6 - 3000.0, 79}};
    for (const auto& c : columns)
        EXPECT_EQ(map.XToPixel(c.x), c.px) << c.x;
    // y: 460 units over 460 rows, upwards.
    const struct {
        double y;
        int py;
    } rows[] = {{0.0, 500}, {460.0, 40}, {0.5, 499}, {1.0, 499}, {-0.5, 500}};
    for (const auto& r : rows)
        EXPECT_EQ(map.YToPixel(r.y), r.py) << r.y;
}

TEST(TGraphMapping, PixelsBackToValues) {
    const TGraphMapping map = Graph(-200.0, 350.0, 10.0, 56.0);
    EXPECT_DOUBLE_EQ(map.PixelToX(80), -200.0);
    EXPECT_DOUBLE_EQ(map.PixelToX(630), 350.0);
    EXPECT_DOUBLE_EQ(map.PixelToX(81), -199.0);
    EXPECT_DOUBLE_EQ(map.PixelToY(500), 10.0);
    EXPECT_DOUBLE_EQ(map.PixelToY(40), 56.0);
    EXPECT_DOUBLE_EQ(map.PixelToY(490), 11.0);
    for (int px = 80; px <= 630; px += 7)
        EXPECT_EQ(map.XToPixel(map.PixelToX(px) + 1e-9), px);
}

TEST(TGraphMapping, DegenerateLimitsGiveUsablePixels) {
    // Before any drawing all limits are 0: the mapping must not divide by zero.
    const TGraphMapping empty = Graph(0, 0, 0, 0);
    EXPECT_EQ(empty.XToPixel(5.0), 80);
    EXPECT_EQ(empty.YToPixel(5.0), 500);
    EXPECT_EQ(empty.PixelToX(300), 0.0);
    const TGraphMapping map = Graph(0, 1, 0, 1);
    EXPECT_EQ(map.XToPixel(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(map.XToPixel(1e300), 1000000) << "far values are held where clipping is exact";
    EXPECT_EQ(map.YToPixel(1e300), -1000000);
}

TEST(GridValues, RepeatedAdditionWithinTheLimits) {
    EXPECT_EQ(GridValues(0.0, 1.0, 0.25), (std::vector<double>{0.0, 0.25, 0.5, 0.75, 1.0}));
    // 0.1 added ten times is 0.9999999999999999, kept although it differs from 1.0 in the last
    // place; 1 + a millionth of a step past it is not.
    EXPECT_EQ(GridValues(0.0, 1.0, 0.1).size(), 11u);
    EXPECT_EQ(GridValues(0.0, 0.95, 0.1).size(), 10u);
    EXPECT_TRUE(GridValues(0.0, 1.0, 0.0).empty());
    EXPECT_TRUE(GridValues(0.0, 1.0, -1.0).empty());
    EXPECT_TRUE(GridValues(0.0, std::numeric_limits<double>::infinity(), 1.0).empty());
    EXPECT_EQ(GridValues(1e300, 1e301, 1.0).size(), 1u) << "a step that cannot move the value";
    EXPECT_LE(GridValues(0.0, 1e9, 1.0).size(), 1001u) << "never an endless grid";
}
