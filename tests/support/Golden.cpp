#include "support/Golden.h"

#include <QDir>
#include <QRect>

namespace {

bool UpdateRequested() {
    return qEnvironmentVariableIntValue("KELVANE_UPDATE_GOLDEN") == 1;
}

// Where the images of a failed comparison are kept for a look.
QString FailureFolder() {
    const QString folder = QDir::temp().filePath("kelvane-golden-failures");
    QDir().mkpath(folder);
    return folder;
}

} // namespace

QString GoldenFolder() {
    return QStringLiteral(KELVANE_SOURCE_DIR "/tests/golden");
}

::testing::AssertionResult MatchesGolden(const QImage& image, const QString& name) {
    const QString path = QDir(GoldenFolder()).filePath(name + ".png");
    const QImage drawn = image.convertToFormat(QImage::Format_RGB32);
    if (UpdateRequested()) {
        if (!drawn.save(path, "PNG"))
            return ::testing::AssertionFailure() << "cannot write " << path.toStdString();
        return ::testing::AssertionSuccess();
    }
    const QImage golden = QImage(path).convertToFormat(QImage::Format_RGB32);
    if (golden.isNull())
        return ::testing::AssertionFailure() << "no golden image " << path.toStdString()
                                             << " (KELVANE_UPDATE_GOLDEN=1 writes it)";
    if (golden.size() != drawn.size())
        return ::testing::AssertionFailure()
               << name.toStdString() << ": drawn " << drawn.width() << " x " << drawn.height()
               << ", golden " << golden.width() << " x " << golden.height();

    QImage difference(drawn.size(), QImage::Format_RGB32);
    difference.fill(Qt::white);
    long count = 0;
    QRect box;
    for (int y = 0; y < drawn.height(); ++y) {
        const QRgb* a = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(golden.constScanLine(y));
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
    const QDir failures(FailureFolder());
    drawn.save(failures.filePath(name + ".png"), "PNG");
    difference.save(failures.filePath(name + "-difference.png"), "PNG");
    return ::testing::AssertionFailure()
           << name.toStdString() << ": " << count << " pixels differ within (" << box.left() << ", "
           << box.top() << ") - (" << box.right() << ", " << box.bottom()
           << "); drawn image and difference map in " << failures.path().toStdString();
}
