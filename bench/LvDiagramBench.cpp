// The longitude-velocity diagram of a survey as kelvane-batch --lv-diagram makes it: each
// spectrum added to the grid as it arrives (time per spectrum, and the grid's size, which must
// not grow with the files), and the drawing of a grid of many files on the canvas and as SVG.
// The survey: 30 longitudes (as the generator's survey of both quadrants), each observed
// again and again, 400 channels a spectrum.
#include "numeric/Lvgridunit.h"
#include "plot/Canvasunit.h"
#include "plot/Lvplotunit.h"
#include "plot/Vectorplotunit.h"

#include <benchmark/benchmark.h>
#include <cmath>

namespace {

TLvColumn Spectrum(long file) {
    TLvColumn column;
    const int position = static_cast<int>(file % 30);
    column.Longitude = position < 15 ? 10.0 + 5.0 * position : 280.0 + 5.0 * (position - 15);
    column.Latitude = 0.0;
    for (int i = 0; i < 400; ++i) {
        const double v = -211.0 + 1.055 * i;
        const double d = (v - 40.0) / 8.0;
        column.Velocities.push_back(v);
        column.Signal.push_back(60.0 * std::exp(-0.5 * d * d) + std::sin(file + 3.0 * i));
    }
    column.TerminalVelocity = 100.0;
    column.TerminalUncertainty = 3.0;
    return column;
}

// The memory the grid's kept columns hold, bytes.
double GridBytes(const TLvGrid& grid) {
    double bytes = 0.0;
    for (const TLvColumn& column : grid.Columns())
        bytes += sizeof(TLvColumn) +
                 sizeof(double) * (column.Velocities.capacity() + column.Signal.capacity());
    return bytes;
}

void BM_LvGridAdd(benchmark::State& state) {
    const long files = state.range(0);
    std::vector<TLvColumn> spectra;
    for (long k = 0; k < 30; ++k)
        spectra.push_back(Spectrum(k));
    TLvGrid grid;
    for (auto _ : state) {
        grid = TLvGrid();
        for (long k = 0; k < files; ++k)
            grid.Add(spectra[static_cast<std::size_t>(k % 30)]); // a copy, as a file's arrives
        benchmark::DoNotOptimize(grid);
    }
    state.SetItemsProcessed(state.iterations() * files);
    state.counters["grid_bytes"] = GridBytes(grid);
    state.counters["grid_bytes_per_file"] = GridBytes(grid) / static_cast<double>(files);
}
BENCHMARK(BM_LvGridAdd)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LvDiagramDraw(benchmark::State& state) {
    TLvGrid grid;
    for (long k = 0; k < state.range(0); ++k)
        grid.Add(Spectrum(k));
    for (auto _ : state) {
        TPlotCanvas plot(LvPlotWidth, LvPlotHeight, TRect(0, 0, LvPlotWidth, LvPlotHeight));
        DrawLvDiagram(plot, grid, 220.0);
        TVectorPlot drawing(LvPlotWidth, LvPlotHeight, LvPlotRect(), 0xFFFFFF, 0xFFFFFF);
        DrawLvDiagram(drawing, grid, 220.0);
        const QByteArray svg = drawing.Svg("lv");
        state.counters["svg_bytes"] = static_cast<double>(svg.size());
    }
}
BENCHMARK(BM_LvDiagramDraw)->Arg(30)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
