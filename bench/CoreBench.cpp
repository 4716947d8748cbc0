// Timings of the numerical cores: one VLSR correction, one coordinate conversion and one
// baseline fit of the largest size the main window asks for (9 terms, 400 channels).
#include "astro/Galeqeclunit.h"
#include "astro/Vlsrunit.h"
#include "numeric/Polyfitunit.h"

#include <benchmark/benchmark.h>
#include <cmath>
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

// A baseline over the velocity axis (+-210 km/s) of a spectrum with a broad bump. Aim: at most
// 12 µs (median of repetitions, Release, the project's two-core machine).
void BM_FitPolynomial9Terms400Points(benchmark::State& state) {
    std::vector<double> x(400);
    std::vector<double> y(400);
    for (int i = 0; i < 400; ++i) {
        x[i] = 211.27 - i * 1.0527;
        y[i] = 1000.0 + 0.5 * x[i] - 0.002 * x[i] * x[i] + 30.0 * std::sin(0.05 * i) +
               (i % 3 == 0 ? 1.0 : -0.5);
    }
    std::vector<double> coefficients(9, 0.0);
    for (auto _ : state) {
        const double r = FitPolynomial(x, y, coefficients);
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(coefficients.data());
    }
}
BENCHMARK(BM_FitPolynomial9Terms400Points)->Unit(benchmark::kMicrosecond);

} // namespace
