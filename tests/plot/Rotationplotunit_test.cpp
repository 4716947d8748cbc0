// The rotation curve's picture: its axes, and the few pixels that show the points and the
// reference line.
#include "plot/Rotationplotunit.h"

#include "plot/Canvasunit.h"
#include "plot/Graphunit.h"

#include <gtest/gtest.h>

namespace {

TEST(RotationPlot, AxesFromZeroInStepsOfOneTwoOrFive) {
    struct Case {
        std::vector<TTangentPoint> points;
        double r0, v0;
        double xMax, xStep, yMin, yMax, yStep;
    };
    // V runs to a tenth above the fastest of V0 and the points, R to R0; at most ten steps.
    const Case cases[] = {
        {{}, 8.5, 220.0, 9.0, 1.0, 0.0, 250.0, 50.0},                // 242 -> 250
        {{{4.0, 300.0}}, 8.5, 220.0, 9.0, 1.0, 0.0, 350.0, 50.0},    // 330 -> 350
        {{{4.0, -20.0}}, 8.0, 220.0, 8.0, 1.0, -50.0, 250.0, 50.0},  // -20 .. 244
        {{{10.0, 180.0}}, 25.0, 150.0, 25.0, 5.0, 0.0, 200.0, 20.0}, // 198 -> 200
    };
    for (const Case& c : cases) {
        const TGraphLimits l = RotationLimits(c.points, c.r0, c.v0);
        EXPECT_EQ(l.XMin, 0.0);
        EXPECT_DOUBLE_EQ(l.XMax, c.xMax);
        EXPECT_DOUBLE_EQ(l.XStep, c.xStep);
        EXPECT_DOUBLE_EQ(l.YMin, c.yMin);
        EXPECT_DOUBLE_EQ(l.YMax, c.yMax);
        EXPECT_DOUBLE_EQ(l.YStep, c.yStep);
    }
}

TEST(RotationPlot, PointsAsSquaresAndV0Dashed) {
    TPlotCanvas plot(RotationPlotWidth, RotationPlotHeight,
                     TRect(0, 0, RotationPlotWidth, RotationPlotHeight));
    const std::vector<TTangentPoint> points = {{4.25, 210.0}, {1.5, 150.0}};
    const TGraphMapping map = DrawRotationCurve(plot, points, 8.5, 220.0);
    const QImage& image = plot.Bitmap();
    const QRgb blue = ColorToQColor(GraphCurveColor).rgb();
    const QRgb red = ColorToQColor(GraphFittedColor).rgb();
    const int half = RotationPointSize / 2;
    for (const TTangentPoint& p : points) {
        const int x = map.XToPixel(p.R), y = map.YToPixel(p.V);
        for (const QPoint corner : {QPoint(-half, -half), QPoint(half, half), QPoint(0, 0)})
            EXPECT_EQ(image.pixel(QPoint(x, y) + corner), blue) << p.R;
        EXPECT_NE(image.pixel(x + half + 2, y), blue) << p.R;
    }
    // The reference line: red along the row of V0, with gaps.
    const int row = map.YToPixel(220.0);
    int reds = 0;
    for (int x = map.Rect.Left; x <= map.Rect.Right; ++x)
        reds += image.pixel(x, row) == red ? 1 : 0;
    const int width = map.Rect.Right - map.Rect.Left + 1;
    EXPECT_GT(reds, width / 3);
    EXPECT_LT(reds, width * 9 / 10);
}

} // namespace
