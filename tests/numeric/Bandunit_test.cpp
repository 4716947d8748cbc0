#include "numeric/Bandunit.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// One pointer event on the band: press, move (inside the plot or not) or release.
struct Step {
    enum Kind { Press, Move, Release } kind;
    int x = 0;
    bool left = true;   // the button (press, release)
    bool inside = true; // inside the plot rectangle (move)
};

struct Outcome {
    int drawn = 0; // moves that drew the band
    bool popup = false;
};

Outcome Drive(TBand& band, const std::vector<Step>& steps) {
    Outcome outcome;
    for (const Step& s : steps) {
        if (s.kind == Step::Press)
            band.Press(s.left, s.x);
        else if (s.kind == Step::Move)
            outcome.drawn += band.Move(s.x, s.inside) ? 1 : 0;
        else
            outcome.popup = band.Release(s.left);
    }
    return outcome;
}

} // namespace

TEST(TBand, DragInsideThePlotOpensThePopup) {
    TBand band;
    const Outcome o =
        Drive(band, {{Step::Press, 300}, {Step::Move, 320}, {Step::Move, 350}, {Step::Release}});
    EXPECT_TRUE(o.popup);
    EXPECT_EQ(o.drawn, 2);
    EXPECT_EQ(band.BoxLeft, 300);
    EXPECT_EQ(band.BoxRight, 350);
    EXPECT_EQ(band.BoxStart, 0);
    EXPECT_EQ(band.BoxEnd, 0);
    EXPECT_FALSE(band.Dragging);
}

TEST(TBand, GesturesThatOpenNoPopup) {
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"click without movement", {{Step::Press, 300}, {Step::Release}}},
        {"back to the start column",
         {{Step::Press, 300}, {Step::Move, 340}, {Step::Move, 300}, {Step::Release}}},
        {"never inside the plot",
         {{Step::Press, 20}, {Step::Move, 40, true, false}, {Step::Release}}},
        {"right button", {{Step::Press, 300, false}, {Step::Move, 340}, {Step::Release, 0, false}}},
        {"released with another button",
         {{Step::Press, 300}, {Step::Move, 340}, {Step::Release, 0, false}}},
    };
    for (const auto& c : cases) {
        TBand band;
        const Outcome o = Drive(band, c.steps);
        EXPECT_FALSE(o.popup) << c.name;
        EXPECT_FALSE(band.Dragging) << c.name;
    }
}

TEST(TBand, ABandClosedWithoutPopupIsNotOfferedLater) {
    TBand band;
    // A drag ended with the right button leaves its end column behind...
    Drive(band, {{Step::Press, 300}, {Step::Move, 340}, {Step::Release, 0, false}});
    // ...which a later click without movement must not turn into a band never drawn.
    const Outcome o = Drive(band, {{Step::Press, 200}, {Step::Release}});
    EXPECT_FALSE(o.popup);
    EXPECT_EQ(o.drawn, 0);
}

TEST(TBand, PointerOutsideKeepsTheLastInsideColumn) {
    TBand band;
    const Outcome o = Drive(
        band,
        {{Step::Press, 300}, {Step::Move, 400}, {Step::Move, 700, true, false}, {Step::Release}});
    EXPECT_TRUE(o.popup);
    EXPECT_EQ(o.drawn, 2) << "the band stays drawn while the pointer is outside";
    EXPECT_EQ(band.BoxRight, 400);
}

// A drag with Shift adds its band; a plain drag after it starts afresh.
TEST(TBand, ShiftAddsTheBandAndAPlainDragStartsAfresh) {
    TBand band;
    band.Press(true, 100, true);
    band.Move(140, true);
    ASSERT_TRUE(band.Release(true));
    EXPECT_TRUE(band.Adding);
    band.Press(true, 200);
    band.Move(240, true);
    ASSERT_TRUE(band.Release(true));
    EXPECT_FALSE(band.Adding);
}

TEST(BandRange, EitherOrderOnAnyAxis) {
    const auto pixelToX = [](int px) { return 1000.0 - 2.0 * px; }; // x falls to the right
    for (const auto& [left, right] : {std::pair{10, 60}, std::pair{60, 10}}) {
        const TAxisRange r = BandRange(left, right, pixelToX);
        EXPECT_EQ(r.Low, 880.0);
        EXPECT_EQ(r.High, 980.0);
    }
    EXPECT_EQ(BandLines({{-50.25, 48.7}, {1e6, 2.5e6}}),
              (std::vector<std::string>{"band -50.25 .. 48.7", "band 1e+06 .. 2.5e+06"}));
}
