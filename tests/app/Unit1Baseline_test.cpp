#include "app/MainWindowFixture.h"
#include "app/Plotunit.h"
#include "app/Spineditunit.h"

#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <numeric>

namespace {

class Baseline : public MainWindow {
protected:
    QStringList MemoLines(const TForm1& form) {
        return form.Memo->toPlainText().split('\n', Qt::SkipEmptyParts);
    }
    // Pixels of the fitted curve's red on the picture shown.
    static int RedPixels(const TForm1& form) {
        const QImage& picture = form.PlotPanel()->Picture();
        int count = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                count += picture.pixelColor(x, y) == QColor(Qt::red);
        return count;
    }
};

} // namespace

TEST_F(Baseline, DragGenerateSubtractUndo) {
    auto form = Shown();
    const std::vector<double> asRead = form->CurrentSession().Signal();
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    ASSERT_EQ(Dialogs.PopupCount, 1);

    // Four coefficients, a good correlation, and the red curve over the spectrum.
    EXPECT_EQ(MemoLines(*form).size(), 4);
    EXPECT_TRUE(MemoLines(*form)[0].startsWith("a0 = "));
    EXPECT_GT(form->lblCorr->text().toDouble(), 0.0);
    const QImage& picture = form->PlotPanel()->Picture();
    const int px = 150, py = form->YToPixel(EvaluatePolynomial(
                            form->CurrentSession().Coefficients(), form->PixelToX(px)));
    bool red = false;
    for (int dy = -1; dy <= 1; ++dy)
        red = red || picture.pixelColor(px, py + dy) == QColor(255, 0, 0);
    EXPECT_TRUE(red) << "the fitted curve at column 150";
    EXPECT_TRUE(form->miPolynomial->menuAction()->isEnabled());
    EXPECT_TRUE(form->miSubtract->isEnabled());
    EXPECT_FALSE(form->miUndoSubtract->isEnabled());

    // The line-free channels of the corrected spectrum average near 0; the line stays.
    form->miSubtract->trigger();
    EXPECT_EQ(form->Title(), "Frequency (corrected)  v Signal");
    const double outside = std::accumulate(form->CurrentSession().Signal().begin(),
                                           form->CurrentSession().Signal().begin() + 150, 0.0) /
                           150.0;
    EXPECT_NEAR(outside, 0.0, 0.05);
    EXPECT_NEAR(form->CurrentSession().Signal()[210], 40.0, 0.5);
    EXPECT_TRUE(form->miUndoSubtract->isEnabled());

    // Twice subtracted, undone one step at a time back to the spectrum as read.
    const std::vector<double> once = form->CurrentSession().Signal();
    form->miSubtract->trigger();
    EXPECT_EQ(form->Title(), "Frequency (corrected)  v Signal");
    form->miUndoSubtract->trigger();
    EXPECT_EQ(form->CurrentSession().Signal(), once);
    EXPECT_EQ(form->Title(), "Frequency (corrected)  v Signal");
    form->miUndoSubtract->trigger();
    EXPECT_EQ(form->CurrentSession().Signal(), asRead);
    EXPECT_EQ(form->Title(), "Frequency v Signal");
    EXPECT_FALSE(form->CurrentSession().Corrected());
    EXPECT_FALSE(form->miUndoSubtract->isEnabled());
}

TEST_F(Baseline, SubtractionMarksTheTitleUntilTheNextRead) {
    auto form = Shown([](int i) { return i == 7 ? 0.0 : Hump(i); });
    const QString path = Spectrum("line.dat", [](int i) { return i == 7 ? 0.0 : Hump(i); });
    const std::vector<double> asRead = form->CurrentSession().Signal();
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    form->miSubtract->trigger();
    EXPECT_EQ(form->Title(), "Frequency (corrected)  v Signal");
    EXPECT_DOUBLE_EQ(form->CurrentSession().Signal()[0],
                     asRead[0] - EvaluatePolynomial(form->CurrentSession().Coefficients(),
                                                    form->CurrentSession().XValues()[0]));
    EXPECT_EQ(form->CurrentSession().Signal()[7], 0.0) << "a missing sample stays missing";
    form->miSubtract->trigger();
    EXPECT_NEAR(form->CurrentSession().Signal()[0],
                asRead[0] - 2 * EvaluatePolynomial(form->CurrentSession().Coefficients(),
                                                   form->CurrentSession().XValues()[0]),
                1e-9)
        << "subtracted twice";
    EXPECT_EQ(form->Title(), "Frequency (corrected)  v Signal");
    form->miVelocity->trigger();
    EXPECT_EQ(form->Title(), "Velocity (corrected)  v Signal");

    // A failed read keeps the corrected spectrum and its title; a good one starts afresh.
    Read(*form, Folder.filePath("missing.dat"));
    EXPECT_TRUE(form->CurrentSession().Corrected());
    Read(*form, path);
    EXPECT_FALSE(form->CurrentSession().Corrected());
    EXPECT_EQ(form->Title(), "Velocity v Signal");
    EXPECT_EQ(form->CurrentSession().Signal(), asRead);
}

TEST_F(Baseline, RightToLeftSelectsTheSameSamples) {
    auto form = Shown();
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    const std::vector<double> leftToRight = form->CurrentSession().Coefficients();
    DragOverLine(*form, true);
    EXPECT_EQ(form->CurrentSession().Coefficients(), leftToRight);
    EXPECT_EQ(Dialogs.PopupCount, 2);
}

TEST_F(Baseline, GesturesThatOpenNoPopup) {
    auto form = Shown();
    Dialogs.PopupAnswer = "miPuGenerate";
    TPlot* plot = form->PlotPanel();
    // A click without movement.
    QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(300, 300));
    // A drag whose pointer never enters the plot rectangle (below it, over the labels).
    Drag(*form, 100, 400, Qt::LeftButton, 560);
    // The right button.
    Drag(*form, 200, 400, Qt::RightButton);
    // Released with another button after a left drag.
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(200, 300));
    QTest::mouseMove(plot, QPoint(260, 300));
    QTest::mouseRelease(plot, Qt::RightButton, {}, QPoint(260, 300));
    EXPECT_FALSE(form->BandState().Dragging);
    // ...and a click afterwards does not offer that band either.
    QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(350, 300));
    EXPECT_EQ(Dialogs.PopupCount, 0);
    EXPECT_EQ(form->lblCorr->text(), "  ----   ");
}

TEST_F(Baseline, BandIsDashedAndCancelWipesIt) {
    auto form = Shown();
    const QImage before = form->PlotPanel()->Picture().copy();
    TPlot* plot = form->PlotPanel();
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(200, 300));
    QTest::mouseMove(plot, QPoint(300, 300));
    // The outline spans the plot rectangle's height at both edges, dashed: black and not black
    // pixels alternate down the edge.
    const QImage& band = plot->Picture();
    int black = 0, other = 0;
    for (int y = 41; y < 500; ++y)
        (band.pixelColor(200, y) == QColor(Qt::black) ? black : other) += 1;
    EXPECT_GT(black, 100);
    EXPECT_GT(other, 100);
    EXPECT_EQ(band.pixelColor(250, 40), QColor(Qt::black)) << "top edge";
    EXPECT_EQ(band.pixelColor(300, 42).rgb() == QColor(Qt::black).rgb() ||
                  band.pixelColor(300, 46).rgb() == QColor(Qt::black).rgb(),
              true)
        << "right edge";
    EXPECT_EQ(form->PlotPanel()->Bitmap(), before) << "the band lives on the picture only";

    Dialogs.PopupAnswer = "miPuCancel";
    QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_EQ(Dialogs.PopupCount, 1);
    EXPECT_EQ(plot->Picture(), before) << "Cancel leaves the graph as it was";
    EXPECT_TRUE(MemoLines(*form).isEmpty());
}

TEST_F(Baseline, DismissedPopupLeavesTheBandUntilTheNextShow) {
    auto form = Shown();
    const QImage before = form->PlotPanel()->Picture().copy();
    Drag(*form, 200, 300); // no answer: dismissed
    EXPECT_EQ(Dialogs.PopupCount, 1);
    EXPECT_NE(form->PlotPanel()->Picture(), before);
    EXPECT_TRUE(MemoLines(*form).isEmpty());
}

TEST_F(Baseline, ZeroSamplesAreNeitherFittedNorChanged) {
    // A baseline 1 + channel/100 with missing samples that would spoil any fit that used them.
    auto form = Shown([](int i) { return i % 10 == 3 ? 0.0 : 1.0 + i / 100.0; });
    form->CSpinEdit1->setText("2");
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    EXPECT_NEAR(form->lblCorr->text().toDouble(), 1.0, 1e-9) << "a straight line fits exactly";
    form->miSubtract->trigger();
    for (int i = 0; i < 400; ++i) {
        if (i % 10 == 3)
            EXPECT_EQ(form->CurrentSession().Signal()[i], 0.0) << i;
        else
            EXPECT_NEAR(form->CurrentSession().Signal()[i], 0.0, 1e-4)
                << i; // x in Hz up to 1e6: rounding of the fit
    }
}

TEST_F(Baseline, GenerateBeforeAnyRead) {
    auto form = Open();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QImage before = form->PlotPanel()->Picture().copy();
    Dialogs.PopupAnswer = "miPuGenerate";
    Drag(*form, 200, 300);
    EXPECT_EQ(Dialogs.Warnings.size(), 1) << "the fit reports its own failure";
    EXPECT_EQ(MemoLines(*form), QStringList{"Error calculating polynomial"});
    EXPECT_EQ(form->lblCorr->text(), "-1");
    EXPECT_EQ(form->PlotPanel()->Bitmap(), before) << "nothing drawn";
    EXPECT_TRUE(form->miPolynomial->menuAction()->isEnabled());
    EXPECT_FALSE(form->miSubtract->isEnabled()) << "no coefficients to subtract";
}

TEST_F(Baseline, AFailedFitIsNotOfferedToSubtract) {
    auto form = Shown();
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    ASSERT_TRUE(form->miSubtract->isEnabled());
    ASSERT_GT(RedPixels(*form), 500) << "the fitted curve is shown";
    const std::vector<double> signal = form->CurrentSession().Signal();
    // Twelve terms from two samples cannot be fitted; the old coefficients stay in the vector.
    form->CSpinEdit1->setText("12");
    Drag(*form, 81, 629);
    EXPECT_EQ(form->lblCorr->text(), "-1");
    EXPECT_EQ(RedPixels(*form), 0) << "no curve that the memo does not list";
    EXPECT_FALSE(form->miSubtract->isEnabled());
    form->miSubtractClick(); // even when called directly
    EXPECT_EQ(form->CurrentSession().Signal(), signal);
    EXPECT_FALSE(form->CurrentSession().Corrected());
}

TEST_F(Baseline, ANewAxisOrReadDropsTheFitAndTheHistory) {
    auto form = Shown();
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    form->miSubtract->trigger();
    form->miVelocity->trigger();
    EXPECT_FALSE(form->miPolynomial->menuAction()->isEnabled());
    EXPECT_FALSE(form->miSubtract->isEnabled());
    EXPECT_TRUE(form->miUndoSubtract->isEnabled()) << "undo is still possible by Ctrl+Z";
    Read(*form, Spectrum("other.dat"));
    EXPECT_FALSE(form->miUndoSubtract->isEnabled());
}

TEST_F(Baseline, CtrlZReachesUndoFromTheSpinEdit) {
    auto form = Shown();
    const std::vector<double> asRead = form->CurrentSession().Signal();
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    form->miSubtract->trigger();
    form->activateWindow();
    form->CSpinEdit1->setFocus();
    QTest::keyClick(form->CSpinEdit1->Editor(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form->CurrentSession().Signal(), asRead);
    EXPECT_EQ(form->CSpinEdit1->text(), "4") << "the spin edit's text is untouched";
}

TEST_F(Baseline, SpinEditTextGivesTheNumberOfTerms) {
    auto form = Open();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    TSpinEdit* spin = form->CSpinEdit1;
    QLineEdit* editor = spin->Editor();
    // Typing "12" over the selected text resizes to 1 and then to 12.
    editor->selectAll();
    QTest::keyClicks(editor, "12");
    EXPECT_EQ(form->CurrentSession().Coefficients().size(), 12u);
    EXPECT_EQ(spin->text(), "12");
    // A text that is not an integer reads as 0 and becomes "0".
    editor->selectAll();
    QTest::keyClicks(editor, "x");
    EXPECT_EQ(spin->text(), "0");
    EXPECT_EQ(form->CurrentSession().Coefficients().size(), 0u);
    // A negative number fits no terms.
    spin->setText("-3");
    EXPECT_EQ(form->CurrentSession().Coefficients().size(), 0u);
    // The spin buttons keep 0..9.
    spin->setText("8");
    spin->stepBy(1);
    spin->stepBy(1);
    EXPECT_EQ(spin->text(), "9");
    spin->setText("0");
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(spin->text(), "0");
    QTest::keyClick(editor, Qt::Key_Up);
    EXPECT_EQ(spin->text(), "1");
    EXPECT_EQ(form->CurrentSession().Coefficients().size(), 1u);
}
