// The plot panel on high-density screens: the bitmap in device pixels, everything else in
// logical pixels. Each logical pixel covers a block of device pixels (2 x 2 at ratio 2); lines
// of one pixel set the blocks of the logical pixels they set at ratio 1, fills cover the blocks
// of their pixels, stroked pens lie on the same blocks, and text is drawn at the device
// resolution in the place and box it has at ratio 1.
#include "app/Plotunit.h"
#include "support/DevicePixels.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// A 300 x 200 plot with the data area (20, 10, 280, 190): yellow background, white area.
constexpr TColor Yellow = 0x00FFFF; // 0x00BBGGRR
constexpr TColor White = 0xFFFFFF;
const TRect Area(20, 10, 280, 190);
const QRgb black = qRgb(0, 0, 0), yellow = qRgb(255, 255, 0), white = qRgb(255, 255, 255),
           blue = qRgb(0, 0, 255);

std::unique_ptr<TPlot> MakePlot(qreal ratio) {
    auto plot = std::make_unique<TPlot>(nullptr, TRect(0, 0, 300, 200));
    plot->SetDevicePixelRatio(ratio);
    plot->SetBackgroundColor(Yellow);
    plot->SetPlotAreaColor(White);
    plot->SetPlotRect(Area);
    return plot;
}

// The rows of column x that hold colour.
std::vector<int> RowsOf(const QImage& image, int x, QRgb colour) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF))
            rows.push_back(y);
    return rows;
}

TEST(TPlotAtRatio2, BitmapInDevicePixelsGeometryInLogicalPixels) {
    auto logical = MakePlot(1.0);
    auto plot = MakePlot(2.0);
    EXPECT_EQ(plot->DevicePixelRatio(), 2.0);
    EXPECT_EQ(plot->Bitmap().size(), QSize(600, 400));
    EXPECT_EQ(plot->Bitmap().devicePixelRatio(), 2.0);
    EXPECT_EQ(plot->size(), QSize(300, 200)) << "the widget keeps its logical size";
    plot->Show();
    EXPECT_EQ(plot->Picture().size(), QSize(600, 400));
    EXPECT_EQ(plot->Picture().devicePixelRatio(), 2.0);

    EXPECT_EQ(plot->PlotRect().Left, 20);
    EXPECT_EQ(plot->PlotRect().Bottom, 190);
    EXPECT_TRUE(plot->InPlotRect(280, 190));
    EXPECT_FALSE(plot->InPlotRect(281, 190));
    for (const std::string text : {"1420405751", "Velocity - VLSR v Signal", "-0.00125"}) {
        EXPECT_EQ(plot->TextWidth(text), logical->TextWidth(text)) << text;
        EXPECT_EQ(plot->TextHeight(text), logical->TextHeight(text)) << text;
    }
}

TEST(TPlotAtRatio2, PlotRectangleEdgesInDevicePixels) {
    auto plot = MakePlot(2.0);
    const QImage& bitmap = plot->Bitmap();
    // The plot rectangle's outline covers logical columns 20 .. 279 and rows 10 .. 189 (the
    // right and bottom edges excluded): device columns 40 .. 559, rows 20 .. 379.
    const struct {
        const char* name;
        QPoint at; // device pixel
        QRgb colour;
    } pixels[] = {
        {"bitmap outline, top-left block", {0, 0}, black},
        {"bitmap outline, top-left block", {1, 1}, black},
        {"background inside the bitmap outline", {2, 2}, yellow},
        {"bitmap outline, bottom-right block", {598, 398}, black},
        {"bitmap outline, bottom-right block", {599, 399}, black},
        {"background before the bottom-right block", {597, 397}, yellow},
        {"left of the left edge", {39, 100}, yellow},
        {"left edge", {40, 100}, black},
        {"left edge", {41, 100}, black},
        {"inside the left edge", {42, 100}, white},
        {"inside the right edge", {557, 100}, white},
        {"right edge", {558, 100}, black},
        {"right edge", {559, 100}, black},
        {"right of the right edge", {560, 100}, yellow},
        {"above the top edge", {300, 19}, yellow},
        {"top edge", {300, 20}, black},
        {"top edge", {300, 21}, black},
        {"below the top edge", {300, 22}, white},
        {"above the bottom edge", {300, 377}, white},
        {"bottom edge", {300, 378}, black},
        {"bottom edge", {300, 379}, black},
        {"below the bottom edge", {300, 380}, yellow},
        {"top-left corner", {40, 20}, black},
        {"bottom-right corner", {559, 379}, black},
    };
    for (const auto& p : pixels)
        EXPECT_EQ(bitmap.pixel(p.at), p.colour) << p.name << " at " << p.at.x() << ", " << p.at.y();
    EXPECT_TRUE(SamePixels(bitmap, Enlarged(MakePlot(1.0)->Bitmap(), 2.0)));
}

// The cases of the clipping rules at ratio 1, at ratio 2: the same logical pixels, each a block.
TEST(TPlotAtRatio2, ClippedLinesEndOnTheBlocksOfTheirEnds) {
    const struct {
        const char* name;
        QPoint from, to;
        QPoint drawFrom, drawTo; // the part inside, as at ratio 1
        QPoint beyond;           // the next logical pixel past the cut end, left undrawn
    } cases[] = {
        {"inside to outside", {100, 50}, {300, 50}, {100, 50}, {280, 50}, {281, 50}},
        {"outside to inside", {0, 0}, {100, 100}, {20, 20}, {100, 100}, {19, 19}},
        {"through, vertical", {150, 0}, {150, 199}, {150, 10}, {150, 190}, {150, 191}},
        {"truncated crossing", {271, 96}, {281, 127}, {271, 96}, {280, 123}, {281, 124}},
        {"through corner", {0, -10}, {220, 210}, {20, 10}, {200, 190}, {201, 191}},
    };
    for (const auto& c : cases) {
        auto logical = MakePlot(1.0);
        QImage expected = logical->Bitmap().copy();
        {
            QPainter painter(&expected);
            painter.setPen(QPen(QColor(blue), 1));
            painter.drawLine(c.drawFrom, c.drawTo);
        }
        auto plot = MakePlot(2.0);
        plot->Pen.setColor(QColor(blue));
        plot->MoveTo(c.from.x(), c.from.y());
        plot->LineTo(c.to.x(), c.to.y());
        EXPECT_EQ(QPoint(plot->LastX, plot->LastY), c.to) << c.name;
        const QImage& bitmap = plot->Bitmap();
        EXPECT_TRUE(SamePixels(bitmap, Enlarged(expected, 2.0))) << c.name;
        for (const QPoint& end : {c.drawFrom, c.drawTo})
            for (const QPoint& d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
                EXPECT_EQ(bitmap.pixel(end * 2 + d), blue) << c.name << ": the end's block";
        EXPECT_NE(bitmap.pixel(c.beyond * 2), blue) << c.name << ": nothing past the cut";
        EXPECT_NE(bitmap.pixel(c.beyond * 2 + QPoint(1, 1)), blue) << c.name;
    }
}

// Pens that the painter strokes (wider, flat caps, translucent) cover the blocks of the rows
// they cover at ratio 1; a dashed band on the picture likewise.
TEST(TPlotAtRatio2, StrokedLinesLieOnTheBlocks) {
    const QColor red(255, 0, 0);
    const struct {
        const char* name;
        QPen pen;
    } pens[] = {
        {"three pixels wide", QPen(red, 3)},
        {"flat caps", QPen(red, 1, Qt::SolidLine, Qt::FlatCap)},
        {"translucent", QPen(QColor(255, 0, 0, 128), 1)},
    };
    for (const auto& p : pens) {
        std::vector<int> rows[2];
        QRgb inked[2];
        for (const int ratio : {1, 2}) {
            auto plot = MakePlot(ratio);
            plot->Pen = p.pen;
            plot->MoveTo(40, 60);
            plot->LineTo(260, 60);
            const QImage& bitmap = plot->Bitmap();
            inked[ratio - 1] = bitmap.pixel(150 * ratio, 60 * ratio);
            rows[ratio - 1] = RowsOf(bitmap, 150 * ratio, inked[ratio - 1]);
        }
        EXPECT_EQ(inked[0], inked[1]) << p.name;
        std::vector<int> doubled;
        for (const int row : rows[0])
            doubled.insert(doubled.end(), {2 * row, 2 * row + 1});
        EXPECT_EQ(rows[1], doubled) << p.name;
    }

    auto plot = MakePlot(2.0);
    plot->Show();
    plot->DrawOnPicture([](QPainter& painter) {
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawLine(100, 20, 100, 190);
    });
    const QImage& picture = plot->Picture();
    int inked = 0;
    for (int y = 42; y < 378; ++y) { // inside the plot rectangle's outline
        EXPECT_NE(picture.pixel(199, y), black) << y;
        EXPECT_NE(picture.pixel(202, y), black) << y;
        EXPECT_EQ(picture.pixel(200, y), picture.pixel(201, y)) << y;
        inked += picture.pixel(200, y) == black;
    }
    EXPECT_GT(inked, 100) << "dashes on device columns 200 and 201";
}

// Text as the painter draws it on an image of the device pixels: its box over the blocks of the
// logical box, the glyphs rendered for the device pixels (not enlarged from ratio 1). Kept boxes
// (quarter turns at a whole ratio) and texts drawn afresh (other ratios) alike.
TEST(TPlotAtRatio2, TextIsDrawnAtTheDeviceResolution) {
    const std::string text = "Kelvane 1420";
    QFont font = QGuiApplication::font();
    font.setBold(true);
    font.setPointSize(10);
    const struct {
        double ratio, angle;
        QPoint at;
    } cases[] = {{2.0, 0.0, {60, 80}}, {2.0, 90.0, {150, 170}}, {1.5, 0.0, {61, 81}}};
    for (const auto& c : cases) {
        auto plot = MakePlot(c.ratio);
        const int width = plot->TextWidth(text), height = plot->TextHeight(text);
        QImage expected = plot->Bitmap().copy();
        expected.setDevicePixelRatio(c.ratio);
        {
            QPainter painter(&expected);
            painter.setRenderHint(QPainter::TextAntialiasing, true);
            painter.setFont(font);
            painter.translate(c.at);
            painter.rotate(-c.angle);
            painter.fillRect(QRect(0, 0, width, height), Qt::white);
            painter.setPen(Qt::black);
            painter.drawText(0, QFontMetrics(font, &expected).ascent(), text.c_str());
        }
        for (int round = 0; round < 2; ++round) { // drawn, then from the kept box
            plot->Clear();
            plot->TextOutAngle(text, c.at.x(), c.at.y(), c.angle);
            EXPECT_TRUE(SamePixels(plot->Bitmap(), expected))
                << c.ratio << ", " << c.angle << ", round " << round;
        }
    }

    // Fine detail: aligned 2 x 2 blocks of the glyphs whose pixels differ, which a text drawn at
    // ratio 1 and enlarged never has.
    auto plot = MakePlot(2.0);
    plot->TextOutAngle(text, 60, 80, 0.0);
    const QImage& bitmap = plot->Bitmap();
    int detailed = 0;
    for (int y = 160; y < 160 + 2 * plot->TextHeight(text); y += 2)
        for (int x = 120; x < 120 + 2 * plot->TextWidth(text); x += 2) {
            const QRgb p = bitmap.pixel(x, y);
            detailed += bitmap.pixel(x + 1, y) != p || bitmap.pixel(x, y + 1) != p ||
                        bitmap.pixel(x + 1, y + 1) != p;
        }
    EXPECT_GT(detailed, 20);
}

// The saved image, the picture and Clear work on the device pixels: patches kept for the saved
// image are whole blocks, and a Clear leaves nothing of what was drawn.
TEST(TPlotAtRatio2, SaveRestoreShowAndClear) {
    const QImage cleared = MakePlot(2.0)->Bitmap().copy();
    auto plot = MakePlot(2.0);
    plot->MoveTo(30, 30);
    plot->LineTo(250, 170);
    plot->SaveImage();
    const QImage saved = plot->Bitmap().copy();
    plot->TextOutAngle("Title", 120, 2, 0.0);
    plot->Show();
    const QImage shown = plot->Picture().copy();
    EXPECT_FALSE(SamePixels(shown, saved));
    for (int round = 0; round < 2; ++round) {
        plot->RestoreImage();
        EXPECT_TRUE(SamePixels(plot->Bitmap(), saved)) << "round " << round;
        plot->Pen.setColor(Qt::green);
        for (int y = 12; y < 188; y += 2) {
            plot->MoveTo(22, y);
            plot->LineTo(278, y + 1);
        }
        plot->Pen.setWidth(3);
        plot->MoveTo(25, 25);
        plot->LineTo(270, 180);
        plot->Pen.setWidth(1);
        plot->TextOutAngle("over", 100, 100, 90.0);
        plot->TextOutAngle("tilted", 150, 150, 33.3);
        EXPECT_FALSE(SamePixels(plot->Bitmap(), saved));
    }
    plot->RestoreImage();
    EXPECT_TRUE(SamePixels(plot->Bitmap(), saved));
    EXPECT_TRUE(SamePixels(plot->Picture(), shown)) << "the picture stays until the next Show";
    plot->Show();
    plot->Clear();
    EXPECT_TRUE(SamePixels(plot->Bitmap(), cleared));
    EXPECT_EQ(plot->Bitmap().devicePixelRatio(), 2.0);
}

// A new ratio keeps what the images held, enlarged or reduced pixel for pixel, and asks the
// owner to draw afresh; the same ratio again changes nothing.
TEST(TPlotRatioChange, ImagesFollowAndTheOwnerIsAsked) {
    auto plot = MakePlot(1.0);
    int asked = 0;
    plot->OnDevicePixelRatioChange = [&] { ++asked; };
    plot->Pen.setColor(QColor(blue));
    plot->MoveTo(30, 30);
    plot->LineTo(250, 170);
    plot->SaveImage();
    const QImage saved = plot->Bitmap().copy();
    plot->TextOutAngle("Title", 120, 2, 0.0);
    plot->Show();
    const QImage shown = plot->Picture().copy();
    plot->DrawOnPicture([](QPainter& painter) { painter.fillRect(10, 10, 5, 5, Qt::red); });
    const QImage marked = plot->Picture().copy();

    plot->SetDevicePixelRatio(2.0);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(plot->DevicePixelRatio(), 2.0);
    EXPECT_TRUE(SamePixels(plot->Bitmap(), Enlarged(shown, 2.0)));
    EXPECT_TRUE(SamePixels(plot->Picture(), Enlarged(marked, 2.0)));
    EXPECT_EQ(plot->Picture().devicePixelRatio(), 2.0);
    plot->SetDevicePixelRatio(2.0);
    EXPECT_EQ(asked, 1) << "the same ratio again";
    plot->RestoreImage();
    EXPECT_TRUE(SamePixels(plot->Bitmap(), Enlarged(saved, 2.0)));

    plot->SetDevicePixelRatio(1.0);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(SamePixels(plot->Bitmap(), saved)) << "blocks reduced to their pixels";
    EXPECT_TRUE(SamePixels(plot->Picture(), marked));

    // Drawing goes on at the new ratio as on a new plot.
    plot->SetDevicePixelRatio(3.0);
    plot->Clear();
    EXPECT_TRUE(SamePixels(plot->Bitmap(), MakePlot(3.0)->Bitmap()));

    for (const double nonsense : {0.0, -2.0, std::nan(""), HUGE_VAL}) {
        plot->SetDevicePixelRatio(nonsense);
        EXPECT_EQ(plot->DevicePixelRatio(), 1.0) << nonsense;
        EXPECT_EQ(plot->Bitmap().size(), QSize(300, 200)) << nonsense;
        plot->SetDevicePixelRatio(2.0);
    }
}

// At a ratio that is not a whole number the blocks differ in size; lines and fills still share
// them: a line along an edge of the plot rectangle covers that edge's device pixels exactly,
// and a Clear paints every device pixel.
TEST(TPlotAtFractionalRatio, LinesAndFillsShareTheirDevicePixels) {
    for (const double ratio : {1.25, 1.5, 1.75}) {
        auto plot = MakePlot(ratio);
        const QImage cleared = plot->Bitmap().copy();
        EXPECT_TRUE(SamePixels(cleared, Enlarged(MakePlot(1.0)->Bitmap(), ratio))) << ratio;

        plot->Pen.setColor(QColor(blue));
        plot->MoveTo(20, 10);
        plot->LineTo(279, 10); // the top edge's columns
        plot->MoveTo(279, 189);
        plot->LineTo(279, 10); // the right edge's rows
        const QImage& bitmap = plot->Bitmap();
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x) {
                const bool onTop = y >= DeviceEdge(10, ratio) && y < DeviceEdge(11, ratio) &&
                                   x >= DeviceEdge(20, ratio) && x < DeviceEdge(280, ratio);
                const bool onRight = x >= DeviceEdge(279, ratio) && x < DeviceEdge(280, ratio) &&
                                     y >= DeviceEdge(10, ratio) && y < DeviceEdge(190, ratio);
                const QRgb expected = onTop || onRight ? blue : cleared.pixel(x, y);
                if (bitmap.pixel(x, y) != expected) {
                    ADD_FAILURE() << "ratio " << ratio << " at " << x << ", " << y;
                    return;
                }
            }
    }
}

} // namespace
