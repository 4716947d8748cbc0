// Overlays: other spectra drawn over the one shown, each in its own colour, named in a legend.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "details/Detailsunit.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <stdexcept>

void TForm1::miOverlayClick() {
    const QStringList paths =
        Dialogs->GetOpenFileNames(this, "Overlay files", OpenFolder, QString());
    if (!paths.isEmpty())
        OverlayFiles(paths);
}

void TForm1::OverlayFiles(const QStringList& paths) {
    if (!SpectrumDrawn) {
        ShowStatusMessage("Read a spectrum first: overlays are drawn over it");
        return;
    }
    // The details shown give each overlay its VLSR, as they would give the file if it were read
    // while Follow folder is on.
    std::optional<TDetailsState> details;
    if (DetailsForm)
        details = DetailsForm->State();
    QStringList failures;
    for (const QString& path : paths) {
        try {
            OverlaySet.Add(QFile::encodeName(path).toStdString(), details);
        } catch (const std::runtime_error& error) {
            failures << QFileInfo(path).fileName() + ": " + QString::fromUtf8(error.what());
        }
    }
    RedrawPlot();
    miClearOverlays->setEnabled(!OverlaySet.Empty());
    ShowStatusMessage(failures.isEmpty() ? QString("%1 overlaid").arg(OverlaySet.Size())
                                         : "Not overlaid: " + failures.join("; "));
}

void TForm1::miClearOverlaysClick() {
    OverlaySet.Clear();
    miClearOverlays->setEnabled(false);
    RedrawPlot();
}
