// Pictures at a device pixel ratio, for tests of drawing on high-density screens.
#pragma once

#include "support/PixelCompare.h"

#include <QImage>
#include <cmath>

// Where logical pixel i starts in device pixels at a ratio: the first device pixel whose centre
// lies beyond i ratio (a centre exactly on the edge belongs to the pixel before), the rule of
// the painter's own fills.
inline int DeviceEdge(int i, double ratio) {
    return static_cast<int>(std::floor(i * ratio + 0.5));
}

// A logical image at a ratio: each pixel repeated over its block of device pixels.
inline QImage Enlarged(const QImage& logical, double ratio) {
    QImage device(DeviceEdge(logical.width(), ratio), DeviceEdge(logical.height(), ratio),
                  QImage::Format_RGB32);
    for (int y = 0; y < logical.height(); ++y)
        for (int x = 0; x < logical.width(); ++x)
            for (int dy = DeviceEdge(y, ratio); dy < DeviceEdge(y + 1, ratio); ++dy)
                for (int dx = DeviceEdge(x, ratio); dx < DeviceEdge(x + 1, ratio); ++dx)
                    device.setPixel(dx, dy, logical.pixel(x, y));
    return device;
}

// Whether two images have the same size and colours, whatever device pixel ratio they carry; a
// failure tells how many pixels differ, where, and where their difference map was written.
inline ::testing::AssertionResult SamePixels(const QImage& a, const QImage& b) {
    return SameColours(a, b, QStringLiteral("same-pixels"));
}
