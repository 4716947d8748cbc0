// The folder of the file shown: Next file and Previous file step through its spectrum files in
// name order, and Follow folder shows each new one as the telescope finishes writing it.
#include "app/Unit1.h"

#include "data/Folderunit.h"
#include "data/Readunit.h"
#include "details/Detailsunit.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace {

std::string Local(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

std::int64_t SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

void TForm1::UpdateFileItems() {
    const bool shown = Session.File.has_value();
    for (QAction* item : {miNextFile, miPreviousFile, tbNextFile, tbPreviousFile})
        item->setEnabled(shown);
}

void TForm1::miNextFileClick() {
    StepFile(1);
}

void TForm1::miPreviousFileClick() {
    StepFile(-1);
}

void TForm1::StepFile(int step) {
    if (BrowsedPath.isEmpty())
        return;
    // From the file last chosen, read or not: a neighbour that cannot be read is stepped over
    // by the next step rather than chosen again.
    const QFileInfo from(QFile::decodeName(BrowsedPath));
    const std::optional<std::string> next =
        NeighbourFile(SpectrumFilesIn(Local(from.absolutePath()), from.suffix().toStdString()),
                      Local(from.fileName()), step);
    if (!next) {
        ShowStatusMessage(step > 0 ? "This is the last file of the folder"
                                   : "This is the first file of the folder");
        return;
    }
    const QByteArray path =
        QFile::encodeName(from.absolutePath()) + '/' + QByteArray::fromStdString(*next);
    ReadAndShow(path);
    BrowsedPath = path;
}

void TForm1::miFollowFolderClick() {
    FollowShownFolder();
    if (!miFollowFolder->isChecked())
        ShowStatusMessage("Not following the folder");
    else if (FollowedFolder.isEmpty())
        ShowStatusMessage("The folder of the next file read will be followed");
    else
        ShowStatusMessage("Following " + FollowedFolder);
}

void TForm1::FollowShownFolder() {
    if (!miFollowFolder->isChecked() || !Session.File) {
        delete FolderWatcher;
        FolderWatcher = nullptr;
        Arrivals.reset();
        if (ArrivalTimer)
            ArrivalTimer->stop();
        FollowedFolder.clear();
        return;
    }
    const QFileInfo shown(QFile::decodeName(QByteArray::fromStdString(Session.File->FilePath)));
    if (FolderWatcher && shown.absolutePath() == FollowedFolder)
        return;
    FollowedFolder = shown.absolutePath();
    FollowedSuffix = shown.suffix();
    delete FolderWatcher;
    FolderWatcher = new QFileSystemWatcher(this);
    FolderWatcher->addPath(FollowedFolder);
    connect(FolderWatcher, &QFileSystemWatcher::directoryChanged, this,
            [this] { RunCommand([this] { LookForArrivals(); }); });
    // A file that did not read yet is watched itself: writing on into it changes no entry of
    // the folder.
    connect(FolderWatcher, &QFileSystemWatcher::fileChanged, this,
            [this] { RunCommand([this] { LookForArrivals(); }); });
    Arrivals = std::make_unique<TArrivals>(
        SpectrumFileSizes(Local(FollowedFolder), FollowedSuffix.toStdString()));
    if (!ArrivalTimer) {
        // While a file is arriving its size is looked at again: the telescope's last write
        // need not change the folder, so the watcher alone would not tell when it settled.
        ArrivalTimer = new QTimer(this);
        connect(ArrivalTimer, &QTimer::timeout, this,
                [this] { RunCommand([this] { LookForArrivals(); }); });
    }
}

void TForm1::LookForArrivals() {
    if (!Arrivals)
        return;
    const std::int64_t now = SteadyMilliseconds();
    Arrivals->Look(SpectrumFileSizes(Local(FollowedFolder), FollowedSuffix.toStdString()), now);
    // Nothing is swapped under a dialog or a menu that is open: the arrival waits for it.
    if (!QApplication::activeModalWidget() && !QApplication::activePopupWidget()) {
        const QString folder = FollowedFolder;
        for (const std::string& name : Arrivals->Ready(now, ArrivalSettle)) {
            const QString path = folder + '/' + QFile::decodeName(QByteArray::fromStdString(name));
            if (ShowArrival(path)) {
                if (FolderWatcher)
                    FolderWatcher->removePath(path);
            } else if (Arrivals) {
                Arrivals->Rejected(name);
                FolderWatcher->addPath(path);
            }
        }
    }
    if (!Arrivals)
        return;
    if (!Arrivals->Waiting()) {
        ArrivalTimer->stop();
    } else if (!ArrivalTimer->isActive()) {
        ArrivalTimer->start(std::max(20, std::min(250, ArrivalSettle / 4)));
    }
}

bool TForm1::ShowArrival(const QString& path) {
    // A file that does not read (still being written, or no spectrum) is left without a word.
    if (!LoadAndShow(QFile::encodeName(path), true))
        return false;
    // The details as the dialog holds them, with the position from the new file's name when it
    // carries one; the VLSR for the new file's own time. No dialog.
    PrepareDetails();
    DetailsForm->FormShow(); // what showing the dialog would do to its fields
    if (ApplyDetails())
        miVMinusVlsr->setEnabled(true);
    ShowStatusMessage("New file: " + QFileInfo(path).fileName());
    return true;
}
