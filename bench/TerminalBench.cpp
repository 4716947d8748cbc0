// The terminal velocity of one survey spectrum, as the batch measures it per file: the
// automatic line window (iterated baseline fits) and the edge fit, most of the batch's
// processor time per file (about 0.3 ms a file on the 600-file survey, everything included).
// Its own executable (core only): no window is needed to time a number.
#include "Galaxymodel.h"
#include "data/Spectrumunit.h"
#include "numeric/Linewindowunit.h"
#include "numeric/Terminalunit.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

// The generator's survey spectrum at l = 30 degrees, VLSR -40 km/s: line peak 60, noise 1.
struct TBenchSpectrum {
    std::vector<double> V, Signal;
    TBenchSpectrum() {
        const TGalaxyModel model;
        std::mt19937 random(21421);
        std::normal_distribution<double> gauss(0.0, 1.0);
        std::vector<double> line;
        double peak = 0.0;
        for (const double v : Velocities) {
            V.push_back(v + 40.0);
            line.push_back(ModelBrightness(model, 30.0, 0.0, V.back()));
            peak = std::max(peak, line.back());
        }
        for (std::size_t i = 0; i < line.size(); ++i)
            Signal.push_back(1500.0 + 0.05 * (static_cast<double>(i) - 200.0) +
                             60.0 * line[i] / peak + gauss(random));
    }
};

const TBenchSpectrum& Spectrum() {
    static const TBenchSpectrum spectrum;
    return spectrum;
}

void BM_TerminalVelocity(benchmark::State& state) {
    const TBenchSpectrum& s = Spectrum();
    const TLineWindowResult w = FindLineWindow(s.V, s.Signal, 2);
    for (auto _ : state) {
        TTerminalResult t =
            MeasureTerminalVelocity(s.V, w.Corrected, w.Use, TVelocitySide::Positive);
        benchmark::DoNotOptimize(t);
    }
}
BENCHMARK(BM_TerminalVelocity)->Unit(benchmark::kMicrosecond);

void BM_LineWindow(benchmark::State& state) {
    const TBenchSpectrum& s = Spectrum();
    for (auto _ : state) {
        TLineWindowResult w = FindLineWindow(s.V, s.Signal, 2);
        benchmark::DoNotOptimize(w);
    }
}
BENCHMARK(BM_LineWindow)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
