#include "plot/Rasterunit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

bool Between(std::int64_t value, std::int64_t a, std::int64_t b) {
    return std::min(a, b) <= value && value <= std::max(a, b);
}

} // namespace

bool ClipToPlotRect(int x0, int y0, int x1, int y1, const TRect& r, QPoint& from, QPoint& to) {
    const bool startIn = x0 >= r.Left && x0 <= r.Right && y0 >= r.Top && y0 <= r.Bottom;
    const bool endIn = x1 >= r.Left && x1 <= r.Right && y1 >= r.Top && y1 <= r.Bottom;
    if (startIn && endIn) {
        from = QPoint(x0, y0);
        to = QPoint(x1, y1);
        return true;
    }
    const std::vector<QPoint> crossings = EdgeCrossings(x0, y0, x1, y1, r);
    // The first crossing other than the given point. A corner is found on two edges and a start
    // on an edge is a crossing of its own; taking such a point twice would draw a single pixel
    // in place of the part of the line that lies inside.
    auto firstOtherThan = [&crossings](const QPoint& point) {
        for (const QPoint& crossing : crossings)
            if (crossing != point)
                return crossing;
        return point;
    };
    if (startIn && !crossings.empty()) {
        from = QPoint(x0, y0);
        to = firstOtherThan(from);
    } else if (endIn && !crossings.empty()) {
        from = crossings[0];
        to = QPoint(x1, y1);
    } else if (crossings.size() >= 2) {
        from = crossings[0];
        to = firstOtherThan(from);
    } else {
        return false;
    }
    return true;
}

std::vector<QPoint> EdgeCrossings(int x0, int y0, int x1, int y1, const TRect& r) {
    std::vector<QPoint> crossings;
    // c = x1 y0 - y1 x0 is exact in 64 bits for any 32-bit coordinates (each product is at most
    // 2^62 in magnitude and the two cannot reach 2^62 with opposite signs at once).
    const double c = static_cast<double>(static_cast<std::int64_t>(x1) * y0 -
                                         static_cast<std::int64_t>(y1) * x0);
    const std::int64_t dx = static_cast<std::int64_t>(x1) - x0;
    const std::int64_t e = static_cast<std::int64_t>(y0) - y1;

    if (dx != 0) {
        for (const int edge : {r.Left, r.Right}) {
            if (!Between(edge, x0, x1))
                continue;
            const double y =
                (c - static_cast<double>(edge) * static_cast<double>(e)) / static_cast<double>(dx);
            if (r.Top <= y && y <= r.Bottom)
                crossings.emplace_back(edge, static_cast<int>(y));
        }
    }
    if (e != 0) {
        for (const int edge : {r.Top, r.Bottom}) {
            if (!Between(edge, y0, y1))
                continue;
            const double x =
                (c - static_cast<double>(edge) * static_cast<double>(dx)) / static_cast<double>(e);
            if (r.Left <= x && x <= r.Right)
                crossings.emplace_back(static_cast<int>(x), edge);
        }
    }
    return crossings;
}

namespace {

// x / y as a 16.16 fixed-point number, truncated towards zero; x and y in 26.6.
int FixedDiv16(int x, int y) {
    if (std::abs(x) > 0x7fff)
        return static_cast<int>(static_cast<std::int64_t>(x) * 65536 / y);
    return x * 65536 / y;
}

// The pixels of the engine's aliased one-pixel line from line.p1() to line.p2(), both ends
// included (see DrawSolidLine): pixel(x, y) for each pixel of a slanted line; row(y, x, end) for
// the columns x .. end - 1 of a horizontal one, column(x, y, end) for the rows of a vertical one.
// A line of one point gives nothing.
template <typename Pixel, typename Row, typename Column>
void StepSolidLine(const QLine& line, Pixel pixel, Row row, Column column) {
    int x1 = line.x1() * 64, y1 = line.y1() * 64, x2 = line.x2() * 64, y2 = line.y2() * 64;
    if (std::abs(x2 - x1) < std::abs(y2 - y1)) {
        // Steep: one pixel per row, from the top.
        if (y1 > y2) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        const int step = FixedDiv16(x2 - x1, y2 - y1);
        int x = x1 * 1024 - (step >> 1);
        y1 -= 32;
        y2 += 32;
        int y = (y1 + 32) >> 6;
        const int end = (y2 + 32) >> 6;
        x += ((y * 64) + (step > 0 ? 32 : 0) - y1) * step >> 6;
        if (step == 0) {
            column(x >> 16, y, end);
            return;
        }
        for (; y < end; ++y, x += step)
            pixel(x >> 16, y);
    } else {
        // Shallow: one pixel per column, from the left.
        if (x1 > x2) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        if (x1 == x2)
            return;
        const int step = FixedDiv16(y2 - y1, x2 - x1);
        int y = y1 * 1024 - (step >> 1);
        x1 -= 32;
        x2 += 32;
        int x = (x1 + 32) >> 6;
        const int end = (x2 + 32) >> 6;
        y += ((x * 64) + (step > 0 ? 32 : 0) - x1) * step >> 6;
        if (step == 0) {
            row(y >> 16, x, end);
            return;
        }
        for (; x < end; ++x, y += step)
            pixel(x, y >> 16);
    }
}

} // namespace

void DrawSolidLine(QRgb* pixels, qsizetype stride, const QLine& line, QRgb color) {
    StepSolidLine(
        line, [=](int x, int y) { pixels[y * stride + x] = color; },
        [=](int y, int from, int end) {
            std::fill(pixels + y * stride + from, pixels + y * stride + end, color);
        },
        [=](int x, int from, int end) {
            for (QRgb* pixel = pixels + from * stride + x; from < end; ++from, pixel += stride)
                *pixel = color;
        });
}

std::vector<int> DeviceEdges(int count, double ratio) {
    std::vector<int> edges(static_cast<std::size_t>(std::max(count, 0)) + 1);
    for (std::size_t i = 0; i < edges.size(); ++i)
        edges[i] = static_cast<int>(std::floor(static_cast<double>(i) * ratio + 0.5));
    return edges;
}

void DrawSolidLineBlocks(QRgb* pixels, qsizetype stride, const QLine& line, QRgb color,
                         const std::vector<int>& edgesX, const std::vector<int>& edgesY) {
    const int width = static_cast<int>(edgesX.size()) - 1;
    const int height = static_cast<int>(edgesY.size()) - 1;
    // The logical columns x .. xEnd - 1 of the rows y .. yEnd - 1, as far as they lie in the
    // image.
    auto fill = [&](int x, int xEnd, int y, int yEnd) {
        x = std::max(x, 0);
        xEnd = std::min(xEnd, width);
        y = std::max(y, 0);
        yEnd = std::min(yEnd, height);
        if (x >= xEnd || y >= yEnd)
            return;
        const int left = edgesX[static_cast<std::size_t>(x)];
        const int right = edgesX[static_cast<std::size_t>(xEnd)];
        for (int row = edgesY[static_cast<std::size_t>(y)];
             row < edgesY[static_cast<std::size_t>(yEnd)]; ++row)
            std::fill(pixels + row * stride + left, pixels + row * stride + right, color);
    };
    if (line.p1() == line.p2()) {
        fill(line.x1(), line.x1() + 1, line.y1(), line.y1() + 1);
        return;
    }
    StepSolidLine(
        line, [&](int x, int y) { fill(x, x + 1, y, y + 1); },
        [&](int y, int from, int end) { fill(from, end, y, y + 1); },
        [&](int x, int from, int end) { fill(x, x + 1, from, end); });
}
