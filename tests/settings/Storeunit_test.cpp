#include "settings/Formsettings.h"
#include "settings/Globalunit.h"
#include "settings/Storeunit.h"

#include "support/ChildRun.h"
#include "support/SmallDisk.h"
#include "support/TestSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
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

std::string ReadFile(const QString& path) {
    std::ifstream file(QFile::encodeName(path).toStdString(), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The window's settings written in a child, so that a change the store could not write does
// not stay in this process's QSettings cache for the tests that follow.
bool WriteFormSettingsInChild(const std::function<void()>& prepare) {
    return RunInChild(
               [&] {
                   prepare();
                   TFormSettings changed;
                   changed.Left = 555;
                   changed.Write();
                   return std::string();
               },
               std::chrono::seconds(10))
        .has_value();
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

// The window's settings on a full disk and under a file-size limit: the old file stays whole.
TEST(SettingsFiles, FullDiskKeepsTheOldWindowSettings) {
    const QString folder = TestSettingsFolder() + "/Fernhollow";
    const QString path = folder + "/Kelvane.conf";
    const std::string old = "[Form]\nHints=0\nLeft=250\nTop=40\n";
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        const TSmallDisk disk(folder);
        if (!disk.Mounted)
            GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.Reason;
        WriteFile(path, old);
        disk.Fill();
        EXPECT_TRUE(WriteFormSettingsInChild([] {}));
        EXPECT_EQ(ReadFile(path), old);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                  (QStringList{"Kelvane.conf", "filler"}));
    }
    WriteFile(path, old);
    EXPECT_TRUE(WriteFormSettingsInChild([] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limited{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }));
    EXPECT_EQ(ReadFile(path), old);
    // With room and no limit the same write goes through.
    EXPECT_TRUE(WriteFormSettingsInChild([] {}));
    EXPECT_NE(ReadFile(path).find("Left=555"), std::string::npos) << ReadFile(path);
    ClearTestSettings();
}
