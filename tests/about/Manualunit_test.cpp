// The manual page made from the README: found where it is installed or beside a build folder,
// written whole or not at all.
#include "about/Manualunit.h"

#include "support/ChildRun.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/resource.h>

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
    // The users' sections only: not the commands on top, nor installing and testing.
    Write(prefix.filePath("share/doc/kelvane/README.md"),
          "# Installed\n\nscripts/run\n\n## Use\n\n![curve](docs/rotation-curve.png)\n\n"
          "## Installing\n\nsudo apt\n\n### From the build\n\ncmake\n\n## Settings\n\nkept\n\n"
          "## Tests and benchmarks\n\nctest\n");
    const QString page = WriteManual(candidates, prefix.filePath("cache"), error);
    QFile html(page);
    ASSERT_TRUE(html.open(QIODevice::ReadOnly)) << error.toStdString();
    const QString text = QString::fromUtf8(html.readAll());
    EXPECT_TRUE(text.contains("Installed") && !text.contains("Build tree"));
    for (const char* shown : {"Use", "rotation-curve.png", "kept"})
        EXPECT_TRUE(text.contains(shown)) << shown;
    for (const char* left : {"scripts/run", "sudo apt", "cmake", "ctest"})
        EXPECT_FALSE(text.contains(left)) << left;
    // The picture is found beside the installed README.
    EXPECT_TRUE(text.contains(
        "<base href=\"" + QUrl::fromLocalFile(prefix.filePath("share/doc/kelvane/")).toString()))
        << text.toStdString();
}

TEST(Manual, ALinkAtThePagesNameIsReplacedNotWrittenThrough) {
    QTemporaryDir home;
    Write(home.filePath("README.md"), "# Kelvane\n\n## Use\n");
    Write(home.filePath(".bashrc"), "alias ll='ls -l'\n");
    const QString cache = home.filePath("cache");
    QDir().mkpath(cache);
    QFile::setPermissions(cache, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                     QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                     QFileDevice::WriteOther | QFileDevice::ExeOther);
    ASSERT_TRUE(QFile::link(home.filePath(".bashrc"), cache + "/kelvane-manual.html"));
    QString error;
    const QString page = WriteManual({home.filePath("README.md")}, cache, error);
    ASSERT_FALSE(page.isEmpty()) << error.toStdString();
    QFile bashrc(home.filePath(".bashrc"));
    ASSERT_TRUE(bashrc.open(QIODevice::ReadOnly));
    EXPECT_EQ(bashrc.readAll(), "alias ll='ls -l'\n");
    EXPECT_FALSE(QFileInfo(page).isSymLink());
    EXPECT_EQ(QFile::permissions(cache) & 0x7077, // owner: 0x7000; group: 0x0070; others: 0x0007
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(QDir(cache).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 1)
        << "no temporary left";
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

TEST(Manual, AFileSizeLimitLeavesNoPage) {
    QTemporaryDir source, cache;
    Write(source.filePath("README.md"), "# Kelvane\n\n## Use\n\n" + QByteArray(200000, 'x'));
    const std::optional<std::string> error = RunInChild(
        [&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            QString reason;
            const QString page = WriteManual({source.filePath("README.md")}, cache.path(), reason);
            return page.isEmpty() ? reason.toStdString() : std::string("written");
        },
        std::chrono::seconds(20));
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("File too large"), std::string::npos) << *error;
    EXPECT_TRUE(QDir(cache.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

} // namespace
