// Timings of the numerical cores: one VLSR correction, one coordinate conversion and two
// baseline fits: the largest the main window asks for (9 terms, 400 channels) and the one the
// batch's example run makes of every file (4 terms, the samples outside the line).
#include "astro/Galeqeclunit.h"
#include "astro/Vlsrunit.h"
#include "numeric/Polyfitunit.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

void BM_ComputeVlsr(benchmark::State& state) {
    double ra = 299.866667;
    double lst = 0.0, vSun = 0.0, vMoon = 0.0, vRot = 0.0, vlsr = 0.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ra);
        ComputeVlsr(ra, 40.733889, 1950, 2005, 80, 12, 54.266667, 357.733333, 0, lst, vSun, vMoon,
                    vRot, vlsr, 18, 30, 20);
        benchmark::DoNotOptimize(vlsr);
        benchmark::DoNotOptimize(lst);
    }
}
BENCHMARK(BM_ComputeVlsr);

// The explicit-set overload: the one reading the station settings would read the real user's
// store on its first call.
void BM_TransformCoordinates(benchmark::State& state) {
    TSkyPosition input = {40.7338889, 299.8666667};
    for (auto _ : state) {
        benchmark::DoNotOptimize(input);
        TSkyPosition output = TransformCoordinates(input, EquatorialToGalactic, 1);
        benchmark::DoNotOptimize(output);
    }
}
BENCHMARK(BM_TransformCoordinates);

// A spectrum with a broad bump over the velocity axis (+-210 km/s), 400 channels.
void BenchBaseline(std::vector<double>& x, std::vector<double>& y) {
    for (int i = 0; i < 400; ++i) {
        x.push_back(211.27 - i * 1.0527);
        y.push_back(1000.0 + 0.5 * x.back() - 0.002 * x.back() * x.back() +
                    30.0 * std::sin(0.05 * i) + (i % 3 == 0 ? 1.0 : -0.5));
    }
}

void RunFit(benchmark::State& state, const std::vector<double>& x, const std::vector<double>& y,
            std::size_t terms) {
    std::vector<double> coefficients(terms, 0.0);
    for (auto _ : state) {
        const double r = FitPolynomial(x, y, coefficients).Correlation;
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(coefficients.data());
    }
}

// A baseline of the largest size the main window asks for. Aim: at most 16 µs (median of
// repetitions, Release, the project's two-core machine), a thousandth of a 16 ms display frame:
// Generate (BM_Generate9Terms), the fit with its list and red curve, takes about 1 ms.
void BM_FitPolynomial9Terms400Points(benchmark::State& state) {
    std::vector<double> x, y;
    BenchBaseline(x, y);
    RunFit(state, x, y, 9);
}
BENCHMARK(BM_FitPolynomial9Terms400Points)->Unit(benchmark::kMicrosecond);

// The fit of every file of the batch's example run (--terms 4 --fit-outside -150:150): the
// samples outside +-150 km/s.
void BM_FitPolynomial4TermsOutsideLine(benchmark::State& state) {
    std::vector<double> allX, allY, x, y;
    BenchBaseline(allX, allY);
    for (std::size_t i = 0; i < allX.size(); ++i) {
        if (allX[i] < -150.0 || allX[i] > 150.0) {
            x.push_back(allX[i]);
            y.push_back(allY[i]);
        }
    }
    state.counters["points"] = static_cast<double>(x.size());
    RunFit(state, x, y, 4);
}
BENCHMARK(BM_FitPolynomial4TermsOutsideLine)->Unit(benchmark::kMicrosecond);

} // namespace
