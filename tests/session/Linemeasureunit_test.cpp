// The line's figures: the channels' parts, the peak, integral and noise, the edges, and the
// window's Measure line on every way the line and its baseline can be given.
#include "session/Linemeasureunit.h"

#include "numeric/Baselineunit.h"
#include "numeric/Modelspectra.h"
#include "numeric/Polyfitunit.h"
#include "numeric/Smoothunit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

// ---- Line windows and the samples fitted --------------------------------------------------

TEST(LineWindows, EdgesBelongToTheWindow) {
    const std::vector<TAxisRange> windows = {{-10.0, 10.0}, {50.0, 60.0}};
    const std::pair<double, bool> cases[] = {{-10.0, true}, {10.0, true},   {0.0, true},
                                             {10.5, false}, {-10.1, false}, {55.0, true},
                                             {60.0, true},  {49.9, false}};
    for (const auto& [x, inside] : cases)
        EXPECT_EQ(InsideWindows(x, windows), inside) << x;
}

TEST(LineWindows, ChannelUseSamplesAndWindowsAgree) {
    const std::vector<double> x = {3, 2, 1, 0, -1, -2, -3};
    const std::vector<double> signal = {5, 0, 7, 8, 9, 10, 11};
    const std::vector<TChannelUse> use = ChannelUseOfWindows(x, signal, {{-1.0, 1.0}});
    using U = TChannelUse;
    // 2 is outside but its signal of exactly 0 counts as missing.
    EXPECT_EQ(use, (std::vector<U>{U::Baseline, U::Missing, U::Line, U::Line, U::Line, U::Baseline,
                                   U::Baseline}));
    const TFitSamples s = BaselineSamples(x, signal, use);
    EXPECT_EQ(s.X, (std::vector<double>{3, -2, -3}));
    EXPECT_EQ(s.Y, (std::vector<double>{5, 10, 11}));
    // The Line channels back as windows, lower end first, on a falling axis too.
    const std::vector<TAxisRange> back = LineRanges(x, use);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].Low, -1.0);
    EXPECT_EQ(back[0].High, 1.0);
}

// ---- The line's figures --------------------------------------------------------------------

TEST(LineMeasure, PeakIntegralAndRobustRms) {
    // 20 channels 1 km/s apart from +10 down to -9 km/s; noise of five levels outside the line.
    std::vector<double> v(20), s(20);
    std::vector<TChannelUse> use(20, TChannelUse::Baseline);
    for (int i = 0; i < 20; ++i) {
        v[i] = 10.0 - i;
        s[i] = (i * 3 % 5 - 2) * 0.5;
    }
    const double line[] = {0.5, 3.5, 5.0, 3.5, 0.5}; // v = 6 .. 2
    for (int k = 0; k < 5; ++k) {
        s[4 + k] = line[k];
        use[4 + k] = TChannelUse::Line;
    }
    use[5] = TChannelUse::Missing; // the 3.5 at v = 5 takes no part
    const TLineMeasures quiet = MeasureLine(s, use, v, 120.0, 8.0);
    s[0] = 100.0; // an outlier outside moves no robust rms
    const TLineMeasures m = MeasureLine(s, use, v, 120.0, 8.0);
    ASSERT_TRUE(m.Rms && quiet.Rms && m.Peak && m.PeakVelocity && m.Integral);
    EXPECT_EQ(*m.Rms, *quiet.Rms);
    EXPECT_GT(*m.Rms, 0.0);
    EXPECT_DOUBLE_EQ(*m.Peak, 5.0);
    EXPECT_DOUBLE_EQ(*m.PeakVelocity, 4.0);
    // Channel widths are 1 km/s: the sum of the signals inside, less the missing channel.
    EXPECT_DOUBLE_EQ(*m.Integral, 0.5 + 5.0 + 3.5 + 0.5);
    EXPECT_FALSE(m.TerminalVelocity) << "longitude 120: no tangent point";
    EXPECT_NE(m.TerminalReason, "");
}

TEST(LineMeasure, ChannelWidthsFollowTheAxis) {
    // Uneven spacing: widths are half the span between neighbours, one neighbour at the ends.
    const std::vector<double> v = {0.0, 1.0, 3.0, 6.0};
    const std::vector<double> s = {2.0, 2.0, 2.0, 2.0};
    const TLineMeasures m =
        MeasureLine(s, std::vector<TChannelUse>(4, TChannelUse::Line), v, 30.0, 8.0);
    ASSERT_TRUE(m.Integral);
    EXPECT_DOUBLE_EQ(*m.Integral, 2.0 * (1.0 + 1.5 + 2.5 + 3.0));
    EXPECT_FALSE(m.Rms) << "nothing outside the line";
    EXPECT_FALSE(m.TerminalVelocity) << "no baseline, no noise to judge an edge by";
}

// The model Galaxy's line at l = 30 and 330 degrees: the summary's terminal velocity is the
// quadrant's own edge, near the model's.
TEST(LineMeasure, TheTerminalVelocityIsTheQuadrantsEdge) {
    std::mt19937 random(21421);
    std::normal_distribution<double> noise(0.0, 1.0);
    for (const double l : {30.0, 330.0}) {
        SCOPED_TRACE(l);
        const TModelLine model = ModelLine(l, 0.0); // peak 60, noise rms 1: the survey's
        std::vector<double> s = model.Line;
        std::vector<TChannelUse> use(s.size(), TChannelUse::Baseline);
        for (std::size_t i = 0; i < s.size(); ++i) {
            s[i] += noise(random);
            if (std::fabs(model.V[i]) < 150.0)
                use[i] = TChannelUse::Line;
        }
        const TLineMeasures m = MeasureLine(s, use, model.V, l, 8.0);
        ASSERT_TRUE(m.TerminalVelocity && m.TerminalUncertainty) << m.TerminalReason;
        EXPECT_EQ(m.TerminalVelocity, l < 180.0 ? m.HighestVelocity : m.LowestVelocity);
        EXPECT_NEAR(*m.TerminalVelocity, model.Truth, 3.0 * *m.TerminalUncertainty + 1.0);
    }
}

// The window's Measure line: with a band or without, before or after the subtraction, the same
// line gives the same figures; without the LSR frame or a longitude it gives no edges and says
// why; a baseline that cannot be fitted is named.
TEST(LineMeasure, ShownLineAnyWayItIsGiven) {
    std::mt19937 random(1420);
    const TModelLine model = ModelLine(30.0, 12.0);
    const std::vector<double> observed = Observed(model, 1.0, random);
    std::vector<bool> band(model.V.size());
    for (std::size_t i = 0; i < band.size(); ++i)
        band[i] = std::fabs(model.V[i]) < 150.0;
    // The subtracted signal: the band's own fit, as Subtract leaves it.
    std::vector<double> subtracted = observed;
    {
        std::vector<double> x, y, c(2);
        for (std::size_t i = 0; i < band.size(); ++i)
            if (!band[i]) {
                x.push_back(model.V[i]);
                y.push_back(observed[i]);
            }
        ASSERT_GE(FitPolynomial(x, y, c).Correlation, 0.0);
        SubtractPolynomial(subtracted, model.V, c);
    }
    const struct {
        bool Band, Subtracted, Lsr, Longitude;
        int Terms;
        const char* Expect; // in the report: the error, or the terminal velocity's reason
    } cases[] = {
        {true, false, true, true, 2, ""},
        {true, true, true, true, 2, ""},
        {false, false, true, true, 2, ""},
        {false, true, true, true, 2, ""},
        {true, false, false, true, 2, "no VLSR"},
        {false, false, true, false, 2, "no galactic longitude"},
        {true, false, true, true, 0, "PolyFit"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Band << c.Subtracted << c.Lsr << c.Longitude);
        TLineMeasureRequest request;
        request.Velocities = model.V;
        request.LsrFrame = c.Lsr;
        request.Signal = c.Subtracted ? subtracted : observed;
        if (c.Band)
            request.InBand = band;
        request.Subtracted = c.Subtracted;
        request.Terms = c.Terms;
        if (c.Longitude)
            request.Longitude = 30.0;
        const TLineMeasureReport r = MeasureShownLine(request);
        const std::vector<std::string> lines = LineMeasureLines(r);
        std::string all;
        for (const std::string& line : lines)
            all += line + "\n";
        if (c.Terms == 0) {
            EXPECT_NE(r.Error.find(c.Expect), std::string::npos) << r.Error;
            EXPECT_EQ(lines.size(), 2u);
            continue;
        }
        ASSERT_EQ(r.Error, "");
        ASSERT_TRUE(r.Line.Peak && r.Line.PeakVelocity && r.Line.Integral && r.Line.Rms);
        const auto top =
            std::max_element(model.Line.begin(), model.Line.end()) - model.Line.begin();
        EXPECT_NEAR(*r.Line.PeakVelocity, model.V[static_cast<std::size_t>(top)], 3.0);
        EXPECT_NEAR(*r.Line.Rms, 1.0, 0.15);
        EXPECT_NE(all.find("peak "), std::string::npos) << all;
        if (*c.Expect == '\0') {
            ASSERT_TRUE(r.Line.TerminalVelocity) << r.Line.TerminalReason;
            EXPECT_NEAR(*r.Line.TerminalVelocity, model.Truth,
                        3.0 * *r.Line.TerminalUncertainty + 1.0);
            EXPECT_NE(all.find("vt +"), std::string::npos) << all;
        } else {
            EXPECT_FALSE(r.Line.TerminalVelocity || r.Line.HighestVelocity ||
                         r.Line.LowestVelocity);
            EXPECT_NE(all.find(c.Expect), std::string::npos) << all;
        }
    }
}

} // namespace

// The integral's stated uncertainty against the scatter of the integrals of many noise draws,
// before and after a Hanning smoothing: smoothed channels share their noise, so the stated
// uncertainty must grow by sqrt(8/3) over what their rms alone would give (the noise of the sum
// is what it was before the smoothing).
TEST(LineMeasure, TheIntegralsUncertaintyAccountsForSmoothing) {
    const std::size_t n = 400;
    std::vector<double> v(n);
    std::vector<TChannelUse> use(n, TChannelUse::Baseline);
    for (std::size_t i = 0; i < n; ++i) {
        v[i] = (static_cast<double>(i) - 200.0) * 1.0305;
        if (i >= 150 && i < 250)
            use[i] = TChannelUse::Line;
    }
    const std::vector<double> hanning = {0.25, 0.5, 0.25};
    for (const bool smoothed : {false, true}) {
        std::mt19937 random(1420);
        std::normal_distribution<double> noise(0.0, 1.0);
        double sum = 0.0, squares = 0.0, stated = 0.0;
        const int draws = 600;
        for (int d = 0; d < draws; ++d) {
            std::vector<double> signal(n);
            for (double& s : signal)
                s = noise(random);
            if (smoothed)
                signal = SmoothSignal(signal, hanning);
            TLineMeasures m = MeasureLine(signal, use, v, 30.0, 8.0);
            AddColumnDensity(m, use, v, smoothed ? NoiseWidth(hanning) : 1.0, std::nullopt);
            ASSERT_TRUE(m.Integral && m.IntegralUncertainty);
            sum += *m.Integral;
            squares += *m.Integral * *m.Integral;
            stated += *m.IntegralUncertainty;
        }
        const double scatter = std::sqrt(squares / draws - (sum / draws) * (sum / draws));
        // 600 draws: the scatter itself is known to 3 %.
        EXPECT_NEAR(stated / draws, scatter, 0.1 * scatter) << (smoothed ? "smoothed" : "as read");
    }
}
