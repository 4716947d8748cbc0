// Overlays, files dropped on the window, the recent files, the graph copied and printed, and
// the window's size kept between runs: driven by real Qt events on the real window.
#include "app/MainWindowFixture.h"
#include "app/Spineditunit.h"
#include "plot/Graphunit.h"
#include "session/Overlayunit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

namespace {

double Flat(int) {
    return 110.0;
}

double Ramp(int i) {
    return 60.0 + 0.2 * i;
}

// Pixels of the plot rectangle's inside with exactly the colour color (0x00BBGGRR).
int PixelsOf(const QImage& image, const TRect& r, TColor color) {
    const QColor wanted = ColorToQColor(color);
    int count = 0;
    for (int y = r.Top + 1; y < r.Bottom; ++y)
        for (int x = r.Left + 1; x < r.Right; ++x)
            count += image.pixelColor(x, y) == wanted ? 1 : 0;
    return count;
}

// Drops the files on the window as a file manager does: enter, then drop.
bool DropFiles(QWidget* window, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPoint at(300, 300);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

class Places : public MainWindow {};

} // namespace

TEST_F(Places, OverlaysAreDrawnInTheirColoursAndNeverTouchTheSession) {
    auto form = Shown();
    const std::vector<double> signal = form->CurrentSession().Signal();
    Dialogs.MultiOpenAnswers << QStringList{Spectrum("flat.dat", Flat), Spectrum("ramp.dat", Ramp),
                                            Folder.filePath("missing.dat")};
    form->miOverlay->trigger();
    ASSERT_EQ(form->Overlays().Size(), 2u);
    // The file that cannot be overlaid says why.
    EXPECT_TRUE(form->StatusText(2).contains("missing.dat")) << form->StatusText(2).toStdString();
    const TRect r = form->PlotPanel()->PlotRect();
    const QImage bitmap = form->PlotPanel()->Bitmap();
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_GT(PixelsOf(bitmap, r, OverlayColor(i)), 100) << i;
    // The flat overlay at 110 is inside the signal's limits, drawn as a horizontal line.
    const int row = form->YToPixel(110.0);
    EXPECT_EQ(bitmap.pixelColor((r.Left + r.Right) / 2, row), ColorToQColor(OverlayColor(0)));
    // The spectrum's own data, fit and title are its own.
    EXPECT_EQ(form->CurrentSession().Signal(), signal);
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    form->miSubtract->trigger();
    EXPECT_TRUE(form->CurrentSession().Corrected());
    EXPECT_EQ(form->Overlays()[0].Signal, std::vector<double>(400, 110.0));
    // Export graph draws them.
    const QString png = Folder.filePath("overlaid.png");
    Dialogs.SaveAnswers << png;
    form->miExportGraph->trigger();
    EXPECT_GT(PixelsOf(QImage(png), r, OverlayColor(1)), 100);
    form->miClearOverlays->trigger();
    EXPECT_EQ(PixelsOf(form->PlotPanel()->Bitmap(), r, OverlayColor(0)), 0);
    EXPECT_FALSE(form->miClearOverlays->isEnabled());
}

TEST_F(Places, NineOverlaysAreOneTooMany) {
    auto form = Shown();
    QStringList files;
    for (int i = 0; i < 9; ++i)
        files << Spectrum(QString("scan%1.dat").arg(i), Flat);
    Dialogs.MultiOpenAnswers << files;
    form->miOverlay->trigger();
    EXPECT_EQ(form->Overlays().Size(), MaxOverlays);
    EXPECT_TRUE(form->StatusText(2).contains("scan8.dat")) << form->StatusText(2).toStdString();
}

TEST_F(Places, DroppedFilesAreReadAndOverlaid) {
    auto form = Open();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QStringList files = {Spectrum("first.dat"), Spectrum("second.dat", Flat),
                               Spectrum("third.dat", Ramp)};
    ASSERT_TRUE(DropFiles(form.get(), files));
    EXPECT_EQ(form->CurrentSession().CurrentFileName(), "first.dat");
    ASSERT_EQ(form->Overlays().Size(), 2u);
    EXPECT_EQ(form->Overlays()[0].Name, "second.dat");
    EXPECT_EQ(form->Overlays()[1].Name, "third.dat");
    // The details dialog opened as after Read.
    EXPECT_EQ(Dialogs.ModalCount, 1);
    // Something that is not a file is refused.
    EXPECT_FALSE(DropFiles(form.get(), {Folder.path()}));
}

TEST_F(Places, RecentFilesAreStoredAndMissingOnesGreyed) {
    QStringList read;
    {
        auto form = Open();
        for (int i = 0; i < 12; ++i) {
            read << Spectrum(QString("scan%1.dat").arg(i));
            Read(*form, read.back());
        }
        Read(*form, read[10]); // read again: to the front, not twice
        form->miExitClick();
    }
    QFile::remove(read[9]);
    auto form = Open();
    ASSERT_EQ(form->RecentFiles().size(), 10);
    EXPECT_EQ(QFileInfo(form->RecentFiles()[0]).fileName(), "scan10.dat");
    EXPECT_EQ(QFileInfo(form->RecentFiles()[1]).fileName(), "scan11.dat");
    EXPECT_EQ(QFileInfo(form->RecentFiles()[2]).fileName(), "scan9.dat");
    EXPECT_EQ(QFileInfo(form->RecentFiles()[9]).fileName(), "scan2.dat");
    emit form->miRecentFiles->aboutToShow();
    const QList<QAction*> items = form->miRecentFiles->actions();
    ASSERT_EQ(items.size(), 10);
    EXPECT_TRUE(items[0]->isEnabled());
    EXPECT_FALSE(items[2]->isEnabled()); // scan9.dat is gone
    items[1]->trigger();
    EXPECT_EQ(form->CurrentSession().CurrentFileName(), "scan11.dat");
}

TEST_F(Places, CtrlCCopiesTheGraphAtTheScreensDensity) {
    auto form = Shown();
    QApplication::clipboard()->clear();
    // Whatever has the focus: the spin edit has it most of the time.
    form->CSpinEdit1->Editor()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
    const QImage copied = QApplication::clipboard()->image();
    const QImage& bitmap = form->PlotPanel()->Bitmap();
    ASSERT_FALSE(copied.isNull());
    EXPECT_EQ(copied.size(), bitmap.size());
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32), bitmap);
}

TEST_F(Places, PrintGoesThroughThePreview) {
    auto form = Shown();
    Dialogs.PrintFile = Folder.filePath("graph.pdf");
    form->miPrint->trigger();
    EXPECT_EQ(Dialogs.PrintCount, 1);
    QFile pdf(Dialogs.PrintFile);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_GT(pdf.size(), 2000);
}

TEST_F(Places, TheWindowsSizeIsKeptAndAMaximisedWindowComesBackMaximised) {
    QSize grown;
    {
        auto form = Open();
        grown = form->size() + QSize(120, 80);
        form->resize(grown);
        form->miExitClick();
    }
    {
        auto form = Open();
        EXPECT_EQ(form->size(), grown);
        form->show();
        form->showMaximized();
        QApplication::processEvents();
        form->miExitClick();
    }
    QSettings store("Fernhollow", "Kelvane");
    EXPECT_EQ(store.value("Form/Maximized").toString(), "1");
    EXPECT_EQ(store.value("Form/Width").toInt(), grown.width());
    auto form = Open();
    EXPECT_TRUE(form->windowState() & Qt::WindowMaximized);
}
