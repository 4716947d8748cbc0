// The plot canvas at ratio 1: clipping of lines to the plot rectangle, text boxes and turns,
// the saved image, the picture and Clear, as the window and the pictures of kelvane-batch use
// them.
#include "plot/Canvasunit.h"
#include "plot/SmallPlot.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<TPlotCanvas> MakePlot() {
    return Dressed(std::make_unique<TPlotCanvas>(300, 200, TRect(0, 0, 300, 200)));
}

// Pixels that differ between two images of the same size.
std::vector<QPoint> Changed(const QImage& before, const QImage& after) {
    std::vector<QPoint> points;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                points.emplace_back(x, y);
    return points;
}

TEST(ColorToQColor, PlainAndSystemColours) {
    EXPECT_EQ(ColorToQColor(0xFF0000).rgb(), Rgb(0, 0, 255));
    EXPECT_EQ(ColorToQColor(0x0000FF).rgb(), Rgb(255, 0, 0));
    EXPECT_EQ(ColorToQColor(0x808080).rgb(), Rgb(128, 128, 128));
    EXPECT_EQ(ColorToQColor(0x123456).rgb(), Rgb(0x56, 0x34, 0x12));
    EXPECT_EQ(ColorToQColor(clInfoBk), QGuiApplication::palette().color(QPalette::ToolTipBase));
}

TEST(TRect, NormalisedWhenBuilt) {
    const struct {
        TRect rect;
        int left, top, right, bottom;
    } cases[] = {
        {TRect(1, 2, 30, 40), 1, 2, 30, 40},
        {TRect(30, 2, 1, 40), 1, 2, 30, 40},
        {TRect(1, 40, 30, 2), 1, 2, 30, 40},
        {TRect(30, 40, 1, 2), 1, 2, 30, 40},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.rect.Left, c.left);
        EXPECT_EQ(c.rect.Top, c.top);
        EXPECT_EQ(c.rect.Right, c.right);
        EXPECT_EQ(c.rect.Bottom, c.bottom);
        EXPECT_EQ(c.rect.Width(), 29);
        EXPECT_EQ(c.rect.Height(), 38);
    }
}

TEST(TPlotCanvas, LineToIsClippedToThePlotRectangle) {
    const struct {
        const char* name;
        QPoint from, to;
        bool drawn;
        QPoint drawFrom, drawTo;
    } cases[] = {
        {"inside", {50, 50}, {100, 120}, true, {50, 50}, {100, 120}},
        {"corner to corner", {20, 10}, {280, 190}, true, {20, 10}, {280, 190}},
        {"inside to outside", {100, 50}, {300, 50}, true, {100, 50}, {280, 50}},
        {"outside to inside", {0, 0}, {100, 100}, true, {20, 20}, {100, 100}},
        // Ending on the far edge: crossings (20, 60) and (280, 60); drawn from the first.
        {"outside to far edge", {0, 60}, {280, 60}, true, {20, 60}, {280, 60}},
        // Starting on the near edge: the start is a crossing of its own; the line runs on to
        // the next one.
        {"near edge to outside", {20, 80}, {300, 80}, true, {20, 80}, {280, 80}},
        // Through a corner, found on the left and on the top edge: drawn to the bottom edge.
        {"through corner", {0, -10}, {220, 210}, true, {20, 10}, {200, 190}},
        {"through, horizontal", {0, 70}, {300, 70}, true, {20, 70}, {280, 70}},
        {"through, vertical", {150, 0}, {150, 199}, true, {150, 10}, {150, 190}},
        {"through, diagonal", {0, 0}, {200, 200}, true, {20, 20}, {190, 190}},
        {"truncated crossing", {271, 96}, {281, 127}, true, {271, 96}, {280, 123}},
        {"outside", {0, 0}, {40, 4}, false, {}, {}},
        {"outside, vertical", {10, 0}, {10, 199}, false, {}, {}},
    };
    const QColor blue = ColorToQColor(0xFF0000);
    for (const auto& c : cases) {
        auto plot = MakePlot();
        plot->Pen.setColor(blue);
        QImage expected = plot->Bitmap().copy();
        if (c.drawn) {
            QPainter painter(&expected);
            painter.setPen(QPen(blue, 1));
            painter.drawLine(c.drawFrom, c.drawTo);
        }
        plot->MoveTo(c.from.x(), c.from.y());
        plot->LineTo(c.to.x(), c.to.y());
        EXPECT_EQ(plot->LastX, c.to.x()) << c.name;
        EXPECT_EQ(plot->LastY, c.to.y()) << c.name;
        EXPECT_TRUE(plot->Bitmap() == expected) << c.name;
        if (c.drawn) {
            // Crisp end pixels in the pen colour, nothing past the cut.
            EXPECT_EQ(plot->Bitmap().pixel(c.drawTo), blue.rgb()) << c.name;
            EXPECT_EQ(plot->Bitmap().pixel(c.drawFrom), blue.rgb()) << c.name;
        }
    }
}

TEST(TPlotCanvas, PolylineContinuesFromEachTarget) {
    auto plot = MakePlot();
    const QPoint path[] = {{50, 50}, {350, 50}, {350, 150}, {50, 150}};
    plot->MoveTo(path[0].x(), path[0].y());
    for (const QPoint& p : path) {
        plot->LineTo(p.x(), p.y());
        EXPECT_EQ(QPoint(plot->LastX, plot->LastY), p);
    }
    // The leg outside the bitmap draws nothing; the two legs into and out of it are cut at x=280.
    EXPECT_EQ(plot->Bitmap().pixel(279, 50), Rgb(0, 0, 0));
    EXPECT_EQ(plot->Bitmap().pixel(279, 150), Rgb(0, 0, 0));
    EXPECT_EQ(plot->Bitmap().pixel(285, 50), Rgb(255, 255, 0));
    EXPECT_EQ(plot->Bitmap().pixel(285, 150), Rgb(255, 255, 0));
    EXPECT_EQ(plot->Bitmap().pixel(285, 100), Rgb(255, 255, 0));
}

TEST(TPlotCanvas, InPlotRectIncludesTheEdges) {
    auto plot = MakePlot();
    EXPECT_TRUE(plot->InPlotRect(20, 10));
    EXPECT_TRUE(plot->InPlotRect(280, 190));
    EXPECT_FALSE(plot->InPlotRect(19, 100));
    EXPECT_FALSE(plot->InPlotRect(281, 100));
    EXPECT_FALSE(plot->InPlotRect(100, 9));
    EXPECT_FALSE(plot->InPlotRect(100, 191));
}

TEST(TPlotCanvas, TextBoxTakesTheColourOfItsStartingArea) {
    const std::string text = "MMMMMM";
    const QRgb yellow = Rgb(255, 255, 0), white = Rgb(255, 255, 255);
    const struct {
        const char* name;
        QPoint at;
        int fromX; // first column of the box on the other side of the area's edge
        QRgb boxColour, otherColour;
    } cases[] = {
        {"starts in the plot area", {275, 100}, 281, white, yellow},
        {"starts on the background", {5, 100}, 21, yellow, white},
    };
    for (const auto& c : cases) {
        auto plot = MakePlot();
        const int width = plot->TextWidth(text);
        const int height = plot->TextHeight(text);
        ASSERT_GT(width, 30);
        plot->TextOutAngle(text, c.at.x(), c.at.y(), 0.0);
        int boxPixels = 0;
        for (int y = c.at.y() + 1; y < c.at.y() + height - 1; ++y)
            for (int x = c.fromX; x < std::min(c.at.x() + width - 1, 300); ++x) {
                const QRgb pixel = plot->Bitmap().pixel(x, y);
                EXPECT_NE(pixel, c.otherColour) << c.name << " at " << x << ", " << y;
                boxPixels += pixel == c.boxColour;
            }
        EXPECT_GT(boxPixels, 0) << c.name;
    }
}

TEST(TPlotCanvas, TextTurnsCounterClockwise) {
    const std::string text = "Kelvane";
    const QPoint at(150, 150);
    auto probe = MakePlot();
    const int w = probe->TextWidth(text);
    const int h = probe->TextHeight(text);
    // Where the text may change pixels: right of and below the point when horizontal; above
    // and right of it when turned by 90 degrees, so that it reads upwards.
    const struct {
        double angle;
        QRect bounds;
    } cases[] = {{0.0, QRect(at.x(), at.y(), w, h)}, {90.0, QRect(at.x(), at.y() - w, h, w + 1)}};
    for (const auto& c : cases) {
        auto plot = MakePlot();
        const QImage before = plot->Bitmap().copy();
        plot->TextOutAngle(text, at.x(), at.y(), c.angle);
        const std::vector<QPoint> changed = Changed(before, plot->Bitmap());
        EXPECT_GT(changed.size(), 20u) << c.angle;
        for (const QPoint& p : changed)
            EXPECT_TRUE(c.bounds.adjusted(-1, -1, 1, 1).contains(p))
                << c.angle << ": " << p.x() << ", " << p.y();
    }
}

// A text whose ink reaches past its box blends there with what lies beneath, as when the
// painter draws it straight onto the bitmap (the reference here): the same text again, over
// another background colour, and over a mark under its overhanging ink, at ratios 1 and 2,
// upright and turned.
TEST(TPlotCanvas, TextReachingPastItsBoxBlendsWithWhatLiesBeneath) {
    // The canvas with the font and measures that it draws its texts with.
    struct TOpenCanvas : TPlotCanvas {
        using TDrawingSurface::Font;
        using TDrawingSurface::Metrics;
        using TPlotCanvas::TPlotCanvas;
    };
    // The file names of the graph's first line start with a letter that reaches left of the box.
    const std::string text = "G0_30.0.dat";
    for (const double ratio : {1.0, 2.0})
        for (const double angle : {0.0, 90.0}) {
            TOpenCanvas plot(300, 200, TRect(0, 0, 300, 200));
            plot.SetDevicePixelRatio(ratio);
            plot.SetBackgroundColor(Yellow);
            plot.SetPlotAreaColor(White);
            plot.SetPlotRect(Area);
            const int width = plot.TextWidth(text), height = plot.TextHeight(text);
            TColor background = Yellow;
            // The text as the painter draws it at (x, y) on the bitmap as it stands.
            const auto reference = [&](int x, int y) {
                QImage image = plot.Bitmap().copy();
                QPainter painter(&image);
                painter.setRenderHint(QPainter::TextAntialiasing, true);
                painter.setFont(plot.Font());
                DrawTextBox(painter, plot.Metrics(), QString::fromStdString(text), width, x, y,
                            angle * 10.0,
                            ColorToQColor(plot.InPlotRect(x, y) ? White : background));
                return image;
            };
            const std::string name = std::to_string(ratio) + " " + std::to_string(angle);
            // The first drawing, outside the plot; its ink outside the box is what the test is
            // about.
            const QPoint first = angle == 0.0 ? QPoint(20, 192 - height) : QPoint(4, 100);
            const QImage before = plot.Bitmap().copy();
            QImage expected = reference(first.x(), first.y());
            plot.TextOutAngle(text, first.x(), first.y(), angle);
            ASSERT_TRUE(plot.Bitmap() == expected) << name;
            const QRect box = angle == 0.0 ? QRect(first, QSize(width, height))
                                           : QRect(first.x(), first.y() - width, height, width);
            std::vector<QPoint> overhang;
            for (const QPoint& p : Changed(before, plot.Bitmap()))
                if (!box.contains(
                        QPoint(static_cast<int>(p.x() / ratio), static_cast<int>(p.y() / ratio))))
                    overhang.push_back(p / ratio - first);
            ASSERT_FALSE(overhang.empty()) << name << ": the font keeps the text in its box";
            // Again elsewhere over the background, then over another background colour.
            const QPoint second = first + QPoint(angle == 0.0 ? 150 : 0, angle == 0.0 ? 0 : 80);
            expected = reference(second.x(), second.y());
            plot.TextOutAngle(text, second.x(), second.y(), angle);
            EXPECT_TRUE(plot.Bitmap() == expected) << name;
            background = 0xC0FFC0;
            plot.SetBackgroundColor(background);
            expected = reference(first.x(), first.y());
            plot.TextOutAngle(text, first.x(), first.y(), angle);
            EXPECT_TRUE(plot.Bitmap() == expected) << name;
            // A mark of another colour under the overhanging ink.
            const QPoint mark = second + overhang.front();
            plot.FillRect(TRect(mark.x(), mark.y(), mark.x() + 1, mark.y() + 1), Qt::red);
            expected = reference(second.x(), second.y());
            plot.TextOutAngle(text, second.x(), second.y(), angle);
            EXPECT_TRUE(plot.Bitmap() == expected) << name;
        }
}

TEST(TPlotCanvas, AngleIsTruncatedToTenthsOfADegree) {
    const std::string text = "Kelvane spectrum";
    auto straight = MakePlot();
    straight->TextOutAngle(text, 30, 50, 0.0);
    for (const double angle : {0.09, -0.09}) {
        auto plot = MakePlot();
        plot->TextOutAngle(text, 30, 50, angle);
        EXPECT_TRUE(plot->Bitmap() == straight->Bitmap()) << angle;
    }
}

TEST(TPlotCanvas, TextOutAngleRestoresTheBrushColour) {
    for (const std::string text : {"Signal", ""}) {
        auto plot = MakePlot();
        plot->Brush.setColor(Qt::red);
        const QImage before = plot->Bitmap().copy();
        plot->TextOutAngle(text, 100, 100, 90.0);
        EXPECT_EQ(plot->Brush.color(), QColor(Qt::red)) << text;
        EXPECT_EQ(plot->Bitmap() == before, text.empty()) << text;
    }
}

TEST(TPlotCanvas, SaveAndRestoreImage) {
    auto plot = MakePlot();
    const QImage cleared = plot->Bitmap().copy();

    plot->RestoreImage(); // nothing saved yet
    EXPECT_TRUE(plot->Bitmap() == cleared);

    plot->MoveTo(30, 30);
    plot->LineTo(200, 30);
    const QImage withLine = plot->Bitmap().copy();
    plot->SaveImage();
    for (int round = 0; round < 2; ++round) {
        plot->MoveTo(30, 100);
        plot->LineTo(200, 180);
        EXPECT_FALSE(plot->Bitmap() == withLine);
        plot->RestoreImage();
        EXPECT_TRUE(plot->Bitmap() == withLine) << "round " << round;
    }
}

TEST(TPlotCanvas, ShowCopiesTheBitmapAndWipesPictureMarks) {
    auto plot = MakePlot();
    plot->Show();
    const QImage shown = plot->Bitmap().copy();
    EXPECT_TRUE(plot->Picture() == shown);

    // Drawing goes to the bitmap only, until the next Show.
    plot->MoveTo(30, 30);
    plot->LineTo(200, 30);
    EXPECT_TRUE(plot->Picture() == shown);
    EXPECT_FALSE(plot->Bitmap() == shown);

    // Marks on the picture stay off the bitmap.
    const QImage drawn = plot->Bitmap().copy();
    plot->DrawOnPicture([](QPainter& painter) {
        painter.setPen(QPen(Qt::red, 1));
        painter.drawRect(QRect(100, 10, 50, 180));
    });
    EXPECT_EQ(plot->Picture().pixel(100, 50), Rgb(255, 0, 0));
    EXPECT_EQ(plot->Bitmap().pixel(100, 50), Rgb(255, 255, 255));
    EXPECT_TRUE(plot->Bitmap() == drawn);

    plot->Show();
    EXPECT_TRUE(plot->Picture() == drawn);
}

// Lines wait to be drawn together; a change of pen, a text, or a look at the bitmap draws them
// first, so that what is drawn later lies on top.
TEST(TPlotCanvas, LaterDrawingLiesOnTop) {
    const QRgb red = Rgb(255, 0, 0), blue = Rgb(0, 0, 255);
    for (const bool blueFirst : {true, false}) {
        auto plot = MakePlot();
        const QColor first = blueFirst ? QColor(blue) : QColor(red);
        const QColor second = blueFirst ? QColor(red) : QColor(blue);
        plot->Pen.setColor(first);
        plot->MoveTo(30, 100);
        plot->LineTo(270, 100);
        plot->Pen.setColor(second);
        plot->MoveTo(150, 20);
        plot->LineTo(150, 180);
        EXPECT_EQ(plot->Bitmap().pixel(150, 100), second.rgb()) << blueFirst;
        EXPECT_EQ(plot->Bitmap().pixel(100, 100), first.rgb()) << blueFirst;
    }
    auto plot = MakePlot();
    plot->Pen.setColor(QColor(red));
    plot->MoveTo(30, 105);
    plot->LineTo(270, 105);
    plot->TextOutAngle("MMMM", 100, 100, 0.0); // its box covers row 105 from column 100 on
    plot->LineTo(270, 110);
    EXPECT_NE(plot->Bitmap().pixel(102, 105), red) << "the text's box covers the line";
    EXPECT_EQ(plot->Bitmap().pixel(50, 105), red);
}

// The saved image survives what comes after it: text over it, a Show, a Clear and a new
// drawing, and drawing that covers most of the bitmap.
TEST(TPlotCanvas, SavedImageSurvivesLaterDrawing) {
    auto plot = MakePlot();
    plot->MoveTo(30, 30);
    plot->LineTo(250, 170);
    plot->SaveImage();
    const QImage saved = plot->Bitmap().copy();

    plot->TextOutAngle("Title", 120, 2, 0.0);
    plot->Show();
    const QImage shown = plot->Bitmap().copy();
    EXPECT_FALSE(shown == saved);
    plot->Clear();
    plot->MoveTo(30, 170);
    plot->LineTo(250, 30);
    EXPECT_TRUE(plot->Picture() == shown) << "the picture stays until the next Show";
    plot->RestoreImage();
    EXPECT_TRUE(plot->Bitmap() == saved) << "after a Clear";

    // Lines over most of the bitmap, twice.
    for (int round = 0; round < 2; ++round) {
        plot->Pen.setColor(Qt::green);
        for (int y = 12; y < 188; y += 2) {
            plot->MoveTo(22, y);
            plot->LineTo(278, y + 1);
        }
        plot->TextOutAngle("over", 100, 100, 90.0);
        EXPECT_FALSE(plot->Bitmap() == saved);
        plot->RestoreImage();
        EXPECT_TRUE(plot->Bitmap() == saved) << "round " << round;
    }
    EXPECT_TRUE(plot->Picture() == shown);
}

// The fitting cycle: the shown graph with its title, then again and again the saved graph
// restored, a curve drawn over it and shown. The picture keeps what was shown until the next
// Show, and the saved image stays the graph without title or curve.
TEST(TPlotCanvas, RestoringAfterShowKeepsPictureAndSavedImage) {
    auto plot = MakePlot();
    plot->MoveTo(30, 30);
    plot->LineTo(250, 170);
    plot->SaveImage();
    const QImage saved = plot->Bitmap().copy();
    plot->TextOutAngle("Title", 120, 2, 0.0);
    plot->Show();
    QImage shown = plot->Picture().copy();
    for (int round = 0; round < 3; ++round) {
        plot->RestoreImage();
        EXPECT_TRUE(plot->Bitmap() == saved) << "round " << round;
        EXPECT_TRUE(plot->Picture() == shown) << "round " << round;
        plot->Pen.setColor(Qt::red);
        plot->MoveTo(20, 20 + 40 * round);
        for (int x = 20; x <= 280; x += 4)
            plot->LineTo(x, 100 + (x * (round + 1)) % 90);
        plot->Show();
        EXPECT_FALSE(plot->Picture() == saved);
        shown = plot->Picture().copy();
    }
    plot->RestoreImage();
    EXPECT_TRUE(plot->Bitmap() == saved);
}

// Whatever was drawn (lines of every kind, text at every angle, a restored image), and across
// Shows that hand the bitmap's buffer to the picture and take a new one, the cleared bitmap
// is the same as a new plot's.
TEST(TPlotCanvas, ClearLeavesNothingOfEarlierDrawings) {
    auto fresh = MakePlot();
    const QImage cleared = fresh->Bitmap().copy();
    auto plot = MakePlot();
    for (int round = 0; round < 6; ++round) {
        plot->Pen.setColor(round % 2 ? Qt::red : Qt::blue);
        plot->MoveTo(-40, 5 + round);
        for (int x = 0; x <= 320; x += 7)
            plot->LineTo(x, (x * (round + 3)) % 230 - 10);
        plot->Pen.setWidth(round % 3 + 1);
        plot->Pen.setStyle(round == 2 ? Qt::DashLine : Qt::SolidLine);
        plot->Pen.setCapStyle(round == 4 ? Qt::FlatCap : Qt::SquareCap);
        plot->MoveTo(10, 190);
        plot->LineTo(290, 15);
        plot->TextOutAngle("Label " + std::to_string(round), 40 * round, 100, 90.0 * round);
        plot->TextOutAngle("tilted_g", 150, 150, 33.3);
        if (round == 3) {
            plot->SaveImage();
            plot->TextOutAngle("Title", 100, 0, 0.0);
            plot->Show();
            plot->MoveTo(20, 20);
            plot->LineTo(280, 180);
            plot->RestoreImage();
        }
        // Clear keeps the pen's style and cap: a dashed pen outlines dashed.
        plot->Pen.setStyle(round == 5 ? Qt::DotLine : Qt::SolidLine);
        plot->Pen.setCapStyle(Qt::SquareCap);
        plot->Show();
        plot->Clear();
        if (round == 5) {
            EXPECT_FALSE(plot->Bitmap() == cleared);
            plot->Pen.setStyle(Qt::SolidLine);
            plot->Show();
            plot->Clear();
        }
        EXPECT_TRUE(plot->Bitmap() == cleared) << "round " << round;
    }
    // A change of colour or rectangle between two Clears.
    plot->TextOutAngle("Signal", 100, 100, 0.0);
    plot->Show();
    plot->SetBackgroundColor(0x00FF00);
    plot->SetBackgroundColor(0x00FFFF);
    EXPECT_TRUE(plot->Bitmap() == cleared);
    plot->SetPlotRect(TRect(30, 30, 200, 150));
    plot->Show();
    plot->SetPlotRect(Area);
    EXPECT_TRUE(plot->Bitmap() == cleared);
}

} // namespace

TEST(TPlotCanvas, ResizeGivesAFreshBitmapAtTheSameRatio) {
    // Device sizes: logical size x ratio, rounded as the blocks' edges are (floor(n r + 1/2)).
    const struct {
        double ratio;
        QSize device;
    } cases[] = {{1.0, QSize(900, 700)}, {2.0, QSize(1800, 1400)}, {1.5, QSize(1350, 1050)}};
    for (const auto& c : cases) {
        TPlotCanvas canvas(640, 600, TRect(80, 40, 630, 500));
        canvas.SetDevicePixelRatio(c.ratio);
        canvas.SetBackgroundColor(0xFFFFFF);
        canvas.SaveImage();
        canvas.Resize(900, 700);
        EXPECT_EQ(canvas.Width(), 900) << c.ratio;
        EXPECT_EQ(canvas.Height(), 700) << c.ratio;
        const QImage& bitmap = canvas.Bitmap();
        EXPECT_EQ(bitmap.size(), c.device) << c.ratio;
        EXPECT_EQ(bitmap.devicePixelRatio(), c.ratio) << c.ratio;
        EXPECT_EQ(bitmap.pixelColor(c.device.width() - 1, c.device.height() - 1),
                  QColor(Qt::black));
        // The image saved at the old size is gone: restoring changes nothing.
        canvas.RestoreImage();
        EXPECT_EQ(canvas.Bitmap().size(), c.device) << c.ratio;
        EXPECT_EQ(canvas.Picture().size(), c.device) << c.ratio;
        // Drawing covers the new size: Clear fills all of it (inside the black outline).
        canvas.SetPlotRect(TRect(80, 40, 890, 600));
        const int inside = static_cast<int>(4 * c.ratio);
        EXPECT_EQ(canvas.Bitmap().pixelColor(c.device.width() - inside, c.device.height() - inside),
                  QColor(Qt::white))
            << c.ratio;
    }
}
