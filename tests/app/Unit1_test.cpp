#include "app/MainWindowFixture.h"
#include "app/Plotunit.h"
#include "app/Spineditunit.h"
#include "app/Unit1.h"
#include "data/Readunit.h"
#include "data/Spectrumunit.h"
#include "numeric/Numbertextunit.h"
#include "numeric/Polyfitunit.h"
#include "settings/Formsettings.h"
#include "support/FakeDialogs.h"
#include "support/SpectrumFiles.h"
#include "support/TestSettings.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEvent>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace {

QVariant Stored(const char* name) {
    QSettings store("Fernhollow", "Kelvane");
    return store.value(QString("Form/") + name);
}

void Store(const char* name, const QVariant& value) {
    QSettings store("Fernhollow", "Kelvane");
    store.setValue(QString("Form/") + name, value);
}

} // namespace

TEST_F(MainWindow, StartsWithItsMenusAndPanels) {
    auto form = Open();
    EXPECT_EQ(form->windowTitle(), "Kelvane Version 2.8");
    EXPECT_EQ(form->pos(), QPoint(100, 100));
    EXPECT_TRUE(form->ToolBarHints());
    const struct {
        QAction* item;
        const char* caption;
        bool enabled, checked;
    } items[] = {
        {form->miRead, "&Read", true, false},
        {form->miDetails, "Enter &other details", false, false},
        {form->miSaveAs, "&Save as", false, false},
        {form->miExit, "E&xit", true, false},
        {form->miFrequency, "&Frequency", true, true},
        {form->miWavelength, "&Wavelength", true, false},
        {form->miVelocity, "&Velocity", true, false},
        {form->miVMinusVlsr, "V &Minus Vlsr", false, false},
        {form->miShowHints, "Show &Hints", true, true},
        {form->miPolynomial->menuAction(), "&Polynomial", false, false},
        {form->miSubtract, "&Subtract", false, false},
        {form->miUndoSubtract, "&Undo Subtract", false, false},
        {form->miAbout, "&About", true, false},
    };
    for (const auto& i : items) {
        EXPECT_EQ(i.item->text(), i.caption);
        EXPECT_EQ(i.item->isEnabled(), i.enabled) << i.caption;
        EXPECT_EQ(i.item->isChecked(), i.checked) << i.caption;
    }
    EXPECT_EQ(form->miVMinusVlsr->statusTip(), "Velovity minus Vlsr");
    EXPECT_EQ(form->ToolBar->height(), 29);
    EXPECT_EQ(form->pnlPlot->size(), QSize(640, 600));
    EXPECT_EQ(form->pnlCoeff->width(), 198);
    EXPECT_EQ(form->CSpinEdit1->value(), 4);
    EXPECT_EQ(form->CurrentSession().Coefficients().size(), 4u);
    EXPECT_EQ(form->lblCorr->text(), "  ----   ");
    EXPECT_EQ(form->edVlsr->text(), "-----");
    for (QLabel* label : {form->lblRa, form->lblDec, form->lblGlat, form->lblGlong, form->lblLat,
                          form->lblLong, form->lblElev, form->lblFiletime})
        EXPECT_TRUE(label->text().isEmpty());
    EXPECT_FALSE(form->isMaximized());
    // The described size is the smallest; the window may be enlarged and maximised.
    EXPECT_EQ(form->minimumSize(), form->size());
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainWindow, ExitStoresPositionAndHints) {
    auto form = Open();
    form->move(150, 220);
    form->miExitClick();
    EXPECT_EQ(Stored("Left").toInt(), 150);
    EXPECT_EQ(Stored("Top").toInt(), 220);
    EXPECT_EQ(Stored("Hints").toString(), "1");

    auto again = Open();
    EXPECT_EQ(again->pos(), QPoint(150, 220));
}

TEST_F(MainWindow, StoredSettingsOfEveryForm) {
    const struct {
        QVariant left, hints;
        int expectedLeft;
        bool expectedHints;
    } cases[] = {
        {QVariant(250), QVariant("0"), 250, false},
        {QVariant("260"), QVariant(1), 260, true},
        {QVariant("abc"), QVariant("7"), 100, true},
        {QVariant(), QVariant("no"), 100, true},
    };
    for (const auto& c : cases) {
        ClearTestSettings();
        if (c.left.isValid())
            Store("Left", c.left);
        Store("Hints", c.hints);
        auto form = Open();
        EXPECT_EQ(form->pos().x(), c.expectedLeft);
        EXPECT_EQ(form->ToolBarHints(), c.expectedHints);
        EXPECT_EQ(form->miShowHints->isChecked(), c.expectedHints) << "menu and tool bar agree";
    }
}

TEST_F(MainWindow, ShowHintsSwitchesTheToolBarHints) {
    Store("Hints", "0");
    auto form = Open();
    EXPECT_FALSE(form->ToolBarHints());
    EXPECT_FALSE(form->miShowHints->isChecked());
    form->miShowHints->trigger(); // the first click switches hints on
    EXPECT_TRUE(form->ToolBarHints());
    form->miShowHints->trigger(); // and the next one off again
    EXPECT_FALSE(form->ToolBarHints());
    form->miExitClick();
    EXPECT_EQ(Stored("Hints").toString(), "0");
}

TEST_F(MainWindow, LongHintsGoToTheMessagePanel) {
    auto form = Open();
    const struct {
        const char* hint;
        const char* shown;
    } cases[] = {{"Read|Open file", "Open file"},
                 {"Save as|Save data as", "Save data as"},
                 {"Velovity minus Vlsr", "Velovity minus Vlsr"},
                 {"a|b|c", "b|c"},
                 {"", ""}};
    for (const auto& c : cases) {
        QStatusTipEvent event(c.hint);
        QCoreApplication::sendEvent(form.get(), &event);
        EXPECT_EQ(form->StatusText(2), c.shown);
    }
    form->ShowStatusMessage("Error getting graph limits");
    EXPECT_EQ(form->StatusText(2), "Error getting graph limits");
}

TEST_F(MainWindow, TheOpenDialogStartsInTheLastFolderRead) {
    const QString start = QDir::currentPath();
    QTemporaryDir current;
    ASSERT_TRUE(QDir::setCurrent(current.path()));
    // Nothing stored, no Data folder here: the home folder.
    Open()->miReadClick();
    EXPECT_EQ(Dialogs.LastOpenFolder, QDir::homePath());
    // A Data folder beside the program, as scripts/run starts it.
    ASSERT_TRUE(QDir(current.path()).mkdir("Data"));
    Open()->miReadClick();
    EXPECT_EQ(Dialogs.LastOpenFolder, "Data");
    // The folder of the last file read, remembered from one run to the next.
    {
        auto form = Open();
        Read(*form, Spectrum("a.dat"));
        form->miExitClick();
    }
    Open()->miReadClick();
    EXPECT_EQ(Dialogs.LastOpenFolder, Folder.path());
    // A run that reads nothing keeps it; a remembered folder that is gone is not offered.
    Open()->miExitClick();
    ASSERT_TRUE(QDir(Folder.path()).removeRecursively());
    Open()->miReadClick();
    EXPECT_EQ(Dialogs.LastOpenFolder, "Data");
    ASSERT_TRUE(QDir::setCurrent(start));
}

TEST_F(MainWindow, CancelledReadChangesNothing) {
    auto form = Open();
    form->miReadClick();
    EXPECT_EQ(Dialogs.LastOpenFolder, StartFolder(QString()));
    EXPECT_FALSE(form->CurrentSession().File());
    EXPECT_FALSE(form->miDetails->isEnabled());
    EXPECT_TRUE(Dialogs.Messages.isEmpty());
}

TEST_F(MainWindow, FailedReadShowsTheReadersTextAndWhatItFound) {
    // The reader's text unchanged; under it the file and what the reader found there.
    auto form = Open();
    Read(*form, Folder.filePath("nothing.dat"));
    EXPECT_EQ(Dialogs.Messages, QStringList{"Kelvane: Unable to open nothing.dat"});
    EXPECT_EQ(Dialogs.InformativeTexts,
              QStringList{QDir::toNativeSeparators(Folder.filePath("nothing.dat")) +
                          "\nNo such file or directory"});
    EXPECT_FALSE(form->miDetails->isEnabled());
    EXPECT_FALSE(form->IsSpectrumDrawn());

    const QString good = Spectrum("good.dat");
    Read(*form, good);
    ASSERT_TRUE(form->miDetails->isEnabled());
    const std::vector<double> signal = form->CurrentSession().Signal();
    Read(*form, WriteSpectrumFile(Folder.path(), "short.dat", Hump, 12));
    EXPECT_EQ(Dialogs.Messages.last(), "Kelvane: wrong number of data items.");
    EXPECT_EQ(Dialogs.InformativeTexts.value(1),
              QDir::toNativeSeparators(Folder.filePath("short.dat")) +
                  "\n12 data items, 400 expected");
    EXPECT_EQ(form->CurrentSession().Signal(), signal);
    EXPECT_EQ(form->CurrentSession().File()->FilePath, good.toStdString());
    EXPECT_EQ(Dialogs.LastOpenFolder, Folder.path()) << "the dialog reopens where it was";
}

TEST_F(MainWindow, AFileNameThatIsNotUtf8IsReadByItsBytes) {
    // As `kelvane FILE` passes it: Latin-1 bytes that no text decoding keeps.
    const QByteArray name = QFile::encodeName(Folder.path()) + "/G1_18.0\xe9\xe9.dat";
    ASSERT_EQ(std::rename(QFile::encodeName(Spectrum("plain.dat")).constData(), name.constData()),
              0);
    auto form = Open();
    form->ReadAndShow(name);
    EXPECT_TRUE(Dialogs.Messages.isEmpty()) << Dialogs.Messages.join('\n').toStdString();
    ASSERT_TRUE(form->CurrentSession().File());
    EXPECT_EQ(form->CurrentSession().File()->FilePath, name.toStdString());
    EXPECT_TRUE(form->IsSpectrumDrawn());
}

TEST_F(MainWindow, ReadDrawsTheSpectrum) {
    auto form = Open();
    form->miVMinusVlsr->setEnabled(true);
    Read(*form, Spectrum("G5.30_m120.15.dat"));
    EXPECT_TRUE(Dialogs.Messages.isEmpty());
    EXPECT_TRUE(form->IsSpectrumDrawn());
    EXPECT_TRUE(form->miDetails->isEnabled());
    EXPECT_FALSE(form->miVMinusVlsr->isEnabled());
    EXPECT_EQ(form->Title(), "Frequency v Signal");
    EXPECT_EQ(form->CurrentSession().XValues().size(), 400u);
    EXPECT_EQ(form->CurrentSession().CurrentFileName(), "G5.30_m120.15.dat");
}

TEST_F(MainWindow, TitleOfEveryMode) {
    auto form = Open();
    Dialogs.ModalResult = QDialog::Accepted; // details applied: V Minus Vlsr available
    Read(*form, Spectrum("a.dat"));
    const struct {
        QAction* item;
        int mode;
        const char* title;
    } cases[] = {{form->miWavelength, 1, "Wavelength v Signal"},
                 {form->miVelocity, 2, "Velocity v Signal"},
                 {form->miVMinusVlsr, 3, "Velocity - VLSR v Signal"},
                 {form->miFrequency, 0, "Frequency v Signal"}};
    for (const auto& c : cases) {
        form->miPolynomial->menuAction()->setEnabled(true); // as after a fit
        c.item->trigger();
        EXPECT_FALSE(form->miPolynomial->menuAction()->isEnabled()) << "a new axis drops the fit";
        EXPECT_EQ(form->DisplayMode(), c.mode);
        EXPECT_TRUE(c.item->isChecked());
        EXPECT_EQ(form->Title(), c.title);
        EXPECT_TRUE(form->IsSpectrumDrawn());
    }
    EXPECT_FALSE(form->miWavelength->isChecked()) << "one radio group";
}

TEST_F(MainWindow, GraphItemBeforeAnyRead) {
    auto form = Open();
    form->miVelocity->trigger();
    EXPECT_EQ(form->StatusText(2), "Error getting graph limits");
    EXPECT_EQ(Dialogs.Messages, QStringList{"Kelvane: Error finding data limits"});
    EXPECT_TRUE(form->miVelocity->isChecked());
    EXPECT_EQ(form->DisplayMode(), 2);
    EXPECT_FALSE(form->IsSpectrumDrawn());

    EXPECT_FALSE(form->miSubtract->isEnabled()) << "nothing fitted, nothing to subtract";
}

TEST_F(MainWindow, PointerReadout) {
    auto form = Open();
    form->PlotMouseMove(Qt::NoModifier, 300, 300);
    EXPECT_EQ(form->StatusText(0), "(220, 200)");
    EXPECT_EQ(form->StatusText(1), "(0, 0)") << "limits are all 0 before any graph";

    Read(*form, Spectrum("a.dat"));
    const TGraphLimits& limits = form->GraphLimits();
    const struct {
        int x, y;
        const char* coordinates;
        double valueX, valueY;
    } cases[] = {{80, 500, "(0, 0)", limits.XMin, limits.YMin},
                 {630, 40, "(550, 460)", limits.XMax, limits.YMax},
                 {80, 40, "(0, 460)", limits.XMin, limits.YMax}};
    for (const auto& c : cases) {
        form->PlotMouseMove(Qt::NoModifier, c.x, c.y);
        EXPECT_EQ(form->StatusText(0), c.coordinates);
        EXPECT_EQ(form->StatusText(1), QString("(%1, %2)")
                                           .arg(QString::fromStdString(ValueToText(c.valueX)),
                                                QString::fromStdString(ValueToText(c.valueY))));
    }
    for (const QPoint outside :
         {QPoint(79, 300), QPoint(631, 300), QPoint(300, 39), QPoint(300, 501)}) {
        form->PlotMouseMove(Qt::NoModifier, outside.x(), outside.y());
        EXPECT_TRUE(form->StatusText(0).isEmpty());
        EXPECT_TRUE(form->StatusText(1).isEmpty());
    }
    // The real pointer reaches the same handler.
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QTest::mouseMove(form->PlotPanel(), QPoint(80, 500));
    EXPECT_EQ(form->StatusText(0), "(0, 0)");
}

// Records the paint events of the watched widgets, by object name.
class TPaintLog : public QObject {
public:
    QStringList Painted;
    QList<QRect> Rects;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            Painted << watched->objectName();
            Rects << static_cast<QPaintEvent*>(event)->rect();
        }
        return false;
    }
};

// A pointer movement repaints the readout panels whose text changed, and only their insides:
// not the frames, not the status bar beneath them, not the message panel, not the plot. What
// the quick repaint shows is what a full repaint of the panels shows.
TEST_F(MainWindow, PointerReadoutRepaintsOnlyTheChangedPanels) {
    auto form = Open();
    Read(*form, Spectrum("a.dat"));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QCoreApplication::processEvents();
    TPaintLog log;
    QStatusBar* bar = form->statusBar();
    bar->installEventFilter(&log);
    for (QWidget* child : bar->findChildren<QWidget*>())
        child->installEventFilter(&log);
    form->PlotPanel()->installEventFilter(&log);
    QWindow* window = form->windowHandle();
    const QPoint origin = form->PlotPanel()->mapTo(form.get(), QPoint(0, 0));
    auto move = [&](int x, int y) {
        log.Painted.clear();
        log.Rects.clear();
        QTest::mouseMove(window, origin + QPoint(x, y));
        QCoreApplication::processEvents();
    };

    move(20, 300); // left of the plot rectangle: both texts empty
    move(20, 310);
    EXPECT_TRUE(log.Painted.isEmpty()) << log.Painted.join(", ").toStdString();

    move(300, 300);
    EXPECT_EQ(form->StatusText(0), "(220, 200)");
    QStringList painted = log.Painted;
    painted.sort();
    EXPECT_EQ(painted.join(", ").toStdString(), "StatusPanel0, StatusPanel1");
    for (int i = 0; i < log.Painted.size(); ++i) {
        const QLabel* panel = bar->findChild<QLabel*>(log.Painted[i]);
        if (panel) {
            EXPECT_TRUE(panel->contentsRect().contains(log.Rects[i]))
                << "the frame is not repainted";
        }
    }

    move(300, 300); // the same place: nothing changed
    EXPECT_TRUE(log.Painted.isEmpty()) << log.Painted.join(", ").toStdString();

    move(301, 300);
    EXPECT_EQ(log.Painted.size(), 2);
    const QImage quick = form->screen()->grabWindow(form->winId()).toImage();
    for (QLabel* panel : bar->findChildren<QLabel*>())
        panel->repaint();
    QCoreApplication::processEvents();
    const QImage full = form->screen()->grabWindow(form->winId()).toImage();
    EXPECT_TRUE(quick == full) << "the readout looks as a fully repainted panel does";
}

TEST_F(MainWindow, MappingTruncatesAndRoundTrips) {
    auto form = Open();
    Read(*form, Spectrum("a.dat"));
    const TGraphLimits& limits = form->GraphLimits();
    EXPECT_EQ(form->XToPixel(limits.XMin), 80);
    EXPECT_EQ(form->XToPixel(limits.XMax), 630);
    EXPECT_EQ(form->YToPixel(limits.YMin), 500);
    EXPECT_NEAR(form->YToPixel(limits.YMax), 40, 1) << "truncation may land one pixel higher";
    for (int px = 80; px <= 630; px += 10)
        EXPECT_EQ(form->XToPixel(form->PixelToX(px) + (limits.XMax - limits.XMin) * 1e-9), px);
    for (int py = 40; py <= 500; py += 10)
        EXPECT_EQ(form->YToPixel(form->PixelToY(py) - (limits.YMax - limits.YMin) * 1e-9), py);
}

TEST_F(MainWindow, RenderedGraph) {
    auto form = Open();
    Read(*form, Spectrum("a.dat"));
    const QImage& image = form->PlotPanel()->Picture();
    const QColor blue(0, 0, 255), grey(128, 128, 128);
    // The curve passes through the pixel of the line's peak.
    const int px = form->XToPixel(form->CurrentSession().XValues()[210]),
              py = form->YToPixel(form->CurrentSession().Signal()[210]);
    bool curve = false;
    for (int dy = -1; dy <= 1; ++dy)
        curve = curve || image.pixelColor(px, py + dy) == blue;
    EXPECT_TRUE(curve);
    // Grid lines are grey, the plot area between them white, the background outside it not.
    const int gx = form->XToPixel(form->GraphLimits().XMin + form->GraphLimits().XStep);
    EXPECT_EQ(image.pixelColor(gx, 45), grey);
    EXPECT_EQ(image.pixelColor(gx + 3, 45), QColor(Qt::white));
    EXPECT_NE(image.pixelColor(40, 300), QColor(Qt::white));
}

TEST_F(MainWindow, FailuresOfACommandAreShownNotFatal) {
    auto form = Open();
    bool after = false;
    form->RunCommand([&] {
        throw std::invalid_argument("'abc' is not a valid floating point value");
        after = true;
    });
    EXPECT_FALSE(after);
    EXPECT_EQ(Dialogs.Errors, QStringList{"Kelvane: 'abc' is not a valid floating point value"});
}

TEST_F(MainWindow, FitMessagesAppearAsWarningBoxes) {
    auto form = Shown();
    form->CSpinEdit1->setText("0");
    form->miPuGenerateClick();
    EXPECT_EQ(Dialogs.Warnings,
              QStringList{"PolyFit Exception: PolyFit called with less than one term"});
}

TEST_F(MainWindow, FlatSignalGivesAFlatLine) {
    auto form = Open();
    Read(*form, Spectrum("flat.dat", [](int) { return 5.0; }));
    EXPECT_TRUE(form->IsSpectrumDrawn());
    const TGraphLimits& limits = form->GraphLimits();
    EXPECT_TRUE(std::isfinite(limits.YMin) && std::isfinite(limits.YMax));
    EXPECT_LT(limits.YMin, 5.0);
    EXPECT_GT(limits.YMax, 5.0);
    const int py = form->YToPixel(5.0);
    EXPECT_GT(py, 40);
    EXPECT_LT(py, 500);
    const QImage& image = form->PlotPanel()->Picture();
    EXPECT_EQ(image.pixelColor(300, py), QColor(0, 0, 255));
}
