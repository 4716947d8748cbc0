// Save as: the spectrum as displayed, with the fit and the observation details, as text.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "data/Saveunit.h"
#include "data/Spectrumunit.h"
#include "details/Detailsunit.h"

#include <QFileInfo>

void TForm1::miSaveAsClick() {
    // Saving is offered only once a spectrum has been read, and every successful Read has
    // created the details dialog.
    if (!Session.File() || !DetailsForm)
        return;
    const QString path =
        Dialogs->GetSaveFileName(this, "Save as", SaveFolder, "Text file(*.txt);;Any (*.*)", "txt");
    if (path.isEmpty())
        return;
    SaveFolder = QFileInfo(path).absolutePath();
    // The whole text is built before anything is written: an elevation that is not a number
    // stops the command with the file untouched, and the file is replaced as a whole or not
    // at all. The position, site and elevation are those last applied (the side panel's), not
    // edits abandoned with No; and the VLSR is this observation's own, or 0 when its details
    // were not applied, never one computed for a spectrum read before.
    const TSaveHeader header = Session.SaveHeader(DetailsForm->State(), GraphTitle);
    WriteTextFileSafely(path.toStdString(), SavedText(header, Session.XValues(), Session.Signal()));
}
