// The batch command against the window: the same file taken through the same steps gives the
// same saved file, byte for byte.
#include "app/MainWindowFixture.h"
#include "batch/Batchunit.h"
#include "details/Detailsunit.h"
#include "settings/Globalunit.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <algorithm>

namespace {

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

class BatchWindow : public MainWindow {
protected:
    // Read (the details dialog opens, shows the file-name position and is accepted), choose
    // the axis, drag a band over the line, Generate, Subtract, Save as. Returns the saved
    // file's path; window holds the band as axis values.
    QString WindowSteps(TForm1& form, const QString& path, QAction* axis, TLineWindow& window) {
        Dialogs.ModalResult = QDialog::Accepted;
        Dialogs.OnModal = [](QDialog& dialog) { static_cast<TDetailsForm&>(dialog).FormShow(); };
        Read(form, path);
        axis->trigger();
        Dialogs.PopupAnswer = "miPuGenerate";
        DragOverLine(form);
        form.miSubtract->trigger();
        EXPECT_TRUE(form.CurrentSession().Corrected());

        // The samples the band left out, by their pixel columns, as one window of axis values.
        const int lo = std::min(form.BandState().BoxLeft, form.BandState().BoxRight);
        const int hi = std::max(form.BandState().BoxLeft, form.BandState().BoxRight);
        const std::vector<double>& x = form.CurrentSession().XValues();
        std::vector<bool> left(x.size());
        window = {HUGE_VAL, -HUGE_VAL};
        for (std::size_t i = 0; i < x.size(); ++i) {
            const int px = form.XToPixel(x[i]);
            left[i] = px >= lo && px <= hi;
            if (left[i]) {
                window.Low = std::min(window.Low, x[i]);
                window.High = std::max(window.High, x[i]);
            }
        }
        for (std::size_t i = 0; i < x.size(); ++i)
            EXPECT_EQ(InsideWindows(x[i], {window}), left[i]) << "channel " << i;

        const QString saved = Folder.filePath("window.txt");
        Dialogs.SaveAnswers << saved;
        form.miSaveAs->trigger();
        return saved;
    }
};

TEST_F(BatchWindow, TheSavedFileIsTheWindowsSaveAsOnEveryAxis) {
    const QString path = Spectrum("G5.30_m120.15.dat", [](int i) {
        return 1500.0 + 0.02 * i - 3e-5 * i * i +
               40.0 * std::exp(-0.5 * std::pow((i - 210) / 6.0, 2));
    });
    auto form = Open();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const std::pair<QAction*, int> axes[] = {{form->miFrequency, ModeFrequency},
                                             {form->miWavelength, ModeWavelength},
                                             {form->miVelocity, ModeVelocity},
                                             {form->miVMinusVlsr, ModeVelocityMinusVlsr}};
    for (const auto& [action, mode] : axes) {
        SCOPED_TRACE(AxisName(mode));
        TLineWindow window;
        const QByteArray saved = Contents(WindowSteps(*form, path, action, window));
        ASSERT_GT(saved.size(), 400 * 10);

        TBatchSettings settings;
        settings.Windows = {window};
        settings.Terms = static_cast<int>(form->CurrentSession().Coefficients().size());
        settings.Mode = mode;
        const TSpectrumResult batch =
            ProcessSpectrum(path.toStdString(), settings, TStationSettings::Read());
        ASSERT_TRUE(batch.Ok) << batch.Row.Error;
        EXPECT_EQ(batch.SavedText, saved.toStdString());
    }
}

TEST_F(BatchWindow, ItsPngIsTheWindowsPlotPixelForPixel) {
    const QString path = Spectrum("G0_30.0.dat", [](int i) {
        return 1500.0 + 0.02 * i + 40.0 * std::exp(-0.5 * std::pow((i - 180) / 9.0, 2)) +
               std::sin(3.0 * i);
    });
    auto form = Open();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    TLineWindow window;
    WindowSteps(*form, path, form->miVMinusVlsr, window);
    const QImage shown = form->PlotPanel()->Bitmap().convertToFormat(QImage::Format_RGB32);

    // The command as a user runs it, with the band's window on the same axis.
    const QString out = Folder.filePath("out");
    QProcess batch;
    batch.start(QStringLiteral(KELVANE_BATCH_EXE),
                {"--fit-outside=" + QString::number(window.Low, 'g', 17) + ":" +
                     QString::number(window.High, 'g', 17),
                 "--terms", QString::number(form->CurrentSession().Coefficients().size()), "--axis",
                 "vlsr", "--png", "--out", out, path});
    ASSERT_TRUE(batch.waitForFinished(60000));
    ASSERT_EQ(batch.exitCode(), 0) << batch.readAllStandardError().toStdString();
    EXPECT_EQ(Contents(out + "/G0_30.0.txt"), Contents(Folder.filePath("window.txt")));
    const QImage png = QImage(out + "/G0_30.0.png").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(png.size(), shown.size());
    int differing = 0;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x)
            differing += png.pixel(x, y) != shown.pixel(x, y) ? 1 : 0;
    EXPECT_EQ(differing, 0);
}

} // namespace
