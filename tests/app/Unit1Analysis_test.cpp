// The Analysis menu and the bands through the window, with real Qt events: drags with Shift
// that add bands, the smoothing dialog and Undo, the Gaussian components drawn and listed, and
// the station's calibration reaching Measure line.
#include "app/MainWindowFixture.h"
#include "details/Analysisformunit.h"
#include "details/Stationunit.h"
#include "numeric/Bandunit.h"
#include "plot/Graphunit.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>

namespace {

// Two Gaussian lines, at channels 120 (amplitude 30, sigma 5 channels) and 280 (20, sigma 8),
// over a small offset with a ripple that stands for noise (no channel is exactly 0, which
// would be a missing one).
double TwoLines(int i) {
    return 0.01 + 0.05 * std::sin(1.3 * i) + 30.0 * std::exp(-0.5 * std::pow((i - 120) / 5.0, 2)) +
           20.0 * std::exp(-0.5 * std::pow((i - 280) / 8.0, 2));
}

class Analysis : public MainWindow {
protected:
    void TearDown() override { ClearTestSettings(); }

    // A drag with Shift held from column from to column to.
    void ShiftDrag(TForm1& form, int from, int to, int y = 300) {
        TPlot* plot = form.PlotPanel();
        QTest::mousePress(plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(from, y));
        for (int x = from; x < to; x += 5)
            QTest::mouseMove(plot, QPoint(x, y));
        QTest::mouseMove(plot, QPoint(to, y));
        QTest::mouseRelease(plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(to, y));
    }

    // Pixels of colour in the plot's bitmap (in width columns from column left, when given).
    static int PixelsOf(TForm1& form, TColor colour, int left = 0, int width = -1) {
        const QImage image = form.PlotPanel()->Bitmap().convertToFormat(QImage::Format_RGB32);
        const QRgb wanted = ColorToQColor(colour).rgb();
        const int right = width < 0 ? image.width() : std::min(image.width(), left + width);
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = std::max(0, left); x < right; ++x)
                count += image.pixel(x, y) == wanted;
        return count;
    }

    // Black pixels of the picture shown in column x, inside the plot rectangle.
    static int BlackInColumn(TForm1& form, int x) {
        const QImage image = form.PlotPanel()->Picture().convertToFormat(QImage::Format_RGB32);
        const TRect& r = form.PlotPanel()->PlotRect();
        int count = 0;
        for (int y = r.Top + 1; y < r.Bottom; ++y)
            count += image.pixel(x, y) == qRgb(0, 0, 0);
        return count;
    }

    // The graph's second line above the plot, the title, as drawn.
    static QImage TitleLine(TForm1& form) {
        const QImage& bitmap = form.PlotPanel()->Bitmap();
        const qreal ratio = bitmap.devicePixelRatio();
        return bitmap.copy(0, qRound(18 * ratio), bitmap.width(), qRound(18 * ratio));
    }

    static QStringList MemoLines(TForm1& form) { return form.Memo->toPlainText().split('\n'); }

    // The graph on the velocity axis.
    static void Velocity(TForm1& form) { form.miVelocity->trigger(); }
};

TEST_F(Analysis, BandsDraggedWithShiftFitTheSamplesOutsideAllOfThem) {
    auto form = Shown();
    Velocity(*form);
    const std::vector<double>& x = form->CurrentSession().XValues();
    const auto px = [&](int channel) { return form->XToPixel(x[channel]); };
    // A plain drag over the line (dismissed), then one with Shift over channels 40..70 that
    // generates the fit.
    Drag(*form, px(170), px(250));
    ASSERT_EQ(form->CurrentSession().Bands().size(), 1u);
    Dialogs.PopupAnswer = "miPuGenerate";
    ShiftDrag(*form, px(40), px(70));
    const std::vector<TAxisRange> bands = form->CurrentSession().Bands();
    ASSERT_EQ(bands.size(), 2u);
    // Each band is the stretch of x between the columns dragged.
    const std::function<double(int)> toX = [&](int p) { return form->PixelToX(p); };
    const TAxisRange first = BandRange(px(170), px(250), toX),
                     second = BandRange(px(40), px(70), toX);
    EXPECT_EQ(bands[0].Low, first.Low);
    EXPECT_EQ(bands[0].High, first.High);
    EXPECT_EQ(bands[1].Low, second.Low);
    EXPECT_EQ(bands[1].High, second.High);

    // The fit is the session's own fit outside both bands, as the batch makes it.
    TSession byHand = form->CurrentSession();
    byHand.StartBands(first);
    byHand.AddBand(second);
    ASSERT_TRUE(byHand.FitOutsideBands().Error.empty());
    EXPECT_EQ(form->CurrentSession().Coefficients(), byHand.Coefficients());
    EXPECT_TRUE(form->CurrentSession().FitOffered());

    // The memo lists both bands under the coefficients; both are drawn over the curve.
    const QStringList memo = MemoLines(*form);
    ASSERT_GE(memo.size(), 2);
    for (const std::string& line : BandLines(bands))
        EXPECT_TRUE(memo.contains(QString::fromStdString(line))) << line;
    EXPECT_TRUE(form->BandsDrawn());
    // Drawn where their values are, also once the view is zoomed: a dashed black edge.
    form->ZoomStep(1.0);
    for (double edge : {bands[0].Low, bands[0].High})
        EXPECT_GT(BlackInColumn(*form, form->XToPixel(edge)), 100) << edge;

    // Measure line takes the channels inside either band as the line's: two windows.
    form->miMeasureLine->trigger();
    EXPECT_EQ(MemoLines(*form).filter(QRegularExpression("^ *window ")).size(), 2)
        << form->Memo->toPlainText().toStdString();

    // Subtract takes the fit of both; a plain drag starts afresh.
    form->miSubtract->trigger();
    EXPECT_EQ(form->CurrentSession().FittedOutside().size(), 2u);
    Dialogs.PopupAnswer.clear();
    form->miWholeSpectrum->trigger();
    Drag(*form, px(100), px(150));
    EXPECT_EQ(form->CurrentSession().Bands().size(), 1u);
    EXPECT_FALSE(form->BandsDrawn());
}

TEST_F(Analysis, SmoothingIsShownInTheTitleAndUndoBringsTheSignalBack) {
    struct Case {
        const char* name;
        std::function<void(TSmoothForm&)> choose;
        const char* described; // as numeric/Smoothunit.h names each smoothing
    };
    const Case cases[] = {
        {"Hanning", [](TSmoothForm& f) { f.rbHanning->setChecked(true); }, "Hanning"},
        {"boxcar",
         [](TSmoothForm& f) {
             f.rbBoxcar->setChecked(true);
             f.sbChannels->setValue(5);
         },
         "boxcar 5 channels"},
        {"Gaussian",
         [](TSmoothForm& f) {
             f.rbGauss->setChecked(true);
             f.edFwhm->setText("3");
         },
         "Gaussian FWHM 3 km/s"},
    };
    auto form = Shown();
    const std::vector<double> before = form->CurrentSession().Signal();
    const QImage title = TitleLine(*form);
    Dialogs.ModalResult = QDialog::Accepted;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Dialogs.OnModal = [&c](QDialog& dialog) { c.choose(static_cast<TSmoothForm&>(dialog)); };
        form->miSmooth->trigger();
        EXPECT_NE(form->CurrentSession().Signal(), before);
        EXPECT_NE(TitleLine(*form), title) << "the title line names the smoothing";
        EXPECT_EQ(form->CurrentSession().SmoothingDescription(), c.described);
        EXPECT_EQ(form->miUndoSubtract->text(), "&Undo Smooth");
        EXPECT_TRUE(form->miUndoSubtract->isEnabled());
        form->miUndoSubtract->trigger();
        EXPECT_EQ(form->CurrentSession().Signal(), before);
        EXPECT_EQ(TitleLine(*form), title);
        EXPECT_EQ(form->miUndoSubtract->text(), "&Undo Subtract");
    }
    // A width that is not a number smooths nothing and says why.
    Dialogs.OnModal = [](QDialog& dialog) {
        auto& f = static_cast<TSmoothForm&>(dialog);
        f.rbGauss->setChecked(true);
        f.edFwhm->setText("wide");
    };
    form->miSmooth->trigger();
    EXPECT_EQ(form->CurrentSession().Signal(), before);
    EXPECT_EQ(Dialogs.Messages.size(), 1);
}

TEST_F(Analysis, ComponentsAreDrawnAndListed) {
    auto form = Shown(TwoLines);
    EXPECT_FALSE(form->miFitGaussians->isEnabled()) << "the frequency axis has no widths in km/s";
    Velocity(*form);
    ASSERT_TRUE(form->miFitGaussians->isEnabled());
    EXPECT_EQ(PixelsOf(*form, GraphSumColor), 0);
    Dialogs.ModalResult = QDialog::Accepted;
    Dialogs.OnModal = [](QDialog& dialog) {
        auto& f = static_cast<TGaussForm&>(dialog);
        f.cbAutomatic->setChecked(false);
        f.sbCount->setValue(2);
    };
    form->miFitGaussians->trigger();
    ASSERT_TRUE(form->CurrentSession().Components());
    const TGaussFit& fit = *form->CurrentSession().Components();
    ASSERT_EQ(fit.Components.size(), 2u) << fit.Error;

    // Against the lines the file was made of (TwoLines): centres and widths in channels.
    const std::vector<double>& v = form->CurrentSession().MeasureVelocities();
    const double dv = std::abs(v[1] - v[0]);
    const double truthCentre[] = {v[120], v[280]}, truthFwhm[] = {2.3548 * 5 * dv, 2.3548 * 8 * dv};
    const std::size_t low = v[120] < v[280] ? 0 : 1; // the fit lists them by centre
    for (std::size_t k = 0; k < 2; ++k) {
        const TGaussComponent& g = fit.Components[k == 0 ? low : 1 - low];
        EXPECT_NEAR(g.Centre, truthCentre[k], 0.1 * dv);
        EXPECT_NEAR(g.Fwhm, truthFwhm[k], 0.1 * dv);
    }

    // Each component in its colour and their sum are drawn; the residual on request.
    EXPECT_GT(PixelsOf(*form, ComponentColor(0)), 20);
    EXPECT_GT(PixelsOf(*form, ComponentColor(1)), 20);
    EXPECT_GT(PixelsOf(*form, GraphSumColor), 20);
    EXPECT_EQ(PixelsOf(*form, GraphResidualColor), 0);
    form->miShowResidual->trigger();
    EXPECT_GT(PixelsOf(*form, GraphResidualColor), 20);
    form->miShowResidual->trigger();
    EXPECT_EQ(PixelsOf(*form, GraphResidualColor), 0);

    // The memo: a head line, then one line per component, with km/s on centre and FWHM.
    const QStringList memo = MemoLines(*form);
    const auto head = std::find_if(memo.begin(), memo.end(), [](const QString& line) {
        return line.startsWith("Gaussian components: 2");
    });
    ASSERT_NE(head, memo.end());
    ASSERT_GE(memo.end() - head, 3);
    for (int k = 1; k <= 2; ++k) {
        const QString line = *(head + k);
        EXPECT_TRUE(line.startsWith(QString("G%1 amplitude").arg(k))) << line.toStdString();
        EXPECT_EQ(line.count("km/s"), 2) << line.toStdString();
    }

    // On another axis the components stand on the same channels.
    form->miFrequency->trigger();
    const std::vector<double>& f = form->CurrentSession().XValues();
    EXPECT_GT(PixelsOf(*form, ComponentColor(low), form->XToPixel(f[120]) - 3, 7), 5);
    Velocity(*form);

    // Zoomed in, the curves follow the view.
    form->ZoomStep(3.0);
    EXPECT_GT(PixelsOf(*form, GraphSumColor), 20);
    // A change of the signal ends them.
    Dialogs.OnModal = nullptr;
    form->miSmooth->trigger();
    EXPECT_FALSE(form->CurrentSession().Components());
    EXPECT_EQ(PixelsOf(*form, GraphSumColor), 0);
}

TEST_F(Analysis, ComponentsStartFromThePointsClicked) {
    auto form = Shown(TwoLines);
    Velocity(*form);
    form->miClickGuesses->trigger();
    const std::vector<double>& x = form->CurrentSession().XValues();
    for (int channel : {280, 120})
        QTest::mouseClick(form->PlotPanel(), Qt::LeftButton, {},
                          QPoint(form->XToPixel(x[channel]), 300));
    ASSERT_EQ(form->GuessChannels().size(), 2u);
    // The nearest channel to the column clicked: within the channels one column spans.
    const double perColumn = 400.0 / (form->XToPixel(x[399]) - form->XToPixel(x[0]));
    EXPECT_NEAR(static_cast<double>(form->GuessChannels()[0]), 280.0, std::abs(perColumn) + 0.5);
    EXPECT_NEAR(static_cast<double>(form->GuessChannels()[1]), 120.0, std::abs(perColumn) + 0.5);

    Dialogs.ModalResult = QDialog::Accepted;
    Dialogs.OnModal = [](QDialog& dialog) {
        auto& f = static_cast<TGaussForm&>(dialog);
        EXPECT_FALSE(f.cbClicks->isHidden());
        EXPECT_TRUE(f.FromClicks()) << "offered, checked";
        f.sbCount->setValue(1); // not counted while the clicks are used
    };
    form->miFitGaussians->trigger();
    ASSERT_TRUE(form->CurrentSession().Components());
    const TGaussFit& fit = *form->CurrentSession().Components();
    ASSERT_EQ(fit.Components.size(), 2u) << fit.Error;
    const std::vector<double>& v = form->CurrentSession().MeasureVelocities();
    const double dv = std::abs(v[1] - v[0]);
    std::vector<double> truth = {v[120], v[280]}, centres;
    for (const TGaussComponent& g : fit.Components)
        centres.push_back(g.Centre);
    std::sort(truth.begin(), truth.end());
    for (std::size_t k = 0; k < 2; ++k)
        EXPECT_NEAR(centres[k], truth[k], 0.1 * dv); // TwoLines' centres
    EXPECT_TRUE(form->GuessChannels().empty()) << "taken by the fit";
}

TEST_F(Analysis, TheStationsCalibrationGivesTheColumnDensity) {
    {
        QSettings store("Fernhollow", "Tovrel");
        store.setValue("Calibration/KelvinPerCount", 0.5);
    }
    auto form = Shown();
    EXPECT_EQ(form->CurrentSession().KelvinPerCount(), 0.5);
    Velocity(*form);
    form->miMeasureLine->trigger();
    EXPECT_TRUE(MemoLines(*form).filter("N(HI) ").size() == 1)
        << form->Memo->toPlainText().toStdString();

    // Removed in the station dialog: the next measure says that it is missing.
    Dialogs.ModalResult = QDialog::Accepted;
    Dialogs.OnModal = [](QDialog& dialog) {
        auto& station = static_cast<TStationForm&>(dialog);
        station.edKelvinPerCount->clear();
        station.accept();
    };
    form->miStation->trigger();
    EXPECT_FALSE(form->CurrentSession().KelvinPerCount());
    form->miMeasureLine->trigger();
    EXPECT_TRUE(MemoLines(*form).filter("N(HI): ").size() == 1)
        << form->Memo->toPlainText().toStdString();
}

} // namespace
