// The window at the telescope and in the lab: measuring the line, stepping through the folder,
// following new scans and opening the manual, each through the window's own controls.
#include "app/MainWindowFixture.h"

#include "app/Spineditunit.h"
#include "numeric/Modelspectra.h"
#include "plot/Graphunit.h"
#include "settings/Formsettings.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolBar>
#include <cstdio>
#include <functional>
#include <random>

namespace {

using Lab = MainWindow;

void Click(TForm1& form, QAction* button) {
    QTest::mouseClick(form.ToolBar->widgetForAction(button), Qt::LeftButton);
}

// The number after "name " in the memo's line that starts with it.
double MemoValue(const TForm1& form, const QString& name) {
    for (const QString& line : form.Memo->toPlainText().split('\n'))
        if (line.startsWith(name + ' '))
            return line.mid(name.size() + 1).section(' ', 0, 0).toDouble();
    ADD_FAILURE() << "no line " << name.toStdString() << " in "
                  << form.Memo->toPlainText().toStdString();
    return 0.0;
}

// The model Galaxy's line at l = 30 degrees, noise 1 on a sloping baseline, in a file named for
// its position; the details applied with OK, the line marked by a band and measured.
TEST_F(Lab, MeasureLineGivesTheTerminalVelocityAndMarksIt) {
    std::mt19937 random(30);
    const TModelLine model = ModelLine(30.0, 0.0);
    const std::vector<double> signal = Observed(model, 1.0, random);
    auto form = Open();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    Dialogs.ModalResult = QDialog::Accepted;
    Read(*form, WriteSpectrumFile(Folder.path(), "G0_30.0.dat",
                                  [&](int i) { return signal[static_cast<std::size_t>(i)]; }));
    ASSERT_TRUE(form->CurrentSession().VlsrForSpectrum());

    QTest::keyClick(form.get(), Qt::Key_M, Qt::ControlModifier);
    ASSERT_EQ(Dialogs.Messages.size(), 1) << "the frequency axis has no velocities";
    EXPECT_TRUE(Dialogs.Messages[0].contains("Graph > V Minus Vlsr"));

    form->miVMinusVlsr->trigger();
    Drag(*form, form->XToPixel(-150.0), form->XToPixel(150.0)); // the pop-up dismissed
    Click(*form, form->tbMeasureLine);
    // Channel i of the model lies at Velocities[i] from the LSR; the window's axis at
    // Velocities[i] - VLSR.
    const double vlsr = form->CurrentSession().Vlsr();
    const double vt = MemoValue(*form, "vt");
    EXPECT_NEAR(vt, model.Truth - vlsr, 3.0);
    EXPECT_TRUE(form->Memo->toPlainText().contains("Line, in the band"));
    EXPECT_TRUE(form->StatusText(2).contains("terminal velocity"));
    // A thin mark down the plot at the terminal velocity.
    const QImage bitmap = form->PlotPanel()->Bitmap();
    const TRect& r = form->PlotPanel()->PlotRect();
    const int column = form->XToPixel(vt);
    int marked = 0;
    for (int y = r.Top; y <= r.Bottom; ++y)
        marked += bitmap.pixelColor(column, y) == ColorToQColor(GraphMarkColor);
    EXPECT_GT(marked, (r.Bottom - r.Top) / 2);
}

// On the velocity axis without details: the line found by itself, its peak where the line is,
// and no terminal velocity without the VLSR, which the memo says.
TEST_F(Lab, MeasureLineWithoutBandOrDetails) {
    auto form = Shown([](int i) { return Hump(i) + 0.3 * std::sin(i * 1.7); });
    form->miVelocity->trigger();
    QTest::keyClick(form->CSpinEdit1->Editor(), Qt::Key_M, Qt::ControlModifier);
    EXPECT_NEAR(MemoValue(*form, "peak"), 40.0, 1.0);
    const QString memo = form->Memo->toPlainText();
    EXPECT_TRUE(memo.contains("Line, window found")) << memo.toStdString();
    EXPECT_TRUE(
        memo.contains(QString::fromStdString("at " + std::string(Velocities[210] > 0 ? "+" : ""))))
        << memo.toStdString();
    EXPECT_TRUE(memo.contains("vt: no VLSR")) << memo.toStdString();
    EXPECT_TRUE(Dialogs.Messages.isEmpty());
    QTest::keyClick(form.get(), Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(form->Memo->toPlainText(), memo) << "a measure again replaces the last";
}

// Page Down and Page Up, and the tool buttons, read the folder's spectrum files in name order;
// a file that cannot be read is reported and stepped over; the ends say so and do not wrap.
TEST_F(Lab, NextAndPreviousFileStepThroughTheFolder) {
    for (const char* name : {"a1.dat", "a2.dat", "a11.dat"})
        Spectrum(name);
    QFile bad(Folder.filePath("a10.dat"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a spectrum\n");
    bad.close();
    Spectrum("notes.txt");
    auto form = Open();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_FALSE(form->miNextFile->isEnabled());
    Read(*form, Folder.filePath("a2.dat"));
    const auto name = [&] { return form->CurrentSession().CurrentFileName(); };
    const struct {
        QAction* Step; // its key, or its tool button's click
        bool Key;
        std::string File;
        int Messages;
        const char* Status;
    } steps[] = {
        {form->miNextFile, true, "a2.dat", 1, nullptr}, // a10.dat cannot be read
        {form->miNextFile, true, "a11.dat", 1, nullptr},
        {form->miNextFile, false, "a11.dat", 1, "This is the last file of the folder"},
        {form->miPreviousFile, false, "a11.dat", 2, nullptr},
        {form->miPreviousFile, true, "a2.dat", 2, nullptr},
        {form->miPreviousFile, true, "a1.dat", 2, nullptr},
        {form->miPreviousFile, true, "a1.dat", 2, "This is the first file of the folder"},
    };
    int modal = Dialogs.ModalCount;
    for (const auto& s : steps) {
        const std::string before = name();
        if (s.Key)
            QTest::keyClick(form->CSpinEdit1->Editor(),
                            s.Step == form->miNextFile ? Qt::Key_PageDown : Qt::Key_PageUp);
        else
            Click(*form, s.Step == form->miNextFile ? form->tbNextFile : form->tbPreviousFile);
        EXPECT_EQ(name(), s.File);
        EXPECT_EQ(Dialogs.Messages.size(), s.Messages) << s.File;
        if (s.Status) {
            EXPECT_EQ(form->StatusText(2), s.Status);
        }
        // A file read opens the details dialog as Read does.
        modal += name() != before;
        EXPECT_EQ(Dialogs.ModalCount, modal) << s.File;
    }
    EXPECT_EQ(form->CSpinEdit1->text(), "4") << "the keys never reached the spin edit";
}

// A scan written in two parts is shown once complete, never half-read, with its own details
// applied and no dialog; the choice is remembered.
TEST_F(Lab, FollowFolderShowsANewScanOnceItIsComplete) {
    auto form = Open();
    form->SetArrivalSettle(100);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->miFollowFolder->trigger();
    Dialogs.ModalResult = QDialog::Accepted;
    Read(*form, Spectrum("G0_60.0.dat"));
    const int modal = Dialogs.ModalCount;
    QTemporaryDir elsewhere;
    QFile whole(WriteSpectrumFile(elsewhere.path(), "G0_30.0.dat", Hump));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray text = whole.readAll();
    QFile scan(Folder.filePath("G0_30.0.dat"));
    ASSERT_TRUE(scan.open(QIODevice::WriteOnly));
    scan.write(text.left(text.size() / 2));
    scan.flush();
    QTest::qWait(500);
    EXPECT_EQ(form->CurrentSession().CurrentFileName(), "G0_60.0.dat") << "half a scan shown";
    scan.write(text.mid(text.size() / 2));
    scan.close();
    for (int waited = 0; waited < 5000 && form->CurrentSession().CurrentFileName() != "G0_30.0.dat";
         waited += 20)
        QTest::qWait(20);
    EXPECT_EQ(form->CurrentSession().CurrentFileName(), "G0_30.0.dat");
    EXPECT_EQ(form->StatusText(2), "New file: G0_30.0.dat");
    EXPECT_EQ(Dialogs.ModalCount, modal);
    EXPECT_TRUE(form->CurrentSession().VlsrForSpectrum());
    EXPECT_EQ(form->lblGlong->text(), "30\u00b0 0' 0\"") << "the position from its name";
    EXPECT_TRUE(Dialogs.Messages.isEmpty() && Dialogs.Errors.isEmpty());
    form->close();
    EXPECT_TRUE(TFormSettings::Read().FollowFolder);
}

// A followed folder that is renamed away is said to be gone; made again under its name, it is
// followed again, and a scan whose name is not UTF-8 is shown under its own bytes.
TEST_F(Lab, FollowFolderComesBackWithTheFolderAndShowsAnyName) {
    const auto waitFor = [](const std::function<bool()>& done) {
        for (int waited = 0; waited < 5000 && !done(); waited += 20)
            QTest::qWait(20);
        return done();
    };
    auto form = Open();
    form->SetArrivalSettle(100);
    form->miFollowFolder->trigger();
    Dialogs.ModalResult = QDialog::Accepted;
    Read(*form, Spectrum("G0_60.0.dat"));
    const QByteArray folder = QFile::encodeName(Folder.path());
    ASSERT_EQ(::rename(folder.constData(), (folder + "-moved").constData()), 0);
    EXPECT_TRUE(waitFor([&] { return form->StatusText(2).contains("is gone"); }))
        << form->StatusText(2).toStdString();

    ASSERT_TRUE(QDir().mkdir(Folder.path()));
    EXPECT_TRUE(waitFor([&] { return form->StatusText(2).contains("again"); }))
        << form->StatusText(2).toStdString();
    QTemporaryDir elsewhere;
    const QByteArray written =
        QFile::encodeName(WriteSpectrumFile(elsewhere.path(), "scan.dat", Hump));
    const std::string name = "scan-\xff\xfe.dat"; // Latin-1 bytes, no UTF-8
    ASSERT_EQ(::rename(written.constData(), (folder + '/' + name.c_str()).constData()), 0);
    EXPECT_TRUE(waitFor([&] { return form->CurrentSession().CurrentFileName() == name; }))
        << form->CurrentSession().CurrentFileName();
    EXPECT_TRUE(form->StatusText(2).startsWith("New file: scan-"));
    QDir(QFile::decodeName(folder + "-moved")).removeRecursively();
}

// An average as the first command of a run is saved, exported and measured as any spectrum.
TEST_F(Lab, AnAverageFirstIsSavedExportedAndMeasured) {
    auto form = Open();
    const auto noisy = [](int i) { return Hump(i) + 0.3 * std::sin(i * 1.7); };
    Dialogs.MultiOpenAnswers << QStringList{Spectrum("G0_120.0_a.dat", noisy),
                                            Spectrum("G0_120.0_b.dat", noisy)};
    form->findChild<QAction*>("miAverage")->trigger();
    ASSERT_EQ(form->CurrentSession().CurrentFileName(), "Average of 2 files");
    Dialogs.SaveAnswers << Folder.filePath("average.txt") << Folder.filePath("average.fits");
    form->miSaveAs->trigger();
    form->findChild<QAction*>("miExportFits")->trigger();
    EXPECT_TRUE(QFile::exists(Folder.filePath("average.txt")));
    EXPECT_TRUE(QFile::exists(Folder.filePath("average.fits")));
    form->miMeasureLine->trigger();
    EXPECT_NEAR(MemoValue(*form, "peak"), 40.0, 1.0);
    EXPECT_TRUE(form->Memo->toPlainText().contains("vt: no tangent point"));
    EXPECT_TRUE(Dialogs.Messages.isEmpty() && Dialogs.Errors.isEmpty())
        << Dialogs.Errors.join("").toStdString();
}

TEST_F(Lab, F1OpensTheManual) {
    auto form = Open();
    form->show();
    // A user presses F1 in the window once it has the keyboard; on a loaded machine that comes
    // after the window is shown.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_F1);
    ASSERT_EQ(Dialogs.OpenedUrls.size(), 1);
    QFile page(Dialogs.OpenedUrls[0].toLocalFile());
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QByteArray html = page.readAll();
    EXPECT_TRUE(html.contains("<base href=\"file://")) << "pictures found beside the README";
    EXPECT_TRUE(html.contains("kelvane-batch"));
    EXPECT_FALSE(html.contains("Tests and benchmarks")) << "the users' part of the README";
    Dialogs.OpenUrlAnswer = false;
    form->miManual->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 1);
    EXPECT_TRUE(Dialogs.Messages[0].contains(page.fileName()));
}

} // namespace
