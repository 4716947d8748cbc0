// The line window found from a spectrum of the model Galaxy: it holds the line and the fit
// outside it gives back the generator's own baseline.
#include "numeric/Linewindowunit.h"
#include "numeric/Modelspectra.h"

#include <gtest/gtest.h>

TEST(LineWindow, HoldsTheLineAndRecoversTheBaseline) {
    std::mt19937 random(11);
    const TModelLine m = ModelLine(40.0, -40.0);
    const TLineWindowResult w = FindLineWindow(m.V, Observed(m, 1.0, random), 2);
    ASSERT_TRUE(w.Error.empty()) << w.Error;
    ASSERT_EQ(w.Coefficients.size(), 2u);
    // Observed's baseline on the velocity axis: channel i = 200 + (v + vlsr - v200) / dv with
    // dv = V[1] - V[0] (negative), so slope 0.05 / dv per km/s.
    const double dv = m.V[1] - m.V[0];
    const double slope = 0.05 / dv, offset = 1500.0 - slope * m.V[200];
    EXPECT_NEAR(w.Coefficients[1], slope, 5e-4) << "per km/s: 10 x its noise, for the wings";
    EXPECT_NEAR(w.Coefficients[0], offset, 0.3);
    EXPECT_NEAR(w.Rms, 1.0, 0.15);
    bool holdsEdge = false;
    for (const TAxisRange& r : w.Windows)
        holdsEdge = holdsEdge || (r.Low <= m.Truth && m.Truth <= r.High);
    EXPECT_TRUE(holdsEdge) << "the window must hold the terminal velocity, " << m.Truth;
}
