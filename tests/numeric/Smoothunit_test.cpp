#include "numeric/Smoothunit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

double Rms(const std::vector<double>& v, std::size_t from, std::size_t to) {
    double sum = 0.0, squares = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        sum += v[i];
        squares += v[i] * v[i];
    }
    const double n = static_cast<double>(to - from);
    return std::sqrt(squares / n - (sum / n) * (sum / n));
}

// The rms of white noise after smoothing over its rms before, measured on 200000 draws (far
// from the ends) against the theory: the sum of the squared weights of the kernel, sqrt(3/8)
// for Hanning (1/4, 1/2, 1/4), 1/sqrt(N) for a boxcar of N, and for a Gaussian of sigma s
// channels (s >> 1) the integral of its square, 1 / (2 s sqrt(pi)), square-rooted.
TEST(SmoothSignal, ReducesWhiteNoiseByTheTheoreticalFactor) {
    const double width = 1.0305; // km/s per channel, about the spectra's
    const double fwhm = 12.0;    // km/s
    const double s = fwhm / (2.0 * std::sqrt(2.0 * std::log(2.0))) / width;
    const struct {
        TSmoothing smoothing;
        double factor;
    } cases[] = {
        {{TSmoothKind::Hanning, 3, 0.0}, std::sqrt(3.0 / 8.0)},
        {{TSmoothKind::Boxcar, 5, 0.0}, 1.0 / std::sqrt(5.0)},
        {{TSmoothKind::Boxcar, 11, 0.0}, 1.0 / std::sqrt(11.0)},
        {{TSmoothKind::Gauss, 3, fwhm}, std::sqrt(1.0 / (2.0 * s * std::sqrt(std::acos(-1.0))))},
    };
    std::mt19937 random(20261207);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<double> signal(200000);
    for (double& v : signal)
        v = 100.0 + noise(random); // no value near 0: nothing missing
    const double before = Rms(signal, 1000, signal.size() - 1000);
    for (const auto& c : cases) {
        const std::vector<double> kernel = SmoothingKernel(c.smoothing, width);
        const std::vector<double> smoothed = SmoothSignal(signal, kernel);
        const double measured = Rms(smoothed, 1000, smoothed.size() - 1000) / before;
        EXPECT_NEAR(measured, c.factor, 0.05 * c.factor) << SmoothingText(c.smoothing);
        EXPECT_NEAR(NoiseFactor(kernel), c.factor, 0.01 * c.factor) << SmoothingText(c.smoothing);
        // One independent sample per 1 / factor^2 channels.
        EXPECT_NEAR(NoiseWidth(kernel), 1.0 / (c.factor * c.factor), 0.02 / (c.factor * c.factor));
    }
}

// At the ends and beside a missing channel the kernel's part on channels with a signal is
// used, scaled to sum to 1: a constant stays constant everywhere, a missing channel stays 0,
// and a ramp keeps its slope up to the ends except where the kernel is cut (Hanning's first
// channel takes 2/3 of itself and 1/3 of its neighbour).
TEST(SmoothSignal, EndsAndMissingChannelsKeepTheLevel) {
    const std::vector<double> kernel = SmoothingKernel({TSmoothKind::Boxcar, 5, 0.0}, 1.0);
    std::vector<double> flat(20, 7.0);
    flat[9] = 0.0;
    const std::vector<double> smoothed = SmoothSignal(flat, kernel);
    for (std::size_t i = 0; i < flat.size(); ++i)
        EXPECT_DOUBLE_EQ(smoothed[i], i == 9 ? 0.0 : 7.0) << "channel " << i;

    const std::vector<double> ramp = {1, 2, 3, 4, 5};
    const std::vector<double> hanning = SmoothSignal(ramp, {0.25, 0.5, 0.25});
    EXPECT_DOUBLE_EQ(hanning[0], (2.0 * 1 + 1.0 * 2) / 3.0);
    EXPECT_DOUBLE_EQ(hanning[2], 3.0);
    EXPECT_DOUBLE_EQ(hanning[4], (2.0 * 5 + 1.0 * 4) / 3.0);
}

TEST(CombineKernels, HanningTwiceIsTheBinomialOfFive) {
    const std::vector<double> twice = CombineKernels({0.25, 0.5, 0.25}, {0.25, 0.5, 0.25});
    const std::vector<double> binomial = {1 / 16.0, 4 / 16.0, 6 / 16.0, 4 / 16.0, 1 / 16.0};
    ASSERT_EQ(twice.size(), binomial.size());
    for (std::size_t i = 0; i < twice.size(); ++i)
        EXPECT_DOUBLE_EQ(twice[i], binomial[i]);
}

TEST(ParseSmoothing, KindsAndRefusals) {
    const struct {
        const char* text;
        bool ok;
        TSmoothKind kind;
        int channels;
        double fwhm;
    } cases[] = {
        {"hanning", true, TSmoothKind::Hanning, 3, 0.0},
        {"boxcar:5", true, TSmoothKind::Boxcar, 5, 0.0},
        {"gauss:2.5", true, TSmoothKind::Gauss, 3, 2.5},
        {"boxcar:4", false, {}, 0, 0.0}, // even: not centred
        {"boxcar:1", false, {}, 0, 0.0},
        {"boxcar:x", false, {}, 0, 0.0},
        {"gauss:0", false, {}, 0, 0.0},
        {"gauss:-3", false, {}, 0, 0.0},
        {"gauss:101", false, {}, 0, 0.0},
        {"hanning:3", false, {}, 0, 0.0},
        {"median", false, {}, 0, 0.0},
    };
    for (const auto& c : cases) {
        std::string error;
        const std::optional<TSmoothing> s = ParseSmoothing(c.text, error);
        ASSERT_EQ(s.has_value(), c.ok) << c.text;
        EXPECT_EQ(error.empty(), c.ok) << c.text;
        if (!s)
            continue;
        EXPECT_EQ(s->Kind, c.kind) << c.text;
        if (c.kind == TSmoothKind::Boxcar) {
            EXPECT_EQ(s->Channels, c.channels);
        }
        if (c.kind == TSmoothKind::Gauss) {
            EXPECT_EQ(s->FwhmKms, c.fwhm);
        }
    }
}

} // namespace
