// Golden images of the main window's graph: the plot's picture after DrawSpectrum, pixel for
// pixel, for every display mode of every sample file in Data/, a flat spectrum and a single
// spike, and the corrected title after a subtraction. The images are drawn at device pixel
// ratio 1 with the DejaVu Sans font on the offscreen platform.
//
// All cases are drawn in turn on one window, so that each drawing follows other drawings, and
// each is drawn twice; the first case is also drawn on a new window. The baseline workflow adds
// the dashed band of a drag, the red fitted curve (also one that leaves the plot rectangle and
// is cut at its edges) and a second fit over the first.
#include "app/Plotunit.h"
#include "app/Spineditunit.h"
#include "app/Unit1.h"
#include "data/Spectrumunit.h"
#include "support/FakeDialogs.h"
#include "support/Golden.h"
#include "support/SpectrumFiles.h"
#include "support/TestSettings.h"

#include <QAction>
#include <QFontInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// The window's session, for staging a VLSR and fits that no control gives exactly.
class TForm1Stage {
public:
    static TSession& Session(TForm1& form) { return form.Session; }
};

namespace {

const char* const ModeNames[] = {"frequency", "wavelength", "velocity", "vminusvlsr"};

// A VLSR for the fourth mode: any value that moves the axis by a few labels' worth will do.
constexpr double TestVlsr = 17.25;

struct TGraphCase {
    QString Path;    // the spectrum file
    QString Name;    // stem of the golden image
    int Mode;        // display mode
    bool Subtracted; // a baseline was subtracted before the drawing
};

class GoldenGraph : public ::testing::Test {
protected:
    void SetUp() override {
        ClearTestSettings();
        SavedFont = QGuiApplication::font();
        QGuiApplication::setFont(QFont("DejaVu Sans", 9));
        ASSERT_EQ(QFontInfo(QGuiApplication::font()).family(), "DejaVu Sans")
            << "the golden images are drawn with the DejaVu fonts (fonts-dejavu-core)";
    }

    void TearDown() override { QGuiApplication::setFont(SavedFont); }

    std::unique_ptr<TForm1> Open() {
        auto form = std::make_unique<TForm1>(&Dialogs);
        EXPECT_EQ(form->PlotPanel()->Bitmap().devicePixelRatio(), 1.0);
        return form;
    }

    // Reads the case's file and draws it as the Graph menu and Subtract do.
    void Draw(TForm1& form, const TGraphCase& c) {
        form.ReadSpectrumFile(c.Path);
        TForm1Stage::Session(form).UseVlsr(TestVlsr); // as if the details had been applied
        QAction* items[] = {form.miFrequency, form.miWavelength, form.miVelocity,
                            form.miVMinusVlsr};
        form.miGraphClick(items[c.Mode]);
        ASSERT_TRUE(form.IsSpectrumDrawn());
        if (c.Subtracted) {
            // A straight line through the first and last samples: the corrected signal lies
            // about 0.
            TSession& session = TForm1Stage::Session(form);
            const std::vector<double>& x = session.XValues();
            const std::vector<double>& y = session.Signal();
            const double slope = (y.back() - y.front()) / (x.back() - x.front());
            session.UseFit({y.front() - slope * x.front(), slope}, 1.0); // offers it to Subtract
            form.DrawFittedCurve();
            form.miSubtractClick();
            ASSERT_TRUE(form.CurrentSession().Corrected());
        }
    }

    void ExpectGolden(TForm1& form, const QString& name) {
        EXPECT_TRUE(MatchesGolden(form.PlotPanel()->Picture(), name));
        EXPECT_TRUE(form.PlotPanel()->Bitmap() == form.PlotPanel()->Picture())
            << name.toStdString() << ": Show copies the bitmap to the picture";
    }

    std::vector<TGraphCase> Cases() {
        std::vector<TGraphCase> cases;
        const char* samples[] = {"cassiopeia", "G0_30.0",     "G0_60.0",
                                 "G0_120.0",   "G10.0_m90.0", "G5.30_m120.15"};
        for (const char* sample : samples)
            for (int mode = 0; mode < 4; ++mode)
                cases.push_back({QStringLiteral(KELVANE_SOURCE_DIR "/Data/%1.dat").arg(sample),
                                 QString("graph-%1-%2").arg(sample, ModeNames[mode]), mode, false});
        const QString flat = WriteSpectrumFile(Folder.path(), "flat.dat", [](int) { return 5.0; });
        // One channel far above a level baseline: the curve rises to the top of the plot.
        const QString spike = WriteSpectrumFile(Folder.path(), "spike.dat",
                                                [](int i) { return i == 123 ? 940.0 : 100.0; });
        for (int mode = 0; mode < 4; ++mode) {
            cases.push_back({flat, QString("graph-flat-%1").arg(ModeNames[mode]), mode, false});
            cases.push_back({spike, QString("graph-spike-%1").arg(ModeNames[mode]), mode, false});
        }
        cases.push_back({QStringLiteral(KELVANE_SOURCE_DIR "/Data/cassiopeia.dat"),
                         "graph-cassiopeia-velocity-corrected", 2, true});
        return cases;
    }

    QTemporaryDir Folder;
    TFakeDialogs Dialogs;
    QFont SavedFont;
};

TEST_F(GoldenGraph, EveryModeOfEverySpectrum) {
    const std::vector<TGraphCase> cases = Cases();
    auto form = Open();
    for (const TGraphCase& c : cases) {
        SCOPED_TRACE(c.Name.toStdString());
        Draw(*form, c);
        ExpectGolden(*form, c.Name);
        ASSERT_TRUE(form->DrawSpectrum());
        ExpectGolden(*form, c.Name);
    }
    auto fresh = Open();
    Draw(*fresh, cases.front());
    ExpectGolden(*fresh, cases.front().Name);
}

// The saved image holds the graph without the file-name and title lines, and RestoreImage
// brings it back.
TEST_F(GoldenGraph, SavedImageLacksTheTitles) {
    auto form = Open();
    for (const TGraphCase& c : Cases()) {
        if (c.Name != "graph-cassiopeia-frequency" && c.Name != "graph-spike-velocity")
            continue;
        SCOPED_TRACE(c.Name.toStdString());
        Draw(*form, c);
        form->PlotPanel()->RestoreImage();
        EXPECT_TRUE(MatchesGolden(form->PlotPanel()->Bitmap(), c.Name + "-saved"));
        EXPECT_TRUE(MatchesGolden(form->PlotPanel()->Picture(), c.Name))
            << "the picture keeps the titles until the next Show";
        form->PlotPanel()->Show();
        EXPECT_TRUE(MatchesGolden(form->PlotPanel()->Picture(), c.Name + "-saved"));
    }
}

// The band while it is dragged, the fitted curve after Generate, a second fit of more terms
// drawn over the same graph, and a curve that leaves the plot rectangle at the bottom and the
// top; then the graph drawn afresh is the graph again.
TEST_F(GoldenGraph, BandAndFittedCurve) {
    auto form = Open();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    TGraphCase velocity;
    for (const TGraphCase& c : Cases())
        if (c.Name == "graph-cassiopeia-velocity")
            velocity = c;
    Draw(*form, velocity);
    TPlot* plot = form->PlotPanel();
    const int left = form->XToPixel(form->CurrentSession().XValues()[150]),
              right = form->XToPixel(form->CurrentSession().XValues()[260]);
    Dialogs.PopupAnswer = "miPuGenerate";
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(left, 300));
    QTest::mouseMove(plot, QPoint((left + right) / 2, 250));
    QTest::mouseMove(plot, QPoint(right, 300));
    EXPECT_TRUE(MatchesGolden(plot->Picture(), "band-cassiopeia-velocity"));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(right, 300));
    ASSERT_EQ(Dialogs.PopupCount, 1);
    ASSERT_GT(form->CurrentSession().Correlation(), 0.0);
    EXPECT_TRUE(MatchesGolden(plot->Picture(), "fit-cassiopeia-velocity"));

    form->CSpinEdit1->setText("9");
    form->miPuGenerateClick();
    ASSERT_GT(form->CurrentSession().Correlation(), 0.0);
    EXPECT_TRUE(MatchesGolden(plot->Picture(), "fit9-cassiopeia-velocity"));

    // A cubic through the data's level at 0 km/s, below the graph at the left end and above it
    // at the right end.
    TForm1Stage::Session(*form).UseFit({1520.0, 0.0, 0.0, 1e-5}, 1.0);
    form->DrawFittedCurve();
    EXPECT_TRUE(MatchesGolden(plot->Picture(), "fit-clipped-cassiopeia-velocity"));

    ASSERT_TRUE(form->DrawSpectrum());
    EXPECT_TRUE(MatchesGolden(plot->Picture(), velocity.Name));
}

} // namespace
