// The folder of the file shown: Next file and Previous file step through its spectrum files in
// name order, and Follow folder shows each new one as the telescope finishes writing it.
#include "app/Unit1.h"

#include "data/Folderunit.h"
#include "data/Readunit.h"
#include "details/Detailsunit.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <optional>
#include <sys/stat.h>
#include <utility>

namespace {

// The device and inode of a folder; nothing when there is no folder at path.
std::optional<std::pair<dev_t, ino_t>> FolderIdentity(const QByteArray& path) {
    struct stat status {};
    if (::stat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return std::nullopt;
    return std::make_pair(status.st_dev, status.st_ino);
}

// The absolute folder of a file, as the bytes of its path.
QByteArray FolderOf(const std::string& file) {
    QByteArray path = QByteArray::fromStdString(file);
    if (!path.startsWith('/'))
        path = QFile::encodeName(QDir::currentPath()) + '/' + path;
    return path.left(std::max<qsizetype>(1, path.lastIndexOf('/')));
}

std::int64_t SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

void TForm1::UpdateFileItems() {
    const bool shown = Session.File().has_value();
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
    const QByteArray folder = FolderOf(BrowsedPath.toStdString());
    const QByteArray name = BrowsedPath.mid(BrowsedPath.lastIndexOf('/') + 1);
    const QString suffix = QFileInfo(QFile::decodeName(name)).suffix();
    const std::optional<std::string> next = NeighbourFile(
        SpectrumFilesIn(folder.toStdString(), suffix.toStdString()), name.toStdString(), step);
    if (!next) {
        ShowStatusMessage(step > 0 ? "This is the last file of the folder"
                                   : "This is the first file of the folder");
        return;
    }
    const QByteArray path = folder + '/' + QByteArray::fromStdString(*next);
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
    if (!miFollowFolder->isChecked() || !Session.File()) {
        delete FolderWatcher;
        FolderWatcher = nullptr;
        Arrivals.reset();
        if (ArrivalTimer)
            ArrivalTimer->stop();
        FollowedFolder.clear();
        FollowedFolderPath.clear();
        FollowedFolderLost = false;
        return;
    }
    const QByteArray folderPath = FolderOf(Session.File()->FilePath);
    if (FolderWatcher && folderPath == FollowedFolderPath)
        return;
    FollowedFolderPath = folderPath;
    FollowedFolder = QFile::decodeName(folderPath);
    FollowedSuffix =
        QFileInfo(QFile::decodeName(QByteArray::fromStdString(Session.File()->FilePath))).suffix();
    FollowedFolderLost = false;
    FollowedFolderId = FolderIdentity(FollowedFolderPath);
    delete FolderWatcher;
    FolderWatcher = new QFileSystemWatcher(this);
    FolderWatcher->addPath(FollowedFolder);
    // The folder's own watch tells nothing when the folder is renamed: its parent's does.
    FolderWatcher->addPath(QFileInfo(FollowedFolder).absolutePath());
    connect(FolderWatcher, &QFileSystemWatcher::directoryChanged, this,
            [this] { RunCommand([this] { LookForArrivals(); }); });
    // A file that did not read yet is watched itself: writing on into it changes no entry of
    // the folder.
    connect(FolderWatcher, &QFileSystemWatcher::fileChanged, this,
            [this] { RunCommand([this] { LookForArrivals(); }); });
    Arrivals = std::make_unique<TArrivals>(
        SpectrumFileSizes(FollowedFolderPath.toStdString(), FollowedSuffix.toStdString()));
    if (!ArrivalTimer) {
        // While a file is arriving its size is looked at again: the telescope's last write
        // need not change the folder, so the watcher alone would not tell when it settled.
        ArrivalTimer = new QTimer(this);
        connect(ArrivalTimer, &QTimer::timeout, this,
                [this] { RunCommand([this] { LookForArrivals(); }); });
    }
}

bool TForm1::FollowedFolderPresent() {
    // A folder renamed or deleted is said to be gone; one there again under the name (made
    // afresh, or renamed back) is watched afresh. The files known before keep their state, so
    // only files new to it are shown.
    const std::optional<std::pair<dev_t, ino_t>> now = FolderIdentity(FollowedFolderPath);
    if (now && now == FollowedFolderId && !FollowedFolderLost)
        return true;
    FolderWatcher->removePath(FollowedFolder);
    if (now && FolderWatcher->addPath(FollowedFolder)) {
        FolderWatcher->addPath(QFileInfo(FollowedFolder).absolutePath());
        FollowedFolderId = now;
        FollowedFolderLost = false;
        ShowStatusMessage("Following " + FollowedFolder + " again");
        return true;
    }
    if (!FollowedFolderLost) {
        FollowedFolderLost = true;
        ShowStatusMessage("The folder " + FollowedFolder +
                          " is gone: it is followed again when it comes back");
    }
    return false;
}

void TForm1::LookForArrivals() {
    if (!Arrivals)
        return;
    if (!FollowedFolderPresent()) {
        // Looked for again now and then: nothing tells when a folder comes back.
        if (!ArrivalTimer->isActive())
            ArrivalTimer->start(500);
        return;
    }
    const std::int64_t now = SteadyMilliseconds();
    Arrivals->Look(
        SpectrumFileSizes(FollowedFolderPath.toStdString(), FollowedSuffix.toStdString()), now);
    // Nothing is swapped under a dialog or a menu that is open: the arrival waits for it.
    if (!QApplication::activeModalWidget() && !QApplication::activePopupWidget()) {
        const QByteArray folder = FollowedFolderPath;
        for (const std::string& name : Arrivals->Ready(now, ArrivalSettle)) {
            const QByteArray path = folder + '/' + QByteArray::fromStdString(name);
            if (ShowArrival(path)) {
                if (FolderWatcher)
                    FolderWatcher->removePath(QFile::decodeName(path));
            } else if (Arrivals) {
                Arrivals->Rejected(name);
                FolderWatcher->addPath(QFile::decodeName(path));
            }
        }
    }
    if (!Arrivals)
        return;
    if (!Arrivals->Waiting()) {
        ArrivalTimer->stop();
    } else if (!ArrivalTimer->isActive() || ArrivalTimer->interval() == 500) {
        ArrivalTimer->start(std::max(20, std::min(250, ArrivalSettle / 4)));
    }
}

bool TForm1::ShowArrival(const QByteArray& path) {
    // A file that does not read (still being written, or no spectrum) is left without a word.
    if (!LoadAndShow(path, true))
        return false;
    // The details as the dialog holds them, with the position from the new file's name when it
    // carries one; the VLSR for the new file's own time. No dialog.
    PrepareDetails();
    DetailsForm->FormShow(); // what showing the dialog would do to its fields
    if (ApplyDetails())
        miVMinusVlsr->setEnabled(true);
    ShowStatusMessage("New file: " + QFileInfo(QFile::decodeName(path)).fileName());
    return true;
}
