// Test main shared by every test executable.
//
// The per-user settings store is pointed at a temporary folder before any test runs, so that no
// test reads or writes the real user's settings. Widget tests (KELVANE_GUI_TEST_MAIN) get a
// QApplication on the offscreen platform unless the environment already chose one.

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

#ifdef KELVANE_GUI_TEST_MAIN
#include <QApplication>
#endif

#include "support/TestSettings.h"

namespace {
QString SettingsFolder;
}

QString TestSettingsFolder() {
    return SettingsFolder;
}

void ClearTestSettings() {
    for (const char* application : {"Kelvane", "Tovrel"}) {
        QSettings store("Fernhollow", application);
        store.clear();
        store.sync();
    }
}

int main(int argc, char** argv) {
    QTemporaryDir folder;
    if (!folder.isValid())
        return 2;
    SettingsFolder = folder.path();
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());

#ifdef KELVANE_GUI_TEST_MAIN
    // The offscreen desktop CTest gives the window tests (tests/support/Desktop.json), also
    // when a test program is run by hand.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM",
                "offscreen:configfile=" KELVANE_SOURCE_DIR "/tests/support/Desktop.json");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    QCoreApplication::setOrganizationName("Fernhollow");
    QCoreApplication::setApplicationName("Kelvane");

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
