#include "support/Golden.h"
#include "support/PixelCompare.h"

#include <QDir>
#include <QRect>

namespace {

bool UpdateRequested() {
    return qEnvironmentVariableIntValue("KELVANE_UPDATE_GOLDEN") == 1;
}

} // namespace

QString GoldenFolder() {
    return QStringLiteral(KELVANE_SOURCE_DIR "/tests/golden");
}

::testing::AssertionResult MatchesGolden(const QImage& image, const QString& name) {
    const QString path = QDir(GoldenFolder()).filePath(name + ".png");
    if (UpdateRequested()) {
        if (!image.convertToFormat(QImage::Format_RGB32).save(path, "PNG"))
            return ::testing::AssertionFailure() << "cannot write " << path.toStdString();
        return ::testing::AssertionSuccess();
    }
    const QImage golden(path);
    if (golden.isNull())
        return ::testing::AssertionFailure() << "no golden image " << path.toStdString()
                                             << " (KELVANE_UPDATE_GOLDEN=1 writes it)";
    return SameColours(image, golden, name);
}
