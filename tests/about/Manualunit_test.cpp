// The manual page made from the README: found where it is installed or beside a build folder,
// written whole or not at all.
#include "about/Manualunit.h"

#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(Manual, TheFirstReadmeFoundBecomesThePage) {
    QTemporaryDir prefix;
    const QString bin = prefix.filePath("bin");
    const QStringList candidates = ManualCandidates(bin);
    QString error;
    EXPECT_TRUE(WriteManual(candidates, prefix.filePath("cache"), error).isEmpty());
    EXPECT_TRUE(error.startsWith("No manual found")) << error.toStdString();
    Write(prefix.filePath("README.md"), "# Build tree\n");
    Write(prefix.filePath("share/doc/kelvane/README.md"),
          "# Installed\n\n![curve](docs/rotation-curve.png)\n");
    const QString page = WriteManual(candidates, prefix.filePath("cache"), error);
    QFile html(page);
    ASSERT_TRUE(html.open(QIODevice::ReadOnly)) << error.toStdString();
    const QString text = QString::fromUtf8(html.readAll());
    EXPECT_TRUE(text.contains("Installed") && !text.contains("Build tree"));
    // The picture is found beside the installed README.
    EXPECT_TRUE(text.contains(
        "<base href=\"" + QUrl::fromLocalFile(prefix.filePath("share/doc/kelvane/")).toString()))
        << text.toStdString();
}

TEST(Manual, AFullDiskLeavesNoPage) {
    QTemporaryDir source, cache;
    Write(source.filePath("README.md"), QByteArray(200000, 'x'));
    const TSmallDisk disk(cache.path());
    if (!disk.Mounted)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.Reason;
    QString error;
    EXPECT_TRUE(WriteManual({source.filePath("README.md")}, cache.path(), error).isEmpty());
    EXPECT_TRUE(error.contains("Unable to write")) << error.toStdString();
    EXPECT_FALSE(QFile::exists(cache.filePath("kelvane-manual.html")));
}

} // namespace
