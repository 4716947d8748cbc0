// The Gaussian decomposition of one spectrum, as the window fits it on request and the batch
// with --gaussians for every file: 4 components on the 400 channels (budget 20 ms), the
// automatic choice of their number, and a Hanning smoothing. Its own executable (core only).
#include "data/Spectrumunit.h"
#include "numeric/Gaussfitunit.h"
#include "numeric/Smoothunit.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

// Four components (two of them blended, 15 km/s apart) on the channels' velocities, noise 1.
struct TBenchSpectrum {
    std::vector<double> V, Signal;
    TBenchSpectrum() : V(Velocities) {
        std::vector<TGaussComponent> truth(4);
        const double parts[4][3] = {{40, -80, 20}, {25, -10, 15}, {15, 5, 25}, {8, 90, 12}};
        for (std::size_t c = 0; c < 4; ++c) {
            truth[c].Amplitude = parts[c][0];
            truth[c].Centre = parts[c][1];
            truth[c].Fwhm = parts[c][2];
        }
        Signal = GaussianSum(truth, V);
        std::mt19937 random(4);
        std::normal_distribution<double> noise(0.0, 1.0);
        for (double& s : Signal)
            s += noise(random);
    }
};

const TBenchSpectrum& Spectrum() {
    static const TBenchSpectrum spectrum;
    return spectrum;
}

void BM_FourGaussians(benchmark::State& state) {
    const TBenchSpectrum& s = Spectrum();
    for (auto _ : state) {
        TGaussFit fit = FitGaussianCount(s.V, s.Signal, 4);
        benchmark::DoNotOptimize(fit);
        if (!fit.Error.empty())
            state.SkipWithError(fit.Error.c_str());
    }
}
BENCHMARK(BM_FourGaussians)->Unit(benchmark::kMillisecond);

void BM_GaussiansAuto(benchmark::State& state) {
    const TBenchSpectrum& s = Spectrum();
    for (auto _ : state) {
        TGaussFit fit = FitGaussiansAuto(s.V, s.Signal);
        benchmark::DoNotOptimize(fit);
    }
}
BENCHMARK(BM_GaussiansAuto)->Unit(benchmark::kMillisecond);

void BM_HanningSmooth(benchmark::State& state) {
    const TBenchSpectrum& s = Spectrum();
    const std::vector<double> kernel = SmoothingKernel({}, 1.0);
    for (auto _ : state) {
        std::vector<double> smoothed = SmoothSignal(s.Signal, kernel);
        benchmark::DoNotOptimize(smoothed);
    }
}
BENCHMARK(BM_HanningSmooth)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
