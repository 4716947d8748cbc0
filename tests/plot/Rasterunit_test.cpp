// The line rasterisers and the clipping against independent references: the raster engine's
// own aliased lines, the one-pixel writer enlarged block by block, the painter's own fills,
// and crossings worked by hand.
#include "plot/Rasterunit.h"
#include "support/DevicePixels.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

const TRect Area(20, 10, 280, 190);
const QRgb white = qRgb(255, 255, 255), blue = qRgb(0, 0, 255);

TEST(EdgeCrossings, OrderRangeAndTruncation) {
    const TRect square(-50, -50, 50, 50);
    const struct {
        const char* name;
        QPoint from, to;
        TRect rect;
        std::vector<QPoint> expected;
    } cases[] = {
        {"inside", {50, 50}, {100, 120}, Area, {}},
        {"inside to right", {100, 50}, {300, 50}, Area, {{280, 50}}},
        {"left to inside", {0, 60}, {100, 60}, Area, {{20, 60}}},
        {"horizontal through", {300, 70}, {0, 70}, Area, {{20, 70}, {280, 70}}},
        {"vertical through", {150, 200}, {150, 0}, Area, {{150, 10}, {150, 190}}},
        {"vertical beside", {10, 0}, {10, 200}, Area, {}},
        {"diagonal through", {0, 0}, {200, 200}, Area, {{20, 20}, {190, 190}}},
        // The lines of the left and top edges are crossed beyond the corners.
        {"past top-left corner", {0, 0}, {40, 4}, Area, {}},
        {"past top-right corner", {290, 0}, {300, 20}, Area, {}},
        // Right edge met at y = 123.9, top edge at x = 123.9.
        {"truncated y", {271, 96}, {281, 127}, Area, {{280, 123}}},
        {"truncated x", {96, 19}, {127, 9}, Area, {{123, 10}}},
        // Towards zero, not down: -3.9 gives -3.
        {"truncated negative", {-59, -3}, {-49, -4}, square, {{-50, -3}}},
        // The products x1 y0 and y1 x0 exceed 32 bits.
        {"far ends",
         {-2000000000, -2000000000},
         {2000000000, 2000000000},
         Area,
         {{20, 20}, {190, 190}}},
        // Through a corner: found on the left edge and again on the top edge.
        {"through corner", {0, -10}, {200, 190}, Area, {{20, 10}, {20, 10}, {200, 190}}},
        {"along top edge", {20, 10}, {280, 10}, Area, {{20, 10}, {280, 10}}},
    };
    for (const auto& c : cases) {
        const std::vector<QPoint> crossings =
            EdgeCrossings(c.from.x(), c.from.y(), c.to.x(), c.to.y(), c.rect);
        EXPECT_EQ(crossings, c.expected) << c.name;
    }
}

// The straight pixel writer against the raster engine's own aliased line, pen width 1, square
// caps: named cases for every octant and the axes, then seeded random segments, short ones in
// a small image (where rounding ties are frequent) and long ones across a large one.
TEST(DrawSolidLine, SetsThePixelsOfTheEngineLine) {
    auto compare = [&](QImage& engine, QImage& direct, const QLine& line) {
        engine.fill(white);
        direct.fill(white);
        {
            QPainter painter(&engine);
            painter.setPen(QPen(QColor(blue), 1));
            painter.drawLine(line);
        }
        DrawSolidLine(reinterpret_cast<QRgb*>(direct.bits()),
                      direct.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb)), line, blue);
        return engine == direct;
    };
    QImage engine(41, 41, QImage::Format_RGB32), direct = engine;
    const struct {
        const char* name;
        QLine line;
    } cases[] = {
        {"right", {2, 20, 38, 20}},
        {"left", {38, 20, 2, 20}},
        {"down", {20, 2, 20, 38}},
        {"up", {20, 38, 20, 2}},
        {"diagonal down", {1, 1, 39, 39}},
        {"diagonal up", {1, 39, 39, 1}},
        {"shallow rising", {0, 30, 40, 17}},
        {"shallow falling", {0, 17, 40, 30}},
        {"steep rising", {12, 40, 25, 0}},
        {"steep falling", {25, 40, 12, 0}},
        {"one step", {5, 5, 6, 5}},
        {"knight", {5, 5, 6, 7}},
        {"corner to corner", {0, 0, 40, 40}},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(compare(engine, direct, c.line)) << c.name;

    std::mt19937 random(20240315);
    for (const int size : {13, 41, 601}) {
        QImage big(size, size, QImage::Format_RGB32), bigDirect = big;
        std::uniform_int_distribution<int> coordinate(0, size - 1);
        const int count = size > 100 ? 400 : 4000;
        int mismatches = 0;
        for (int i = 0; i < count; ++i) {
            const QLine line(coordinate(random), coordinate(random), coordinate(random),
                             coordinate(random));
            if (line.p1() == line.p2())
                continue;
            if (!compare(big, bigDirect, line) && ++mismatches <= 5)
                ADD_FAILURE() << "size " << size << ": (" << line.x1() << ", " << line.y1()
                              << ") - (" << line.x2() << ", " << line.y2() << ")";
        }
        EXPECT_EQ(mismatches, 0) << "size " << size;
    }
}

TEST(DeviceEdges, BlocksOfEachRatio) {
    // Worked by hand from floor(i ratio + 1/2).
    const struct {
        int count;
        double ratio;
        std::vector<int> edges;
    } cases[] = {
        {4, 1.0, {0, 1, 2, 3, 4}},
        {4, 2.0, {0, 2, 4, 6, 8}},
        {3, 3.0, {0, 3, 6, 9}},
        {4, 1.5, {0, 2, 3, 5, 6}},
        {4, 1.25, {0, 1, 3, 4, 5}},
        {5, 1.75, {0, 2, 4, 5, 7, 9}},
        {0, 2.0, {0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeviceEdges(c.count, c.ratio), c.edges) << c.count << " at " << c.ratio;
}

// The blocks are those of the painter's own fills of single logical columns, so that what the
// plot fills itself and what the painter fills (text boxes) meet without gaps.
TEST(DeviceEdges, AgreeWithThePaintersFills) {
    for (const double ratio : {1.25, 1.5, 1.75, 2.0, 2.5, 3.0}) {
        const int count = 60;
        const std::vector<int> edges = DeviceEdges(count, ratio);
        QImage image(edges.back(), 1, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            for (int x = 0; x < count; ++x)
                painter.fillRect(QRect(x, 0, 1, 1), QColor(x, 0, 0));
        }
        for (int x = 0; x < count; ++x)
            for (int d = edges[static_cast<std::size_t>(x)];
                 d < edges[static_cast<std::size_t>(x) + 1]; ++d)
                EXPECT_EQ(qRed(image.pixel(d, 0)), x)
                    << "device column " << d << " at ratio " << ratio;
    }
}

// The block writer against the one-pixel writer at ratio 1 (itself checked against the raster
// engine), each logical pixel enlarged to its block: named cases, then seeded random lines whose
// ends may lie outside the image.
TEST(DrawSolidLineBlocks, SetsTheBlocksOfTheLogicalLine) {
    const int width = 41, height = 31, margin = 20;
    auto compare = [&](double ratio, const QLine& line) {
        // Drawn at ratio 1 on a larger image, so that parts outside the image are drawn too,
        // then cut to the image and enlarged.
        QImage wide(width + 2 * margin, height + 2 * margin, QImage::Format_RGB32);
        wide.fill(white);
        const QLine moved = line.translated(margin, margin);
        if (moved.p1() == moved.p2())
            wide.setPixel(moved.p1(), blue); // the engine draws a line of one point as a pixel
        else
            DrawSolidLine(reinterpret_cast<QRgb*>(wide.bits()),
                          wide.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb)), moved, blue);
        const QImage expected = Enlarged(wide.copy(margin, margin, width, height), ratio);

        const std::vector<int> edgesX = DeviceEdges(width, ratio);
        const std::vector<int> edgesY = DeviceEdges(height, ratio);
        QImage device(edgesX.back(), edgesY.back(), QImage::Format_RGB32);
        device.fill(white);
        DrawSolidLineBlocks(reinterpret_cast<QRgb*>(device.bits()),
                            device.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb)), line,
                            blue, edgesX, edgesY);
        return device == expected;
    };
    const struct {
        const char* name;
        QLine line;
    } cases[] = {
        {"right", {2, 20, 38, 20}},           {"up", {20, 28, 20, 2}},
        {"diagonal", {1, 1, 29, 29}},         {"shallow", {0, 30, 40, 17}},
        {"steep", {12, 30, 25, 0}},           {"point", {7, 9, 7, 9}},
        {"corner to corner", {0, 0, 40, 30}}, {"out through the right", {30, 5, 55, 12}},
        {"in from above", {10, -15, 14, 20}}, {"past the image", {-10, -5, 50, -2}},
    };
    for (const double ratio : {2.0, 3.0, 1.5, 1.25})
        for (const auto& c : cases)
            EXPECT_TRUE(compare(ratio, c.line)) << c.name << " at " << ratio;

    std::mt19937 random(20250307);
    std::uniform_int_distribution<int> x(-margin / 2, width - 1 + margin / 2);
    std::uniform_int_distribution<int> y(-margin / 2, height - 1 + margin / 2);
    for (const double ratio : {2.0, 1.5}) {
        int mismatches = 0;
        for (int i = 0; i < 1500; ++i) {
            const QLine line(x(random), y(random), x(random), y(random));
            if (!compare(ratio, line) && ++mismatches <= 5)
                ADD_FAILURE() << "ratio " << ratio << ": (" << line.x1() << ", " << line.y1()
                              << ") - (" << line.x2() << ", " << line.y2() << ")";
        }
        EXPECT_EQ(mismatches, 0) << "ratio " << ratio;
    }
}

} // namespace
