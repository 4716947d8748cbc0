#include "about/Versionunit.h"
#include "app/Commandlineunit.h"
#include "app/Terminationunit.h"
#include "app/Unit1.h"
#include "settings/Storeunit.h"

#include <QApplication>
#include <QTimer>
#include <clocale>
#include <csignal>

// kelvane [FILE]: FILE is read as the Read command would read it; kelvane --help, --version.
int main(int argc, char** argv) {
    // A file-size limit (ulimit -f) fails a save with "File too large" instead of killing the
    // program with its work unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
    if (const std::optional<int> status = AnswerInformationOptions(argc, argv))
        return *status;
    QApplication app(argc, argv);
    // Number texts and file formats use '.' whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(ApplicationTitle);
    QApplication::setOrganizationName(SettingsOrganization);
    QGuiApplication::setDesktopFileName(KelvaneVersion::AppId);
    TForm1 form;
    form.show();
    // The file's name is taken as the bytes it was given as: decoded into text, a name that is
    // not valid UTF-8 would name another (missing) file. QApplication has removed its own
    // options from argv by now.
    if (argc > 1) {
        const QByteArray file(argv[1]);
        QTimer::singleShot(0, &form, [&form, file] {
            form.RunCommand([&form, file] { form.ReadAndShow(file); });
        });
    }
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
