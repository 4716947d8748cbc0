// The view's rules: which gesture a button starts, zooming about a value, the narrowest and
// widest ranges, panning, the limits of a part shown and the grid's first value.
#include "numeric/Graphmapunit.h"
#include "numeric/Zoomunit.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// The main window's plot rectangle with the given x limits.
TGraphMapping Graph(double xMin, double xMax) {
    TGraphMapping map;
    map.Limits.XMin = xMin;
    map.Limits.XMax = xMax;
    map.Limits.YMin = 0.0;
    map.Limits.YMax = 1.0;
    map.Rect = TRect(80, 40, 630, 500);
    return map;
}

} // namespace

TEST(GestureFor, ButtonsAndModifiers) {
    const struct {
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        TPlotGesture expected;
    } cases[] = {
        {Qt::LeftButton, {}, TPlotGesture::Band},
        {Qt::LeftButton, Qt::ShiftModifier, TPlotGesture::Band}, // kept for a second band
        {Qt::LeftButton, Qt::ControlModifier, TPlotGesture::Pan},
        {Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, TPlotGesture::Pan},
        {Qt::MiddleButton, {}, TPlotGesture::Pan},
        {Qt::MiddleButton, Qt::ShiftModifier, TPlotGesture::Pan},
        {Qt::RightButton, {}, TPlotGesture::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GestureFor(c.button, c.modifiers), c.expected)
            << c.button << " " << c.modifiers.toInt();
}

TEST(TGraphView, ZoomKeepsTheValueUnderThePointerInItsColumn) {
    // Mapped through the window's plot rectangle before and after: the same column shows the
    // same value (the mapping is the second method).
    const TAxisView whole{-1e6, 1e6};
    const struct {
        int column;
        double factor;
    } cases[] = {{355, 2.0}, {80, 1.25}, {630, 3.0}, {200, 1.25 * 1.25 * 1.25}, {500, 10.0}};
    for (const auto& c : cases) {
        TGraphView view;
        const TGraphMapping before = Graph(whole.Lo, whole.Hi);
        const double at = before.PixelToX(c.column);
        view.ZoomX(whole, at, c.factor, whole);
        ASSERT_TRUE(view.XZoomed());
        const TGraphMapping after = Graph(view.X().Lo, view.X().Hi);
        EXPECT_NEAR(after.PixelToX(c.column), at, 1e-6) << c.column;
        EXPECT_NEAR(view.X().Hi - view.X().Lo, 2e6 / c.factor, 1e-6) << c.column;
    }
}

TEST(TGraphView, RangesStayWithinTheWholeAndNoNarrowerThanAHundredth) {
    const TAxisView whole{0.0, 1000.0};
    const struct {
        const char* name;
        double lo, hi;
        bool zoomed;
        double expectedLo, expectedHi;
    } cases[] = {
        {"inside", 200.0, 300.0, true, 200.0, 300.0},
        {"reversed", 300.0, 200.0, true, 200.0, 300.0},
        {"too narrow: widened about its middle", 500.0, 502.0, true, 496.0, 506.0},
        {"past the left end: moved in", -50.0, 150.0, true, 0.0, 200.0},
        {"past the right end: moved in", 950.0, 1100.0, true, 850.0, 1000.0},
        {"the whole: not zoomed", -10.0, 1010.0, false, 0.0, 1000.0},
    };
    for (const auto& c : cases) {
        TGraphView view;
        view.SetX(c.lo, c.hi, whole);
        EXPECT_EQ(view.XZoomed(), c.zoomed) << c.name;
        EXPECT_DOUBLE_EQ(view.X().Lo, c.expectedLo) << c.name;
        EXPECT_DOUBLE_EQ(view.X().Hi, c.expectedHi) << c.name;
    }
    // Zooming in stops at a hundredth, the value under the pointer still in place; zooming out
    // past the whole shows the whole.
    TGraphView view;
    for (int i = 0; i < 40; ++i)
        view.ZoomX(view.XZoomed() ? view.X() : whole, 250.0, 1.25, whole);
    EXPECT_NEAR(view.X().Hi - view.X().Lo, 10.0, 1e-9);
    EXPECT_NEAR(view.X().Lo, 250.0 - 0.25 * 10.0, 1e-9);
    view.ZoomX(view.X(), 250.0, 1e-3, whole);
    EXPECT_FALSE(view.XZoomed());
}

TEST(TGraphView, PanMovesTheRangeWithinTheWhole) {
    const TAxisView whole{0.0, 1000.0};
    const struct {
        double dx;
        double expectedLo;
    } cases[] = {{50.0, 150.0}, {-50.0, 250.0}, {500.0, 0.0}, {-900.0, 700.0}};
    for (const auto& c : cases) {
        TGraphView view;
        view.SetX(200.0, 500.0, whole);
        view.Pan(view.X(), c.dx, 0.0, whole);
        EXPECT_DOUBLE_EQ(view.X().Lo, c.expectedLo) << c.dx;
        EXPECT_DOUBLE_EQ(view.X().Hi - view.X().Lo, 300.0) << c.dx;
    }
    // An unzoomed view does not move.
    TGraphView view;
    view.Pan(whole, 100.0, 5.0, whole);
    EXPECT_FALSE(view.Zoomed());
}

TEST(GetViewLimits, AZoomedRangeIsShownExactlyWithTheStepOfItsWidth) {
    // x = 0..399, signal a peak of 50 at x = 300 over 1 elsewhere.
    std::vector<double> x(400), y(400, 1.0);
    for (int i = 0; i < 400; ++i)
        x[static_cast<std::size_t>(i)] = i;
    y[300] = 50.0;
    TGraphLimits limits;
    limits.Divisions = 20;
    TGraphView view;
    view.SetX(12.5, 47.5, {0.0, 400.0});
    ASSERT_TRUE(GetViewLimits(x, y, {}, view, limits));
    EXPECT_EQ(limits.XMin, 12.5);
    EXPECT_EQ(limits.XMax, 47.5);
    // A width of 35: 20 steps of about 1 are not more than 35, 20 of about 10 are.
    EXPECT_NEAR(limits.XStep, 10.0, 1e-12);
    // The signal's limits come from the samples shown: the peak at 300 is not among them, so
    // the flat 1 gets the two steps around it, the step chosen as for a range of |v| = 1 (20
    // steps of about 0.1 are more than 1).
    EXPECT_NEAR(limits.YMin, 0.9, 1e-12);
    EXPECT_NEAR(limits.YMax, 1.1, 1e-12);
    // An overlay's samples in the range count for the signal's limits.
    const std::vector<double> other(400, 7.5);
    ASSERT_TRUE(GetViewLimits(x, y, {{&x, &other}}, view, limits));
    EXPECT_NEAR(limits.YMax, 8.0, 1e-12);
}

TEST(FirstGridValue, MultiplesInsideTheRange) {
    const struct {
        double min, step, expected;
    } cases[] = {{12.5, 10.0, 20.0},
                 {20.0, 10.0, 20.0},
                 {-12.5, 10.0, -10.0},
                 {0.30000000000000004, 0.1, 0.30000000000000004},
                 {-0.05, 0.1, 0.0}};
    for (const auto& c : cases)
        EXPECT_NEAR(FirstGridValue(c.min, c.step), c.expected, 1e-12) << c.min;
}

TEST(SameChannels, ARangeOnAnotherAxisOfTheSameChannels) {
    // Channel i at 10 i on the first axis and 500 - 2 i on the second (falling, as velocity
    // falls with frequency): 105..205 is channels 10.5..20.5, so 459..479 on the second.
    std::vector<double> from(101), to(101);
    for (int i = 0; i <= 100; ++i) {
        from[static_cast<std::size_t>(i)] = 10.0 * i;
        to[static_cast<std::size_t>(i)] = 500.0 - 2.0 * i;
    }
    const TAxisView range = SameChannels(from, to, 105.0, 205.0);
    EXPECT_NEAR(range.Lo, 459.0, 1e-12);
    EXPECT_NEAR(range.Hi, 479.0, 1e-12);
    // Beyond the ends: the end channels.
    const TAxisView wide = SameChannels(from, to, -50.0, 2000.0);
    EXPECT_NEAR(wide.Lo, 300.0, 1e-12);
    EXPECT_NEAR(wide.Hi, 500.0, 1e-12);
}
