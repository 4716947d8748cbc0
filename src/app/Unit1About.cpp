// Help > About and the version in the window's caption.
#include "app/Unit1.h"

#include "about/Aboutunit.h"

void TForm1::miAboutClick() {
    AboutBox->ShowModeless();
}

void TForm1::SetCaption() {
    if (!AboutBox)
        AboutBox = CreateAboutBox(this);
    setWindowTitle(QString(ApplicationTitle) + " Version " + AboutBox->ProductVersion());
    setWindowIcon(ApplicationIcon());
}
