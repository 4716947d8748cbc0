// The longitude-velocity diagram's picture: the few pixels that show a line's colour at its
// longitude and velocity, the flat curve, a terminal velocity's mark, the colour bar; the same
// drawing as an SVG.
#include "plot/Lvplotunit.h"

#include "astro/Rotationunit.h"
#include "plot/Canvasunit.h"
#include "plot/Vectorplotunit.h"

#include <QPainter>
#include <QSvgRenderer>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// Three files in the first quadrant, all channels empty but for a strong line at l = 20,
// v = 50 km/s; the file at l = 10 has a terminal velocity of 80 +- 20 km/s.
std::vector<TLvColumn> Survey() {
    std::vector<TLvColumn> columns;
    for (const double l : {10.0, 20.0, 30.0}) {
        TLvColumn column;
        column.Longitude = l;
        for (int v = -100; v <= 150; ++v) {
            const double d = (v - 50.0) / 3.0;
            column.Velocities.push_back(v);
            column.Signal.push_back(l == 20.0 ? 60.0 * std::exp(-0.5 * d * d) : 0.0);
        }
        columns.push_back(column);
    }
    columns[0].TerminalVelocity = 80.0;
    columns[0].TerminalUncertainty = 20.0;
    return columns;
}

testing::AssertionResult Near(QRgb got, const QColor& wanted, int tolerance) {
    const QColor g(got);
    if (std::abs(g.red() - wanted.red()) <= tolerance &&
        std::abs(g.green() - wanted.green()) <= tolerance &&
        std::abs(g.blue() - wanted.blue()) <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "got " << g.name().toStdString() << ", wanted "
                                       << wanted.name().toStdString() << " +- " << tolerance;
}

TEST(LvPlot, ColourMapRunsFromViridisDarkToItsYellow) {
    // The ends and the middle of matplotlib's viridis.
    EXPECT_EQ(LvColour(0.0), QColor(0x44, 0x01, 0x54));
    EXPECT_EQ(LvColour(0.5), QColor(0x21, 0x91, 0x8c));
    EXPECT_EQ(LvColour(1.0), QColor(0xfd, 0xe7, 0x25));
    EXPECT_EQ(LvColour(7.0), LvColour(1.0)) << "clamped";
    EXPECT_EQ(LvColour(std::nan("")), LvColour(0.0));
    // Brighter means more signal: the grey level grows all the way.
    for (double f = 0.0; f < 1.0; f += 0.05)
        EXPECT_LT(qGray(LvColour(f).rgb()), qGray(LvColour(f + 0.05).rgb())) << f;
}

TEST(LvPlot, LineCurveMarkAndColourBarWhereTheyBelong) {
    TPlotCanvas plot(LvPlotWidth, LvPlotHeight, TRect(0, 0, LvPlotWidth, LvPlotHeight));
    const TLvMapping m = DrawLvDiagram(plot, TLvGrid(Survey()), 220.0);
    const QImage& image = plot.Bitmap();
    EXPECT_GT(m.LongitudeToPixel(10.0), m.LongitudeToPixel(30.0)) << "l grows to the left";

    // The line's peak at the top of the scale, the empty channels at its foot.
    const int line = m.VelocityToPixel(50.0);
    EXPECT_TRUE(Near(image.pixel(m.LongitudeToPixel(20.0), line), LvColour(1.0), 0));
    EXPECT_TRUE(Near(image.pixel(m.LongitudeToPixel(30.0), line), LvColour(0.0), 0));

    // The flat curve at l = 30: 220 (1 - sin 30) = 110 km/s, a red line two pixels wide.
    const QRgb red = ColorToQColor(LvModelColor).rgb();
    const int x30 = m.LongitudeToPixel(30.0), y110 = m.VelocityToPixel(110.0);
    EXPECT_TRUE(image.pixel(x30, y110) == red || image.pixel(x30, y110 - 1) == red);
    EXPECT_NE(image.pixel(x30, m.VelocityToPixel(140.0)), red);

    // The terminal velocity at l = 10: a white square edged in black, its error bar white to
    // 1 sigma.
    const int x10 = m.LongitudeToPixel(10.0), y80 = m.VelocityToPixel(80.0);
    const int half = 3;
    EXPECT_EQ(image.pixel(x10, y80), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(x10 + half, y80 - half), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(x10 + half + 1, y80), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(x10, m.VelocityToPixel(95.0)), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(x10, m.VelocityToPixel(65.0)), qRgb(255, 255, 255));
    EXPECT_TRUE(Near(image.pixel(x10, m.VelocityToPixel(110.0)), LvColour(0.0), 0));

    // The colour bar beside the plot: the scale's top colour at the top, its foot below.
    const TRect r = LvPlotRect();
    int bar = -1;
    for (int x = r.Right; x < LvPlotWidth && bar < 0; ++x)
        if (Near(image.pixel(x, r.Top), LvColour(1.0), 0))
            bar = x;
    ASSERT_GE(bar, 0) << "no colour bar right of the plot";
    EXPECT_TRUE(Near(image.pixel(bar, r.Bottom - 1), LvColour(0.0), 0));
}

TEST(LvPlot, ASurveyAcrossTheCentreRunsThroughZeroAndTheCurveBreaksThere) {
    std::vector<TLvColumn> columns = Survey();
    columns[2].Longitude = 350.0;
    TPlotCanvas plot(LvPlotWidth, LvPlotHeight, TRect(0, 0, LvPlotWidth, LvPlotHeight));
    const TLvMapping m = DrawLvDiagram(plot, TLvGrid(columns), 220.0);
    EXPECT_GT(m.LongitudeToPixel(350.0), m.LongitudeToPixel(0.0));
    EXPECT_GT(m.LongitudeToPixel(0.0), m.LongitudeToPixel(10.0));
    // No red joins +220 to -220 km/s at l = 0.
    const QImage& image = plot.Bitmap();
    const int x0 = m.LongitudeToPixel(0.0), y0 = m.VelocityToPixel(0.0);
    for (int x = x0 - 2; x <= x0 + 2; ++x)
        EXPECT_NE(image.pixel(x, y0), ColorToQColor(LvModelColor).rgb()) << x;
}

TEST(LvPlot, SvgIsWellFormedAndShowsTheSameCells) {
    TVectorPlot drawing(LvPlotWidth, LvPlotHeight, LvPlotRect(), 0xFFFFFF, 0xFFFFFF);
    const TLvMapping m = DrawLvDiagram(drawing, TLvGrid(Survey()), 220.0);
    QSvgRenderer renderer(drawing.Svg("lv"));
    ASSERT_TRUE(renderer.isValid());
    QImage image(LvPlotWidth, LvPlotHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        renderer.render(&painter);
    }
    // Inside a cell, away from its edges, the renderer's colour is the canvas's.
    const int line = m.VelocityToPixel(50.0);
    EXPECT_TRUE(Near(image.pixel(m.LongitudeToPixel(20.0), line), LvColour(1.0), 4));
    EXPECT_TRUE(Near(image.pixel(m.LongitudeToPixel(30.0), line), LvColour(0.0), 4));
}

} // namespace
