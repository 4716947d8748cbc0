// Help > Manual, Help > About and the version in the window's caption.
#include "app/Unit1.h"

#include "about/Aboutunit.h"
#include "about/Manualunit.h"
#include "app/Dialogsunit.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QUrl>

void TForm1::miAboutClick() {
    AboutBox->ShowModeless();
}

void TForm1::SetCaption() {
    if (!AboutBox)
        AboutBox = CreateAboutBox(this);
    setWindowTitle(QString(ApplicationTitle) + " Version " + AboutBox->ProductVersion());
    setWindowIcon(ApplicationIcon());
}

void TForm1::miManualClick() {
    QString error;
    const QString page =
        WriteManual(ManualCandidates(QCoreApplication::applicationDirPath()),
                    QStandardPaths::writableLocation(QStandardPaths::CacheLocation), error);
    if (page.isEmpty()) {
        Dialogs->ShowMessage(this, ApplicationTitle, error);
        return;
    }
    if (!Dialogs->OpenUrl(QUrl::fromLocalFile(page)))
        Dialogs->ShowMessage(this, ApplicationTitle,
                             "No viewer could open the manual; it is at " + page);
}
