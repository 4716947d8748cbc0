// The Gaussian decomposition on spectra made here of known components and white noise, with
// fixed seeds. The expected values are the truth the spectra were made from; the stated
// uncertainties are judged by how often the truth lies within them (a calibrated 1 sigma holds
// it 68 % of the time, 2 sigma 95 %).
#include "numeric/Gaussfitunit.h"
#include "numeric/Smoothunit.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

constexpr double Width = 1.0305; // km/s per channel, as the 5 kHz channels at 1420 MHz

std::vector<double> Axis() {
    std::vector<double> x(400);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = (static_cast<double>(i) - 200.0) * Width;
    return x;
}

std::vector<double> Spectrum(const std::vector<double>& x,
                             const std::vector<TGaussComponent>& truth, double noise,
                             std::mt19937& random) {
    std::normal_distribution<double> draw(0.0, noise);
    std::vector<double> y = GaussianSum(truth, x);
    for (double& v : y)
        v += draw(random);
    return y;
}

// Four well-separated components (80 km/s apart, at least three FWHM); the first k are used,
// the strongest at amplitude snr (noise 1).
std::vector<TGaussComponent> Layout(int k, double snr) {
    const double centres[] = {-120.0, -40.0, 40.0, 120.0};
    const double widths[] = {12.0, 20.0, 15.0, 25.0};
    const double heights[] = {1.0, 0.7, 0.85, 0.6};
    std::vector<TGaussComponent> truth;
    for (int c = 0; c < k; ++c) {
        TGaussComponent g;
        g.Amplitude = heights[c] * snr;
        g.Centre = centres[c];
        g.Fwhm = widths[c];
        truth.push_back(g);
    }
    std::sort(truth.begin(), truth.end(), [](const TGaussComponent& a, const TGaussComponent& b) {
        return a.Centre < b.Centre;
    });
    return truth;
}

struct TTally {
    int Within1 = 0, Within2 = 0, Count = 0;
    void Add(double fitted, double sigma, double truth) {
        const double off = std::fabs(fitted - truth);
        Within1 += off <= sigma;
        Within2 += off <= 2.0 * sigma;
        ++Count;
    }
    double One() const { return static_cast<double>(Within1) / Count; }
    double Two() const { return static_cast<double>(Within2) / Count; }
};

TEST(FitGaussians, WellSeparatedComponentsAreFoundWithCalibratedUncertainties) {
    const std::vector<double> x = Axis();
    std::mt19937 random(1420405);
    TTally amplitude, centre, fwhm;
    int missed = 0;
    for (int k = 1; k <= 4; ++k)
        for (double snr : {5.0, 10.0, 30.0, 100.0})
            for (int draw = 0; draw < 30; ++draw) {
                const std::vector<TGaussComponent> truth = Layout(k, snr);
                const TGaussFit fit = FitGaussianCount(x, Spectrum(x, truth, 1.0, random), k);
                if (fit.Components.size() != truth.size()) {
                    ++missed;
                    continue;
                }
                for (std::size_t c = 0; c < truth.size(); ++c) {
                    const TGaussComponent& g = fit.Components[c];
                    amplitude.Add(g.Amplitude, g.AmplitudeError, truth[c].Amplitude);
                    centre.Add(g.Centre, g.CentreError, truth[c].Centre);
                    fwhm.Add(g.Fwhm, g.FwhmError, truth[c].Fwhm);
                }
            }
    EXPECT_EQ(missed, 0);
    for (const auto& [name, t] : {std::pair{"amplitude", amplitude}, std::pair{"centre", centre},
                                  std::pair{"FWHM", fwhm}}) {
        EXPECT_GE(t.Two(), 0.90) << name << ": within 2 sigma " << t.Within2 << " of " << t.Count;
        EXPECT_GE(t.One(), 0.60) << name << ": within 1 sigma " << t.Within1 << " of " << t.Count;
        EXPECT_LE(t.One(), 0.80) << name << ": within 1 sigma " << t.Within1 << " of " << t.Count;
    }
}

// A smoothed spectrum's channels share their noise: counted as independent, noise alone would
// seem to hold components (the information criterion rewards fitting correlated wiggles; some
// three a spectrum after a boxcar of 7), and the uncertainties would be too small. With the
// kernel's noise-equivalent width neither: at most one spectrum of noise in ten shows one, and
// the stated sigmas hold. The truth of a smoothed Gaussian is the Gaussian convolved with the
// kernel: for a Gaussian kernel of FWHM K, FWHM sqrt(F^2 + K^2) and the amplitude that keeps
// the area, A F / sqrt(F^2 + K^2).
TEST(FitGaussians, SmoothedSpectraCountTheirIndependentChannels) {
    const std::vector<double> x = Axis();
    std::mt19937 random(5);
    for (const TSmoothing& smoothing :
         {TSmoothing{TSmoothKind::Hanning, 3, 0.0}, TSmoothing{TSmoothKind::Boxcar, 7, 0.0},
          TSmoothing{TSmoothKind::Gauss, 3, 4.0}}) {
        const std::vector<double> kernel = SmoothingKernel(smoothing, Width);
        TGaussSettings settings;
        settings.NoiseWidth = NoiseWidth(kernel);
        int spurious = 0;
        for (int draw = 0; draw < 50; ++draw)
            spurious += static_cast<int>(
                FitGaussiansAuto(x, SmoothSignal(Spectrum(x, {}, 1.0, random), kernel), settings)
                    .Components.size());
        EXPECT_LE(spurious, 5) << SmoothingText(smoothing) << ": components in 50 spectra of noise";
    }

    const TSmoothing gauss{TSmoothKind::Gauss, 3, 4.0};
    const std::vector<double> kernel = SmoothingKernel(gauss, Width);
    TGaussSettings settings;
    settings.NoiseWidth = NoiseWidth(kernel);
    TTally amplitude, centre, fwhm;
    for (int draw = 0; draw < 150; ++draw) {
        const std::vector<TGaussComponent> truth = Layout(2, 10.0);
        const TGaussFit fit =
            FitGaussianCount(x, SmoothSignal(Spectrum(x, truth, 1.0, random), kernel), 2, settings);
        ASSERT_EQ(fit.Components.size(), 2u);
        for (std::size_t c = 0; c < 2; ++c) {
            const TGaussComponent& g = fit.Components[c];
            const double broadened = std::hypot(truth[c].Fwhm, gauss.FwhmKms);
            amplitude.Add(g.Amplitude, g.AmplitudeError,
                          truth[c].Amplitude * truth[c].Fwhm / broadened);
            centre.Add(g.Centre, g.CentreError, truth[c].Centre);
            fwhm.Add(g.Fwhm, g.FwhmError, broadened);
        }
    }
    for (const auto& [name, t] : {std::pair{"amplitude", amplitude}, std::pair{"centre", centre},
                                  std::pair{"FWHM", fwhm}}) {
        EXPECT_GE(t.One(), 0.60) << name << ": within 1 sigma " << t.Within1 << " of " << t.Count;
        EXPECT_LE(t.One(), 0.80) << name << ": within 1 sigma " << t.Within1 << " of " << t.Count;
    }
}

TEST(FitGaussiansAuto, FindsAsManyComponentsAsTheSpectrumHolds) {
    const std::vector<double> x = Axis();
    std::mt19937 random(21);
    int right = 0, total = 0;
    for (int k = 1; k <= 4; ++k)
        for (double snr : {10.0, 30.0, 100.0})
            for (int draw = 0; draw < 10; ++draw) {
                const TGaussFit fit = FitGaussiansAuto(x, Spectrum(x, Layout(k, snr), 1.0, random));
                right += static_cast<int>(fit.Components.size()) == k;
                ++total;
            }
    EXPECT_GE(right, 0.9 * total) << right << " of " << total;
    // Noise alone holds no component.
    const TGaussFit noise = FitGaussiansAuto(x, Spectrum(x, {}, 1.0, random));
    EXPECT_TRUE(noise.Components.empty());
    EXPECT_TRUE(noise.Error.empty()) << noise.Error;
}

// Two components closer than one FWHM: either told apart, each within 2 sigma of its truth, or
// reported as one lying between them.
TEST(FitGaussiansAuto, BlendedPairsAreResolvedOrReportedAsOne) {
    const std::vector<double> x = Axis();
    std::mt19937 random(7);
    int sound = 0, total = 0, resolved = 0;
    for (double separation : {0.5, 0.7, 0.9}) // in FWHM
        for (double snr : {10.0, 30.0, 100.0})
            for (int draw = 0; draw < 10; ++draw) {
                std::vector<TGaussComponent> truth(2);
                truth[0].Amplitude = snr;
                truth[0].Centre = -10.0;
                truth[0].Fwhm = 20.0;
                truth[1].Amplitude = 0.7 * snr;
                truth[1].Centre = -10.0 + separation * 20.0;
                truth[1].Fwhm = 16.0;
                const TGaussFit fit = FitGaussiansAuto(x, Spectrum(x, truth, 1.0, random));
                bool ok = false;
                if (fit.Components.size() == 1) {
                    const double c = fit.Components[0].Centre;
                    ok = c >= truth[0].Centre && c <= truth[1].Centre;
                } else if (fit.Components.size() == 2) {
                    ok = true;
                    ++resolved;
                    for (std::size_t i = 0; i < 2; ++i) {
                        const TGaussComponent& g = fit.Components[i];
                        ok = ok &&
                             std::fabs(g.Amplitude - truth[i].Amplitude) <= 2 * g.AmplitudeError &&
                             std::fabs(g.Centre - truth[i].Centre) <= 2 * g.CentreError &&
                             std::fabs(g.Fwhm - truth[i].Fwhm) <= 2 * g.FwhmError;
                    }
                }
                sound += ok;
                ++total;
            }
    EXPECT_GE(sound, 0.9 * total) << sound << " of " << total << " (" << resolved << " resolved)";
}

TEST(FitGaussians, UnsupportedComponentsAreDroppedWithTheirReason) {
    const std::vector<double> x = Axis();
    TGaussComponent line, faint;
    line.Amplitude = 20.0;
    line.Centre = 0.0;
    line.Fwhm = 15.0;
    // Its amplitude's sigma is about rms sqrt(1.5 channel / (1.06 FWHM)) = 0.21: it lies near
    // 1.5 sigma. The noise alternates +1, -1 from channel to channel (rms 1), which no
    // component can follow: the faint one stays where it is and is judged on its amplitude.
    faint.Amplitude = 0.3;
    faint.Centre = 120.0;
    faint.Fwhm = 30.0;
    std::vector<double> y = GaussianSum({line, faint}, x);
    for (std::size_t i = 0; i < y.size(); ++i)
        y[i] += i % 2 == 0 ? 1.0 : -1.0;
    y[60] += 40.0; // a one-channel spike at -144 km/s
    const struct {
        double centre, amplitude, fwhm;
        const char* reason;
    } cases[] = {
        {faint.Centre, faint.Amplitude, faint.Fwhm, "under 3 sigma"},
        {x[60], 40.0, 1.0, "under two channels"},
    };
    for (const auto& c : cases) {
        TGaussComponent guess = GuessAt(x, y, line.Centre);
        TGaussComponent bad;
        bad.Amplitude = c.amplitude;
        bad.Centre = c.centre;
        bad.Fwhm = c.fwhm;
        const TGaussFit fit = FitGaussians(x, y, {guess, bad});
        ASSERT_EQ(fit.Components.size(), 1u) << c.reason;
        EXPECT_NEAR(fit.Components[0].Centre, 0.0, 3 * fit.Components[0].CentreError);
        ASSERT_EQ(fit.Dropped.size(), 1u) << c.reason;
        EXPECT_NE(fit.Dropped[0].Reason.find(c.reason), std::string::npos) << fit.Dropped[0].Reason;
    }
}

TEST(GuessAt, TakesTheNearestChannelAndItsHalfMaximumWidth) {
    const std::vector<double> x = Axis();
    TGaussComponent line;
    line.Amplitude = 10.0;
    line.Centre = 30.0;
    line.Fwhm = 20.0;
    const TGaussComponent guess = GuessAt(x, GaussianSum({line}, x), 30.4);
    // The nearest channel is channel 230, at 30 x 1.0305 = 30.915 km/s.
    EXPECT_NEAR(guess.Amplitude, GaussianValue(line, 30.915), 1e-9);
    EXPECT_NEAR(guess.Centre, 30.4, 1e-12);
    EXPECT_NEAR(guess.Fwhm, 20.0, 2 * Width);
}

// The area of a Gaussian, A F sqrt(pi / (4 ln 2)) = 1.0645 A F, against the channel sum.
TEST(TGaussComponent, IntegralIsTheAreaUnderIt) {
    TGaussComponent g;
    g.Amplitude = 3.0;
    g.Centre = 5.0;
    g.Fwhm = 17.0;
    double sum = 0.0;
    for (double v : GaussianSum({g}, Axis()))
        sum += v * Width;
    EXPECT_NEAR(g.Integral(), sum, 1e-9 * sum);
    EXPECT_NEAR(g.Integral(), 1.0645 * 3.0 * 17.0, 1e-4 * g.Integral()); // 1.0645: rounded
}

} // namespace

namespace {

// The memo's lines of a fit made by hand: each kept component with its 1-sigma, an uncertainty
// the data leave open as "unbounded", each dropped one with its reason; a failed fit in one line.
TEST(GaussFitLines, ListKeptAndDroppedComponentsOrWhyNone) {
    TGaussFit fit;
    fit.Rms = 0.25;
    TGaussComponent g;
    g.Amplitude = 40.125;
    g.AmplitudeError = 0.5;
    g.Centre = -12.5;
    g.CentreError = 0.0625;
    g.Fwhm = 14.75;
    g.FwhmError = INFINITY;
    fit.Components = {g};
    fit.Dropped = {{g, "amplitude under 3 sigma"}};
    const std::vector<std::string> expected = {
        "Gaussian components: 1, rms 0.25",
        "G1 amplitude 40.12 \u00b1 0.5, centre -12.5 \u00b1 0.062 km/s, FWHM 14.75 \u00b1 "
        "unbounded km/s",
        "dropped: amplitude 40.12 \u00b1 0.5, centre -12.5 \u00b1 0.062 km/s, FWHM 14.75 \u00b1 "
        "unbounded km/s: amplitude under 3 sigma"};
    EXPECT_EQ(GaussFitLines(fit, "km/s"), expected);

    TGaussFit failed;
    failed.Error = "no channels";
    EXPECT_EQ(GaussFitLines(failed, "km/s"),
              std::vector<std::string>{"Gaussian components not fitted: no channels"});
}

} // namespace
