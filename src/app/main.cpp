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
    return app.exec();
}
