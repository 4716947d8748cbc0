#include "settings/Formsettings.h"
#include "settings/Globalunit.h"
#include "settings/Storeunit.h"

#include "support/ChildRun.h"
#include "support/TestSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <cstdio>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace {

const std::string StoredValues = "[Position]\nHeight=1234\n[Form]\nLeft=321\n";

// What is at path now: S_IFREG, S_IFIFO, ... (a link not followed), 0 when nothing is.
int KindAt(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0
               ? static_cast<int>(status.st_mode & S_IFMT)
               : 0;
}

void Remove(const QString& path) {
    if (KindAt(path) == S_IFDIR)
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

void WriteFile(const QString& path, const std::string& bytes) {
    std::ofstream(QFile::encodeName(path).toStdString(), std::ios::binary) << bytes;
}

} // namespace

// Each kind of file in place of both settings files, the station's and the window's. They are
// read, and the window's written, in a child: a reader that blocks on the FIFO fails the test
// instead of hanging it.
TEST(SettingsFiles, OnlyRegularFilesOfBoundedSizeAreRead) {
    const QString folder = TestSettingsFolder() + "/Fernhollow";
    ASSERT_TRUE(QDir().mkpath(folder));
    // The file is the one QSettings itself uses for the store.
    EXPECT_EQ(SettingsFilePath("Tovrel"), QSettings("Fernhollow", "Tovrel").fileName());
    EXPECT_EQ(SettingsFilePath("Kelvane"), QSettings("Fernhollow", "Kelvane").fileName());
    const struct {
        const char* name;
        std::function<void(const QString&)> make;
        bool read;
    } cases[] = {
        {"a regular file", [](const QString& path) { WriteFile(path, StoredValues); }, true},
        {"a link to a regular file",
         [](const QString& path) {
             WriteFile(path + ".target", StoredValues);
             QFile::link(path + ".target", path);
         },
         true},
        {"a FIFO", [](const QString& path) { ::mkfifo(QFile::encodeName(path).constData(), 0600); },
         false},
        {"a folder", [](const QString& path) { QDir().mkpath(path); }, false},
        {"a file over the bound",
         [](const QString& path) {
             WriteFile(path, StoredValues +
                                 "[Padding]\nText=" + std::string(MaxSettingsFileSize, 'x') + "\n");
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* application : {"Tovrel", "Kelvane"}) {
            const QString path = folder + "/" + application + ".conf";
            Remove(path);
            Remove(path + ".target");
            c.make(path);
        }
        const QString form = folder + "/Kelvane.conf";
        const int kind = KindAt(form);
        const auto values = RunInChild(
            [] {
                const std::string read = std::to_string(TStationSettings::Read().Height) + " " +
                                         std::to_string(TFormSettings::Read().Left);
                TFormSettings().Write();
                return read;
            },
            std::chrono::seconds(10));
        EXPECT_EQ(values.value_or("hung or failed"), c.read ? "1234 321" : "200 100");
        EXPECT_EQ(KindAt(form), kind) << "the window's settings file was replaced";
    }
    for (const char* application : {"Tovrel", "Kelvane"}) {
        Remove(folder + "/" + application + ".conf");
        Remove(folder + "/" + application + ".conf.target");
    }
    ClearTestSettings();
}
