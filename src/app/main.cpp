#include "app/Unit1.h"

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Number texts and file formats use '.' whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(ApplicationTitle);
    QApplication::setOrganizationName("Fernhollow");
    TForm1 form;
    form.show();
    return app.exec();
}
