// Export FITS spectrum: the spectrum as displayed, on the axis shown, with its WCS, the
// observation's details and the baseline's history, as a FITS file (fits/Fitsunit.h).
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "data/Saveunit.h"
#include "details/Detailsunit.h"
#include "fits/Fitsunit.h"
#include "fits/Fitswriteunit.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <algorithm>

void TForm1::CreateFitsMenuItem() {
    miExportFits = new QAction("Export &FITS spectrum...", this);
    miExportFits->setObjectName("miExportFits");
    miExportFits->setStatusTip("Write the spectrum as shown as a FITS file");
    const QList<QAction*> items = miFile->actions();
    const int below = static_cast<int>(items.indexOf(miExportGraph)) + 1;
    miFile->insertAction(below < items.size() ? items[below] : nullptr, miExportFits);
    // Offered whenever the graph can be exported: the same spectrum, as data.
    miExportFits->setEnabled(miExportGraph->isEnabled());
    connect(miExportGraph, &QAction::enabledChanged, miExportFits, &QAction::setEnabled);
    OnTriggered(miExportFits, [this] { miExportFitsClick(); });
}

void TForm1::miExportFitsClick() {
    if (!Session.File() || !DetailsForm)
        return;
    const QString path = Dialogs->GetSaveFileName(this, "Export FITS spectrum", SaveFolder,
                                                  "FITS files (*.fits *.fit)", "fits");
    if (path.isEmpty())
        return;
    SaveFolder = QFileInfo(path).absolutePath();
    // The header values are those Save as writes, from the details last applied; the file is
    // made whole in memory and then replaced as a whole, as Save as replaces its text.
    const TFitsSpectrum spectrum =
        FitsSpectrumOf(Session, DetailsForm->State(), GraphTitle, ShownMode(), Station);
    WriteTextFileSafely(path.toStdString(), FitsFileBytes(FitsSpectrumImage(spectrum)));
}

TAxisRange TForm1::FittedBand() const {
    // The band's values when the fit was made: the graph may have been zoomed or panned since,
    // and its columns now stand for other values.
    return FitBand;
}
