// Average files: repeated scans of one source read, each shifted by the VLSR of its own time,
// and averaged on the first file's velocity-minus-VLSR axis; shown, baselined and saved as any
// spectrum, in the V Minus Vlsr mode alone.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "data/Readunit.h"
#include "data/Spectrumunit.h"
#include "details/Detailsunit.h"
#include "session/Averageunit.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <cstdio>
#include <stdexcept>

namespace {

// A memo line for a file of the average: "G0_120.0_r01.dat  -12.345 km/s", with
// "(position of the details)" when its name carries none.
QString ScanLine(const TAveragedScan& scan) {
    char vlsr[32];
    std::snprintf(vlsr, sizeof vlsr, "%+.3f", scan.Applied.Vlsr);
    QString line = QFile::decodeName(ExtractFileName(scan.Path).c_str()) + "  " + vlsr + " km/s";
    if (scan.Position == TAveragePosition::AppliedDetails)
        line += " (position of the details)";
    return line;
}

} // namespace

void TForm1::miAverageClick() {
    const QStringList paths =
        Dialogs->GetOpenFileNames(this, "Average files", OpenFolder, QString());
    if (paths.isEmpty())
        return;
    OpenFolder = QFileInfo(paths.constFirst()).absolutePath();
    FileRead = true;
    std::vector<std::string> files;
    for (const QString& path : paths)
        files.push_back(QFile::encodeName(path).toStdString());
    TAverage average;
    try {
        average = AverageFiles(files, Station, Session.AppliedDetails());
    } catch (const std::runtime_error& error) {
        // As a Read that fails: the spectrum shown stays.
        Dialogs->ShowMessage(this, ApplicationTitle, QString::fromUtf8(error.what()));
        return;
    }
    Session.UseAverage(average);
    // Save as and the FITS export take their fallback details from the dialog, which an
    // average as the first command of a run has not yet made.
    if (!DetailsForm)
        DetailsForm = new TDetailsForm(this, Station);
    UpdateAverageItems();
    miGraphClick(miVMinusVlsr);
    miSaveAs->setEnabled(true);
    miExportGraph->setEnabled(true);
    tbSaveAs->setEnabled(true);
    if (SaveFolder.isEmpty())
        SaveFolder = OpenFolder;

    // The side panel shows the first file's details: its channels make the axis.
    const TAppliedDetails& first = average.Files.front().Applied;
    lblFiletime->setText(QString::fromStdString(first.FileTimeText));
    ShowDetailsPanel(first);
    ShowVlsrFreshness();
    edVlsr->setToolTip("The first file's VLSR; each file was shifted by the VLSR of its own time");
    QStringList lines = {QString::fromStdString(Session.CurrentFileName()) + ", VLSR each:"};
    for (const TAveragedScan& scan : average.Files)
        lines << ScanLine(scan);
    Memo->setPlainText(lines.join('\n'));
    // The Graph menu shows the modes that are off; the status bar says for how long.
    ShowStatusMessage(QString::fromStdString(Session.CurrentFileName()) +
                      ": V Minus Vlsr only until a file is read");
}

void TForm1::UpdateAverageItems() {
    // An average has no frequency, wavelength or plain velocity axis of its own (its files'
    // channels differ), and its VLSRs are the files' own.
    const bool single = Session.AveragedFiles().empty();
    // The modes are off only while an average is shown: its list of files goes with it.
    if (single && !miFrequency->isEnabled())
        Memo->clear();
    for (QAction* item : {miFrequency, miWavelength, miVelocity})
        item->setEnabled(single);
    if (!single) {
        miDetails->setEnabled(false);
        miVMinusVlsr->setEnabled(true);
    }
}
