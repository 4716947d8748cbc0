// Image comparisons that explain their failures: how many pixels differ, the box around them,
// and where the drawn image and a difference map were written for a look.
#pragma once

#include <QDir>
#include <QImage>
#include <QRect>
#include <QString>
#include <gtest/gtest.h>

// Where the images of a failed comparison are kept.
inline QString PixelFailureFolder() {
    const QString folder = QDir::temp().filePath("kelvane-golden-failures");
    QDir().mkpath(folder);
    return folder;
}

// Whether two images have the same size and colours (alpha and device pixel ratio aside). On a
// difference, name.png (the first image) and name-difference.png (differing pixels in red) go
// to PixelFailureFolder().
inline ::testing::AssertionResult SameColours(const QImage& image, const QImage& expected,
                                              const QString& name) {
    const QImage drawn = image.convertToFormat(QImage::Format_RGB32);
    const QImage wanted = expected.convertToFormat(QImage::Format_RGB32);
    if (wanted.size() != drawn.size())
        return ::testing::AssertionFailure()
               << name.toStdString() << ": drawn " << drawn.width() << " x " << drawn.height()
               << ", expected " << wanted.width() << " x " << wanted.height();
    QImage difference(drawn.size(), QImage::Format_RGB32);
    difference.fill(Qt::white);
    long count = 0;
    QRect box;
    for (int y = 0; y < drawn.height(); ++y) {
        const QRgb* a = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(wanted.constScanLine(y));
        for (int x = 0; x < drawn.width(); ++x) {
            if ((a[x] & 0xFFFFFF) != (b[x] & 0xFFFFFF)) {
                ++count;
                box |= QRect(x, y, 1, 1);
                difference.setPixel(x, y, qRgb(255, 0, 0));
            }
        }
    }
    if (count == 0)
        return ::testing::AssertionSuccess();
    const QDir failures(PixelFailureFolder());
    drawn.save(failures.filePath(name + ".png"), "PNG");
    difference.save(failures.filePath(name + "-difference.png"), "PNG");
    return ::testing::AssertionFailure()
           << name.toStdString() << ": " << count << " pixels differ within (" << box.left() << ", "
           << box.top() << ") - (" << box.right() << ", " << box.bottom()
           << "); drawn image and difference map in " << failures.path().toStdString();
}
