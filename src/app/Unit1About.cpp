// Help > About and the version in the window's caption.
#include "app/Unit1.h"

#include "about/Aboutunit.h"

void TForm1::miAboutClick() {
    GetAboutBox(this)->ShowModeless();
}

void TForm1::SetCaption() {
    setWindowTitle(QString(ApplicationTitle) + " Version " + GetAboutBox(this)->ProductVersion());
    setWindowIcon(ApplicationIcon());
}
