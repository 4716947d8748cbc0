#include "app/Terminationunit.h"
#include "app/Unit1.h"
#include "settings/Globalunit.h"
#include "settings/Storeunit.h"

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Number texts and file formats use '.' whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(ApplicationTitle);
    QApplication::setOrganizationName(SettingsOrganization);
    // The station's shared settings are read once, before any window needs them.
    StationSettings();
    TForm1 form;
    form.show();
    // Logout, `kill` and Ctrl+C close the windows as File > Exit does, so the window's
    // settings are stored, and the program ends with status 0. Caught only from here on: a
    // signal that arrives earlier ends a program that has nothing to store yet.
    TTerminationSignals termination;
    QObject::connect(&termination, &TTerminationSignals::Received, &app, [] {
        QApplication::closeAllWindows();
        QApplication::quit();
    });
    return app.exec();
}
