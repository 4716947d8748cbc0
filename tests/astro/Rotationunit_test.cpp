// The tangent-point relations against cases worked by hand.
#include "astro/Rotationunit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(TangentPoint, CasesWorkedByHand) {
    struct Case {
        double l, vt, r0, v0, r, v; // degrees, km/s, kpc, km/s, kpc, km/s
    };
    // sin 30 = 1/2, sin 45 = sqrt(2)/2 = 0.70710678, sin 60 = sqrt(3)/2 = 0.86602540.
    const Case cases[] = {
        // First quadrant: V = Vt + V0 sin l.
        {30.0, 100.0, 8.5, 220.0, 4.25, 100.0 + 110.0},
        {90.0, 0.0, 8.5, 220.0, 8.5, 220.0},
        {60.0, 40.0, 8.5, 220.0, 8.5 * 0.8660254038, 40.0 + 220.0 * 0.8660254038},
        {45.0, 50.0, 8.0, 240.0, 8.0 * 0.7071067812, 50.0 + 240.0 * 0.7071067812},
        // Fourth quadrant: V = -Vt + V0 |sin l|, Vt negative.
        {330.0, -100.0, 8.5, 220.0, 4.25, 100.0 + 110.0},
        {300.0, -30.0, 8.5, 220.0, 8.5 * 0.8660254038, 30.0 + 220.0 * 0.8660254038},
        {-30.0, -100.0, 8.5, 220.0, 4.25, 210.0}, // the same line of sight as 330
        {270.0, 5.0, 8.5, 220.0, 8.5, -5.0 + 220.0},
    };
    for (const Case& c : cases) {
        const TTangentPoint p = TangentPoint(c.l, c.vt, c.r0, c.v0);
        EXPECT_NEAR(p.R, c.r, 1e-9) << "l = " << c.l;
        EXPECT_NEAR(p.V, c.v, 1e-7) << "l = " << c.l;
    }
}

TEST(TangentPoint, QuadrantsIncludeTheirEdges) {
    const std::pair<double, TTangentQuadrant> cases[] = {
        {0.0, TTangentQuadrant::First},
        {90.0, TTangentQuadrant::First},
        {90.001, TTangentQuadrant::None},
        {180.0, TTangentQuadrant::None},
        {269.999, TTangentQuadrant::None},
        {270.0, TTangentQuadrant::Fourth},
        {359.9, TTangentQuadrant::Fourth},
        {360.0, TTangentQuadrant::First},
        {-30.0, TTangentQuadrant::Fourth},
        {390.0, TTangentQuadrant::First},
        {-120.0, TTangentQuadrant::None},
        {std::numeric_limits<double>::quiet_NaN(), TTangentQuadrant::None},
    };
    for (const auto& [l, quadrant] : cases)
        EXPECT_EQ(TangentQuadrant(l), quadrant) << "l = " << l;
    const TTangentPoint outside = TangentPoint(120.0, 50.0, 8.5, 220.0);
    EXPECT_EQ(outside.R, 0.0);
    EXPECT_EQ(outside.V, 0.0);
}

// The flat curve's terminal velocity is the one whose tangent point turns at V0 (TangentPoint, an
// independent closed form checked above); outside both quadrants there is none.
TEST(FlatTerminalVelocity, GivesBackV0AtTheTangentPoint) {
    for (const double l : {0.0, 10.0, 30.0, 89.0, 271.0, 300.0, 345.0, -15.0}) {
        const double vt = FlatTerminalVelocity(l, 220.0);
        EXPECT_NEAR(TangentPoint(l, vt, 8.5, 220.0).V, 220.0, 1e-9) << "l = " << l;
        EXPECT_EQ(vt >= 0.0, TangentQuadrant(l) == TTangentQuadrant::First) << "l = " << l;
    }
    EXPECT_NEAR(FlatTerminalVelocity(30.0, 220.0), 110.0, 1e-9); // 220 (1 - 1/2)
    EXPECT_EQ(FlatTerminalVelocity(120.0, 220.0), 0.0);
    EXPECT_EQ(FlatTerminalVelocity(200.0, 220.0), 0.0);
}

} // namespace
