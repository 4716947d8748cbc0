// Golden images of the plot panel's own operations, pixel for pixel: polylines that cross every
// edge of the plot rectangle, pass through a corner, run along an edge or lie wholly outside it,
// with pen changes in the middle of a polyline, wide and dashed pens; text at several angles
// on both areas, over lines and under them; the saved image and the band on the picture.
#include "app/Plotunit.h"
#include "support/Golden.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

class PlotGolden : public ::testing::Test {
protected:
    void SetUp() override {
        SavedFont = QGuiApplication::font();
        QGuiApplication::setFont(QFont("DejaVu Sans", 9));
        ASSERT_EQ(QFontInfo(QGuiApplication::font()).family(), "DejaVu Sans")
            << "the golden images are drawn with the DejaVu fonts (fonts-dejavu-core)";
    }
    void TearDown() override { QGuiApplication::setFont(SavedFont); }

    QFont SavedFont;
};

// A 320 x 240 plot with the data area (40, 20, 300, 200) on the tooltip colour and white.
std::unique_ptr<TPlot> MakePlot() {
    auto plot = std::make_unique<TPlot>(nullptr, TRect(0, 0, 320, 240));
    plot->SetBackgroundColor(clInfoBk);
    plot->SetPlotAreaColor(0xFFFFFF);
    plot->SetPlotRect(TRect(40, 20, 300, 200));
    return plot;
}

void Polyline(TPlot& plot, const std::vector<QPoint>& points) {
    plot.MoveTo(points.front().x(), points.front().y());
    for (std::size_t i = 1; i < points.size(); ++i)
        plot.LineTo(points[i].x(), points[i].y());
}

void DrawPrimitives(TPlot& plot) {
    // Grey grid as the main window draws it: vertical and horizontal lines edge to edge.
    plot.Pen.setColor(QColor(0x80, 0x80, 0x80));
    for (int x = 40; x <= 300; x += 26) {
        plot.MoveTo(x, 20);
        plot.LineTo(x, 200);
    }
    for (int y = 200; y >= 20; y -= 30) {
        plot.MoveTo(40, y);
        plot.LineTo(300, y);
    }
    // Blue: inside, out through the right edge, back in through the bottom, through the
    // bottom-left corner, wholly outside, along the top edge, across from left to right outside
    // both ends, in from the top; then green from the same pen position.
    plot.Pen.setColor(QColor(0, 0, 255));
    Polyline(plot, {{60, 40},
                    {150, 120},
                    {330, 90},
                    {250, 230},
                    {200, 150},
                    {20, 220},
                    {10, 10},
                    {40, 20},
                    {300, 20},
                    {310, 5},
                    {-15, 100},
                    {350, 140},
                    {170, 0},
                    {171, 199},
                    {172, 260}});
    plot.Pen.setColor(QColor(0, 160, 0));
    plot.LineTo(60, 180);
    plot.LineTo(65, 182);
    plot.LineTo(65, 182);
    plot.LineTo(290, 30);
    // Red, three pixels wide, crossing the left edge.
    plot.Pen.setColor(QColor(255, 0, 0));
    plot.Pen.setWidth(3);
    Polyline(plot, {{0, 60}, {120, 70}, {130, 160}});
    // Black dashes over consecutive segments: each segment starts its own pattern.
    plot.Pen.setWidth(1);
    plot.Pen.setColor(Qt::black);
    plot.Pen.setStyle(Qt::DashLine);
    Polyline(plot, {{50, 190}, {57, 190}, {64, 183}, {120, 183}, {320, 150}});
    plot.Pen.setStyle(Qt::SolidLine);

    // Text on the area and on the background, turned by several angles, over a line drawn
    // before it and under a line drawn after it.
    plot.Pen.setColor(QColor(0x80, 0, 0x80));
    plot.MoveTo(80, 108);
    plot.LineTo(250, 108);
    plot.TextOutAngle("-0.00125", 100, 100, 0);
    plot.LineTo(90, 115);
    plot.TextOutAngle("1420405751", 45, 235, 90);
    plot.TextOutAngle("211", 2, 120, 0);
    plot.TextOutAngle("edge", 28, 60, 0);
    plot.TextOutAngle("tilted", 200, 170, 45);
    plot.TextOutAngle("almost", 150, 60, 30.59);
    plot.TextOutAngle("down", 280, 40, -90);
    plot.TextOutAngle("", 120, 40, 0);
}

TEST_F(PlotGolden, LinesTextSavedImageAndBand) {
    auto plot = MakePlot();
    DrawPrimitives(*plot);
    plot->SaveImage();
    plot->TextOutAngle("Title over the saved image", 60, 3, 0);
    plot->Pen.setColor(QColor(0, 0, 255));
    plot->MoveTo(40, 30);
    plot->LineTo(300, 30);
    plot->Show();
    EXPECT_TRUE(MatchesGolden(plot->Picture(), "plot-primitives"));
    EXPECT_TRUE(plot->Bitmap() == plot->Picture());

    plot->RestoreImage();
    EXPECT_TRUE(MatchesGolden(plot->Bitmap(), "plot-primitives-saved"));
    EXPECT_TRUE(MatchesGolden(plot->Picture(), "plot-primitives"))
        << "the picture keeps what was shown until the next Show";

    plot->Show();
    plot->DrawOnPicture([](QPainter& painter) {
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawPolyline(QPolygon({{100, 20}, {100, 200}, {160, 200}, {160, 20}, {100, 20}}));
    });
    EXPECT_TRUE(MatchesGolden(plot->Picture(), "plot-primitives-band"));
    EXPECT_TRUE(MatchesGolden(plot->Bitmap(), "plot-primitives-saved"))
        << "marks on the picture leave the bitmap alone";
}

// Lines and texts at the edges of what the plot handles: axis lines drawn backwards, lines on
// the plot rectangle's edges, single points, flat and round caps whose lines turn back, a
// cosmetic pen, a translucent pen over itself; texts turned by whole quarter turns and texts
// running off the bitmap. On a second plot the plot rectangle reaches beyond the bitmap.
TEST_F(PlotGolden, LineAndTextEdgeCases) {
    auto plot = MakePlot();
    plot->Pen.setColor(QColor(0, 0, 255));
    Polyline(*plot, {{290, 60},
                     {50, 60},
                     {50, 190},
                     {50, 30},
                     {40, 20},
                     {40, 200},
                     {300, 200},
                     {300, 20},
                     {40, 20}});
    Polyline(*plot, {{120, 120}, {120, 120}, {121, 121}, {121, 121}});
    plot->Pen.setCapStyle(Qt::FlatCap);
    plot->Pen.setColor(QColor(200, 0, 0));
    Polyline(*plot, {{60, 70}, {100, 150}, {60, 75}, {140, 80}, {60, 85}, {60, 85}, {61, 86}});
    plot->Pen.setCapStyle(Qt::RoundCap);
    plot->Pen.setColor(QColor(0, 150, 0));
    Polyline(*plot, {{160, 70}, {200, 150}, {160, 75}, {240, 80}});
    plot->Pen.setCapStyle(Qt::SquareCap);
    plot->Pen.setWidth(0);
    plot->Pen.setColor(QColor(0, 0, 0));
    Polyline(*plot, {{60, 160}, {280, 140}, {60, 150}});
    plot->Pen.setWidth(1);
    plot->Pen.setColor(QColor(255, 0, 255, 128));
    Polyline(*plot, {{70, 100}, {280, 110}, {70, 110}, {280, 100}});
    plot->TextOutAngle("upside", 200, 190, 180);
    plot->TextOutAngle("downwards", 260, 30, 270);
    plot->TextOutAngle("upwards", 30, 235, -270);
    plot->TextOutAngle("12.5", 305, 120, 0);
    plot->TextOutAngle("-1.25", -10, 228, 0);
    plot->TextOutAngle("1420", 310, 60, 90);
    plot->Brush.setColor(Qt::red); // the box colour comes from the area, not the brush
    plot->TextOutAngle("area", 150, 120, 0);
    plot->Show();
    EXPECT_TRUE(MatchesGolden(plot->Picture(), "plot-edge-cases"));

    auto wide = std::make_unique<TPlot>(nullptr, TRect(0, 0, 160, 120));
    wide->SetBackgroundColor(clInfoBk);
    wide->SetPlotAreaColor(0xFFFFFF);
    wide->SetPlotRect(TRect(-20, 10, 200, 140));
    wide->Pen.setColor(QColor(0, 0, 255));
    Polyline(*wide, {{-30, 50}, {190, 20}, {100, 150}, {-5, 60}, {150, 60}});
    wide->TextOutAngle("wide", 120, 100, 90);
    wide->Show();
    EXPECT_TRUE(MatchesGolden(wide->Picture(), "plot-wide-area"));
}

// The same drawing again on the same plot, after a Clear, gives the same pixels: nothing that
// the plot keeps from one drawing to the next shows in the next.
TEST_F(PlotGolden, RepeatedDrawingIsUnchanged) {
    auto plot = MakePlot();
    for (int pass = 0; pass < 3; ++pass) {
        plot->Clear();
        DrawPrimitives(*plot);
        plot->SaveImage();
        plot->TextOutAngle("Title over the saved image", 60, 3, 0);
        plot->Pen.setColor(QColor(0, 0, 255));
        plot->MoveTo(40, 30);
        plot->LineTo(300, 30);
        plot->Show();
        EXPECT_TRUE(MatchesGolden(plot->Picture(), "plot-primitives")) << "pass " << pass;
    }
}

} // namespace
