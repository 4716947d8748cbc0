// The graph as a user works with it: the window enlarged, the wheel, drags that pan, the View
// menu's zoom items and the keys, driven by real Qt events on the real window.
#include "app/MainWindowFixture.h"
#include "plot/Canvasunit.h"
#include "plot/Graphunit.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QWheelEvent>

namespace {

// One turn of the wheel by steps notches at pixel (x, y) of the plot, with modifiers.
void Wheel(TPlot* plot, int x, int y, int steps, Qt::KeyboardModifiers modifiers = {}) {
    const QPointF at(x, y);
    QWheelEvent event(at, plot->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &event);
}

// Whether the column px of image holds a pixel of color within rows top..bottom.
bool ColumnHolds(const QImage& image, int px, int top, int bottom, QColor color) {
    for (int y = top; y <= bottom; ++y)
        if (image.pixelColor(px, y) == color)
            return true;
    return false;
}

class GraphView : public MainWindow {};

} // namespace

TEST_F(GraphView, TheDescribedSizeIsTheSmallestAndALargerWindowDrawsAFreshGraph) {
    auto form = Shown();
    EXPECT_EQ(form->minimumSize(), form->size());
    EXPECT_EQ(form->pnlPlot->size(), QSize(640, 600));
    const QSize grown = form->size() + QSize(400, 250);
    form->resize(grown);
    QApplication::processEvents();
    ASSERT_EQ(form->size(), grown);
    // The plot takes all the room; the side panel and the status panels keep their widths.
    EXPECT_EQ(form->pnlPlot->size(), QSize(1040, 850));
    EXPECT_EQ(form->pnlCoeff->width(), 198);
    TPlot* plot = form->PlotPanel();
    EXPECT_EQ(QSize(plot->Width(), plot->Height()), QSize(1040, 850));
    const TRect r = plot->PlotRect();
    EXPECT_EQ(std::vector<int>({r.Left, r.Top, r.Right, r.Bottom}),
              std::vector<int>({80, 40, 1030, 750}));
    // Crisp: the same graph drawn directly on a canvas of the new size, not the small picture
    // enlarged (which would have two-pixel lines and blurred labels).
    TPlotCanvas fresh(1040, 850, TRect(0, 0, 1040, 850));
    SetUpGraphPlot(fresh);
    TGraphLimits limits;
    limits.Divisions = GraphDivisions;
    std::string title;
    ASSERT_TRUE(DrawGraph(fresh, form->GraphInputs(), limits, title));
    EXPECT_TRUE(plot->Bitmap() == fresh.Bitmap());
    // The pointer readout and the mapping follow the new rectangle.
    QTest::mouseMove(plot, QPoint(r.Left, r.Bottom));
    EXPECT_EQ(form->StatusText(0), "(0, 0)");
}

TEST_F(GraphView, TheWheelZoomsAboutThePointer) {
    auto form = Shown();
    TPlot* plot = form->PlotPanel();
    const std::vector<double>& x = form->CurrentSession().XValues();
    const std::vector<double>& y = form->CurrentSession().Signal();
    const struct {
        const char* name;
        int px, py, steps;
        Qt::KeyboardModifiers modifiers;
    } cases[] = {{"in on the line", 370, 300, 3, {}},
                 {"in near the left edge", 100, 200, 2, {}},
                 {"in, then out a little", 500, 300, -1, {}},
                 {"the signal axis", 300, 250, 2, Qt::ControlModifier}};
    for (const auto& c : cases) {
        const double xBefore = form->PixelToX(c.px), yBefore = form->PixelToY(c.py);
        Wheel(plot, c.px, c.py, c.steps, c.modifiers);
        // The value under the pointer stays under it.
        EXPECT_NEAR(form->PixelToX(c.px), xBefore, 1e-9 * std::fabs(x.back() - x.front()))
            << c.name;
        if (c.modifiers & Qt::ControlModifier) {
            EXPECT_NEAR(form->PixelToY(c.py), yBefore, 1e-9 * 100.0) << c.name;
        }
    }
    EXPECT_TRUE(form->View().XZoomed());
    EXPECT_TRUE(form->View().YZoomed());
    // The curve is drawn where the mapping puts each sample shown.
    const QImage bitmap = plot->Bitmap();
    const TRect r = plot->PlotRect();
    int checked = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const int px = form->XToPixel(x[i]), py = form->YToPixel(y[i]);
        if (px <= r.Left || px >= r.Right || py <= r.Top || py >= r.Bottom)
            continue;
        EXPECT_TRUE(ColumnHolds(bitmap, px, py - 1, py + 1, QColor(0, 0, 255))) << i;
        ++checked;
    }
    EXPECT_GT(checked, 10);
    // Home shows the whole spectrum again.
    QTest::keyClick(form.get(), Qt::Key_Home);
    EXPECT_FALSE(form->View().Zoomed());
    TGraphLimits whole;
    whole.Divisions = GraphDivisions;
    ASSERT_TRUE(GetGraphLimits(x, y, whole));
    EXPECT_EQ(form->GraphLimits().XMin, whole.XMin);
    EXPECT_EQ(form->GraphLimits().YMax, whole.YMax);
}

// After each notch, in or out, on either axis, the plot's picture and what the screen shows of
// it are the graph drawn for the new view on a new canvas: nothing of the view before stays,
// and nothing is enlarged from it.
TEST_F(GraphView, EachWheelStepShowsAFreshDrawingOfItsView) {
    auto form = Shown();
    TPlot* plot = form->PlotPanel();
    QApplication::processEvents();
    const struct {
        int px, py, steps;
        Qt::KeyboardModifiers modifiers;
    } notches[] = {{360, 300, 1, {}},
                   {360, 300, -1, {}},
                   {200, 250, 2, {}},
                   {500, 300, 1, {}},
                   {300, 250, 1, Qt::ControlModifier},
                   {450, 400, -3, {}},
                   {150, 300, -1, Qt::ControlModifier}};
    for (std::size_t i = 0; i < std::size(notches); ++i) {
        const auto& n = notches[i];
        Wheel(plot, n.px, n.py, n.steps, n.modifiers);
        QApplication::processEvents();
        TPlotCanvas fresh(plot->Width(), plot->Height(), TRect(0, 0, 1, 1));
        SetUpGraphPlot(fresh);
        TGraphLimits limits;
        limits.Divisions = GraphDivisions;
        std::string title;
        ASSERT_TRUE(DrawGraph(fresh, form->GraphInputs(), limits, title)) << i;
        EXPECT_TRUE(plot->Picture() == fresh.Bitmap()) << i;
        const QPoint at = plot->mapTo(form.get(), QPoint(0, 0));
        const QImage screen =
            form->screen()
                ->grabWindow(form->winId(), at.x(), at.y(), plot->width(), plot->height())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        EXPECT_TRUE(screen == fresh.Bitmap()) << i;
    }
}

TEST_F(GraphView, ABandDraggedZoomedFitsTheSamplesOfTheSameRangeUnzoomed) {
    // Fitted on a whole graph, then on one zoomed in on the line, with the band's edges at the
    // same x values: the same samples are outside the band, so the fits agree.
    auto whole = Shown();
    auto zoomed = Shown();
    Wheel(zoomed->PlotPanel(), 360, 300, 2);
    ASSERT_TRUE(zoomed->View().XZoomed());
    const std::vector<double>& x = whole->CurrentSession().XValues();
    // Edge columns of the whole graph on which no sample lies, in both graphs, so that
    // truncation to pixels cannot put a sample on different sides of an edge.
    const auto freeColumn = [&](int from, int step) {
        for (int c = from;; c += step) {
            bool free = true;
            const int z = zoomed->XToPixel(whole->PixelToX(c));
            for (double v : x)
                free = free && whole->XToPixel(v) != c && zoomed->XToPixel(v) != z &&
                       (v < whole->PixelToX(c)) == (zoomed->XToPixel(v) < z);
            if (free)
                return c;
        }
    };
    const int left = freeColumn(whole->XToPixel(x[185]), 1);
    const int right = freeColumn(whole->XToPixel(x[235]), -1);
    const int zLeft = zoomed->XToPixel(whole->PixelToX(left));
    const int zRight = zoomed->XToPixel(whole->PixelToX(right));
    ASSERT_GT(zLeft, zoomed->PlotPanel()->PlotRect().Left);
    ASSERT_LT(zRight, zoomed->PlotPanel()->PlotRect().Right);
    Dialogs.PopupAnswer = "miPuGenerate";
    Drag(*whole, left, right);
    Drag(*zoomed, zLeft, zRight);
    ASSERT_EQ(Dialogs.PopupCount, 2);
    const std::vector<double>& a = whole->CurrentSession().Coefficients();
    const std::vector<double>& b = zoomed->CurrentSession().Coefficients();
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_NEAR(a[i], b[i], 1e-9 * std::fabs(a[i]) + 1e-12) << i;
    // The view may change between the fit and the subtraction: the FITS history names the
    // band the fit left out, not what its columns show afterwards.
    const double fitLeft = zoomed->PixelToX(zLeft), fitRight = zoomed->PixelToX(zRight);
    Wheel(zoomed->PlotPanel(), 300, 300, -1);
    zoomed->miSubtract->trigger();
    ASSERT_EQ(zoomed->CurrentSession().FittedOutside().size(), 1u);
    EXPECT_EQ(zoomed->CurrentSession().FittedOutside()[0].Low, fitLeft);
    EXPECT_EQ(zoomed->CurrentSession().FittedOutside()[0].High, fitRight);
    Wheel(zoomed->PlotPanel(), 360, 300, 1);
    // Zoom to band shows the band's values across the plot.
    const double bandLeft = zoomed->PixelToX(zoomed->BandState().BoxLeft);
    const double bandRight = zoomed->PixelToX(zoomed->BandState().BoxRight);
    zoomed->miZoomToBand->trigger();
    EXPECT_DOUBLE_EQ(zoomed->GraphLimits().XMin, bandLeft);
    EXPECT_DOUBLE_EQ(zoomed->GraphLimits().XMax, bandRight);
}

TEST_F(GraphView, TheMiddleButtonAndCtrlDragPanShiftDragStillDrawsABand) {
    const struct {
        const char* name;
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        bool pans;
    } cases[] = {{"middle button", Qt::MiddleButton, {}, true},
                 {"Ctrl and left button", Qt::LeftButton, Qt::ControlModifier, true},
                 {"Shift and left button: a band", Qt::LeftButton, Qt::ShiftModifier, false},
                 {"left button: a band", Qt::LeftButton, {}, false}};
    for (const auto& c : cases) {
        auto form = Shown();
        form->miZoomIn->trigger();
        form->miZoomIn->trigger();
        ASSERT_TRUE(form->View().XZoomed()) << c.name;
        const double lo = form->GraphLimits().XMin, hi = form->GraphLimits().XMax;
        const double grabbed = form->PixelToX(300);
        const int popups = Dialogs.PopupCount;
        TPlot* plot = form->PlotPanel();
        QTest::mousePress(plot, c.button, c.modifiers, QPoint(300, 300));
        for (int px = 305; px <= 400; px += 5)
            QTest::mouseMove(plot, QPoint(px, 300));
        QTest::mouseRelease(plot, c.button, c.modifiers, QPoint(400, 300));
        if (c.pans) {
            // The value grabbed went with the pointer.
            EXPECT_NEAR(form->PixelToX(400), grabbed, 1e-6 * (hi - lo)) << c.name;
            EXPECT_EQ(Dialogs.PopupCount, popups) << c.name;
        } else {
            EXPECT_EQ(form->GraphLimits().XMin, lo) << c.name;
            EXPECT_EQ(Dialogs.PopupCount, popups + 1) << c.name;
        }
    }
}

TEST_F(GraphView, KeepZoomKeepsThePartShownAcrossReadsAndAxes) {
    auto form = Shown();
    form->miZoomIn->trigger();
    const double lo = form->GraphLimits().XMin, hi = form->GraphLimits().XMax;
    // Unchecked: another file shows the whole spectrum.
    Read(*form, Spectrum("other.dat"));
    EXPECT_FALSE(form->View().Zoomed());
    form->miKeepZoom->trigger();
    form->miZoomIn->trigger();
    EXPECT_DOUBLE_EQ(form->GraphLimits().XMin, lo);
    Read(*form, Spectrum("third.dat"));
    EXPECT_DOUBLE_EQ(form->GraphLimits().XMin, lo);
    EXPECT_DOUBLE_EQ(form->GraphLimits().XMax, hi);
    // Another axis shows the same channels: on the velocity axis, which falls as the frequency
    // rises, the frequency range's ends are the velocity range's ends in reverse.
    const std::vector<double> frequency = form->CurrentSession().XValues();
    form->miVelocity->trigger();
    const std::vector<double>& velocity = form->CurrentSession().XValues();
    const auto velocityAt = [&](double f) {
        // Linear between the two channels around f (an independent walk over the channels).
        for (std::size_t i = 0; i + 1 < frequency.size(); ++i)
            if (frequency[i] <= f && f <= frequency[i + 1])
                return velocity[i] + (f - frequency[i]) / (frequency[i + 1] - frequency[i]) *
                                         (velocity[i + 1] - velocity[i]);
        return 0.0;
    };
    EXPECT_NEAR(form->GraphLimits().XMin, velocityAt(hi), 1e-9);
    EXPECT_NEAR(form->GraphLimits().XMax, velocityAt(lo), 1e-9);
}

TEST_F(GraphView, PlusMinusAndHomeReachTheViewFromTheStart) {
    auto form = Shown();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    const double width = form->GraphLimits().XMax - form->GraphLimits().XMin;
    QTest::keyClick(focus, Qt::Key_Plus);
    ASSERT_TRUE(form->View().XZoomed());
    EXPECT_LT(form->GraphLimits().XMax - form->GraphLimits().XMin, width);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Plus);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Minus);
    EXPECT_TRUE(form->View().XZoomed());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
    EXPECT_FALSE(form->View().Zoomed());
}

TEST_F(GraphView, TheMeasuredLinesMarksFollowTheSizeAndTheView) {
    auto form = Shown();
    form->miVelocity->trigger();
    DragOverLine(*form); // the pop-up dismissed: the band marks the line
    form->miMeasureLine->trigger();
    TPlot* plot = form->PlotPanel();
    const QColor green = ColorToQColor(GraphMarkColor);
    // The peak's mark: a green line down the plot at the peak's column (channel 210's velocity).
    const double peak = form->CurrentSession().XValues()[210];
    const auto markAt = [&](double v) {
        const TRect r = plot->PlotRect();
        const int px = form->XToPixel(v);
        int found = 0;
        for (int dx = -2; dx <= 2; ++dx)
            found += ColumnHolds(plot->Bitmap(), px + dx, (r.Top + r.Bottom) / 2,
                                 (r.Top + r.Bottom) / 2, green)
                         ? 1
                         : 0;
        return found > 0;
    };
    ASSERT_TRUE(markAt(peak)) << form->StatusText(2).toStdString();
    form->resize(form->size() + QSize(300, 100));
    QApplication::processEvents();
    EXPECT_TRUE(markAt(peak)) << "after the window grew";
    Wheel(plot, form->XToPixel(peak) + 40, 300, 2);
    EXPECT_TRUE(markAt(peak)) << "after a zoom";
    // A new drawing of the graph takes them away, as before.
    form->miVelocity->trigger();
    EXPECT_FALSE(markAt(peak));
}
