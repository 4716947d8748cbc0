#include "about/Aboutunit.h"
#include "about/Versionunit.h"
#include "app/Unit1.h"
#include "settings/Globalunit.h"
#include "settings/Storeunit.h"

#include <QApplication>
#include <QTimer>
#include <clocale>
#include <memory>

// kelvane [FILE]: FILE is read as the Read command would read it.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Number texts and file formats use '.' whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(ApplicationTitle);
    QApplication::setOrganizationName(SettingsOrganization);
    QGuiApplication::setDesktopFileName(KelvaneVersion::AppId);
    // The station's shared settings are read once, before any window needs them; the about
    // box follows and lives for the whole run.
    StationSettings();
    const std::unique_ptr<TAboutBox> about(CreateAboutBox());
    TForm1 form;
    form.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        const QString file = arguments.at(1);
        QTimer::singleShot(0, &form, [&form, file] {
            form.RunCommand([&form, file] { form.ReadAndShow(file); });
        });
    }
    return app.exec();
}
