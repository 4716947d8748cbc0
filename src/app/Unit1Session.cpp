// The main window's lifecycle and session commands: stored settings, Read, Exit, Show Hints,
// hints and the status bar.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "app/Spineditunit.h"
#include "data/Folderunit.h"
#include "data/Readunit.h"
#include "data/Spectrumunit.h"
#include "settings/Formsettings.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusTipEvent>
#include <QTextDocument>
#include <QTimer>
#include <stdexcept>

TForm1::~TForm1() = default;

void TForm1::RunCommand(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        Dialogs->ShowError(this, ApplicationTitle, QString::fromUtf8(error.what()));
    }
}

void TForm1::ReadStoredSettings() {
    const TFormSettings stored = TFormSettings::Read();
    if (stored.Width > 0 && stored.Height > 0) {
        QList<QRect> screens;
        for (const QScreen* screen : QGuiApplication::screens())
            screens << screen->availableGeometry();
        resize(SizeOnScreens(QSize(stored.Width, stored.Height), minimumSize(), screens));
    }
    PlaceWindow(QPoint(stored.Left, stored.Top));
    NormalSize = size();
    NormalPlace = pos();
    if (stored.Maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    Recent = stored.RecentFiles;
    OpenFolder = StartFolder(stored.OpenFolder);
    SetToolBarHints(stored.Hints);
    // The menu's check mark follows the stored value, so that menu and tool bar agree.
    miShowHints->setChecked(stored.Hints);
    miFollowFolder->setChecked(stored.FollowFolder);
}

void TForm1::PlaceWindow(QPoint corner) {
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    const QScreen* primary = QGuiApplication::primaryScreen();
    // A position saved on a monitor that is gone would leave the window out of reach, and one
    // that reaches past its screen's edge would hide the status bar.
    move(primary
             ? PlaceOnScreen(corner, frameGeometry().size(), screens, primary->availableGeometry())
             : corner);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The frame's title bar and borders are known only once the window manager has framed the
    // window: the first showing checks the place again with the whole frame.
    if (!PlacedWithFrame) {
        PlacedWithFrame = true;
        QTimer::singleShot(0, this, [this] { PlaceWindow(pos()); });
    }
}

void TForm1::WriteStoredSettings() {
    TFormSettings settings;
    // A maximised window stores the place and size it goes back to when restored.
    const bool normal =
        !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    const QPoint place = normal ? pos() : NormalPlace;
    const QSize size = normal ? this->size() : NormalSize;
    settings.Left = place.x();
    settings.Top = place.y();
    settings.Width = size.width();
    settings.Height = size.height();
    settings.Maximized = isMaximized();
    settings.RecentFiles = Recent;
    settings.Hints = ShowToolBarHints;
    settings.FollowFolder = miFollowFolder->isChecked();
    if (FileRead)
        settings.OpenFolder = OpenFolder;
    settings.Write();
}

void TForm1::closeEvent(QCloseEvent* event) {
    WriteStoredSettings();
    QMainWindow::closeEvent(event);
}

void TForm1::SetToolBarHints(bool show) {
    ShowToolBarHints = show;
}

bool TForm1::event(QEvent* event) {
    // The long part of the current hint goes to status panel 2.
    if (event->type() == QEvent::StatusTip) {
        DisplayHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The tool bar's short hints are shown only while hints are on.
    if (event->type() == QEvent::ToolTip && !ShowToolBarHints)
        return true;
    // Ctrl+Z undoes a subtraction, and Page Up and Page Down step through the folder, even
    // while the spin edit, which would take them for its own text or steps, has the focus.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) ||
            (key->modifiers() == Qt::NoModifier &&
             (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown))) {
            event->ignore();
            return true;
        }
        // Ctrl+C copies the graph unless there is text selected in the spin edit to copy: with
        // the focus in the spin edit it would take the key for an empty copy.
        if (key->matches(QKeySequence::Copy) && !CSpinEdit1->Editor()->hasSelectedText()) {
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::DisplayHint(const QString& hint) {
    const qsizetype bar = hint.indexOf('|');
    ShowStatusMessage(bar < 0 ? hint : hint.mid(bar + 1));
}

void TForm1::ShowStatusMessage(const QString& text) {
    StatusPanels[2]->setText(text);
}

QString TForm1::StatusText(int panel) const {
    return panel >= 0 && panel < 3 ? StatusPanels[panel]->text() : QString();
}

void TForm1::miShowHintsClick() {
    // The menu item carries its own check mark, so hints can be switched off and on again.
    SetToolBarHints(miShowHints->isChecked());
}

void TForm1::miExitClick() {
    close();
}

void TForm1::miReadClick() {
    const QString path = Dialogs->GetOpenFileName(this, "Open", OpenFolder, QString());
    if (path.isEmpty())
        return;
    ReadAndShow(path);
}

void TForm1::ReadAndShow(const QString& path) {
    ReadAndShow(QFile::encodeName(path));
}

void TForm1::ReadAndShow(const QByteArray& localPath) {
    if (LoadAndShow(localPath))
        miDetailsClick();
}

bool TForm1::LoadAndShow(const QByteArray& localPath, bool quiet) {
    OpenFolder = QFileInfo(QFile::decodeName(localPath)).absolutePath();
    FileRead = true;
    BrowsedPath = localPath;
    try {
        ReadSpectrumFile(localPath);
    } catch (const TReadError& error) {
        // The reader's text as it is, and under it the file and what the reader found there.
        if (!quiet)
            Dialogs->ShowDetailedMessage(this, ApplicationTitle, QString::fromUtf8(error.what()),
                                         QDir::toNativeSeparators(QFile::decodeName(localPath)) +
                                             "\n" + QString::fromUtf8(error.Detail()));
        return false;
    } catch (const std::runtime_error& error) {
        if (!quiet)
            Dialogs->ShowMessage(this, ApplicationTitle, QString::fromUtf8(error.what()));
        return false;
    }
    AddRecentFile(QFile::decodeName(localPath));
    ShowSpectrum();
    miDetails->setEnabled(true);
    miVMinusVlsr->setEnabled(false);
    miSaveAs->setEnabled(true);
    miExportGraph->setEnabled(true);
    tbSaveAs->setEnabled(true);
    if (SaveFolder.isEmpty())
        SaveFolder = OpenFolder;
    UpdateFileItems();
    FollowShownFolder();
    return true;
}

void TForm1::ReadSpectrumFile(const QString& path) {
    ReadSpectrumFile(QFile::encodeName(path));
}

void TForm1::ReadSpectrumFile(const QByteArray& localPath) {
    // The session forgets the fit, the subtractions and the measure of the spectrum read before;
    // a failed read keeps them, so the title's "(corrected)" stays true to the signal on screen.
    Session.Read(localPath.toStdString());
    UpdateAverageItems();
    Session.SelectAxis(ShownMode());
    // The fit and the measure shown were made on the spectrum read before. Only what changes is
    // touched: a new palette or document costs a Read more than its reading.
    if (!Memo->document()->isEmpty())
        Memo->clear();
    if (lblCorr->text() != NoCorrelationText)
        lblCorr->setText(NoCorrelationText);
    ShowVlsrFreshness();
    UpdatePolynomialItems();
}
