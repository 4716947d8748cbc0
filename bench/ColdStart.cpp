// Window cold start: a new process that starts as kelvane starts (the application, the main
// window, shown) and ends when the window has painted itself for the first time. Timed as a
// whole process from outside, over several runs:
//
//   /usr/bin/time -f %e build/kelvane_coldstart     (offscreen unless QT_QPA_PLATFORM is set)
//
// The aim is 60 ms of wall time. The user's settings are kept out of it (a temporary folder).
#include "app/Unit1.h"
#include "settings/Storeunit.h"

#include <QApplication>
#include <QEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <clocale>

namespace {

// Ends the event loop once the watched window has been painted.
class TFirstPaint : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !Seen) {
            Seen = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    bool Seen = false;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(ApplicationTitle);
    QApplication::setOrganizationName(SettingsOrganization);
    QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    TForm1 form;
    TFirstPaint painted;
    form.installEventFilter(&painted);
    form.show();
    return app.exec();
}
