// The graph pictures of kelvane-batch --png: the spectrum graph of a file drawn on the plot
// canvas (640 x 600), then encoded as a PNG file, at each zlib compression level (and Qt's
// default) so that the level can be chosen on size against time. The graphs are those of the
// sample spectra in Data/ after the batch's example steps (--fit-outside -150:150, 4 terms, the
// VLSR axis); "bytes" is the mean size of their PNG files.
#include "batch/Batchunit.h"
#include "plot/Canvasunit.h"
#include "plot/Graphunit.h"
#include "settings/Globalunit.h"

#include <QDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

// The samples' graphs, each drawn once on a canvas of its own.
const std::vector<std::unique_ptr<TPlotCanvas>>& SampleGraphs() {
    static const std::vector<std::unique_ptr<TPlotCanvas>> graphs = [] {
        std::vector<std::unique_ptr<TPlotCanvas>> made;
        TBatchSettings settings;
        settings.Windows = {{-150.0, 150.0}};
        settings.Mode = ModeVelocityMinusVlsr;
        const QDir data(QStringLiteral(KELVANE_SOURCE_DIR "/Data"));
        for (const QString& name : data.entryList({"G*.dat"}, QDir::Files, QDir::Name)) {
            const TSpectrumResult result =
                ProcessSpectrum(data.filePath(name).toStdString(), settings, TStationSettings());
            if (!result.Ok)
                continue;
            auto plot = std::make_unique<TPlotCanvas>(GraphWidth, GraphHeight,
                                                      TRect(0, 0, GraphWidth, GraphHeight));
            SetUpGraphPlot(*plot);
            TGraphInputs inputs;
            inputs.X = &result.X;
            inputs.Signal = &result.Signal;
            inputs.Mode = settings.Mode;
            inputs.Corrected = true;
            inputs.FileName = result.FileName;
            TGraphLimits limits;
            limits.Divisions = GraphDivisions;
            std::string title;
            if (DrawGraph(*plot, inputs, limits, title))
                made.push_back(std::move(plot));
        }
        return made;
    }();
    return graphs;
}

// One graph's PNG per iteration, the samples in turn, at the level state.range(0) (-1: Qt's
// default).
void BM_GraphPngLevel(benchmark::State& state) {
    const auto& graphs = SampleGraphs();
    if (graphs.empty()) {
        state.SkipWithError("no sample graph");
        return;
    }
    std::size_t next = 0;
    double bytes = 0;
    for (auto _ : state) {
        const QByteArray png = PngBytes(graphs[next]->Bitmap(), static_cast<int>(state.range(0)));
        bytes += static_cast<double>(png.size());
        next = (next + 1) % graphs.size();
    }
    state.counters["bytes"] = benchmark::Counter(bytes, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_GraphPngLevel)->DenseRange(-1, 9)->Unit(benchmark::kMillisecond);

// Drawing and encoding at the level the batch uses: the work of one --png file beyond its text.
void BM_GraphPicture(benchmark::State& state) {
    TBatchSettings settings;
    settings.Windows = {{-150.0, 150.0}};
    const TSpectrumResult result =
        ProcessSpectrum(KELVANE_SOURCE_DIR "/Data/G0_30.0.dat", settings, TStationSettings());
    if (!result.Ok) {
        state.SkipWithError(result.Row.Error.c_str());
        return;
    }
    TPlotCanvas plot(GraphWidth, GraphHeight, TRect(0, 0, GraphWidth, GraphHeight));
    SetUpGraphPlot(plot);
    TGraphInputs inputs;
    inputs.X = &result.X;
    inputs.Signal = &result.Signal;
    inputs.Mode = settings.Mode;
    inputs.Corrected = true;
    inputs.FileName = result.FileName;
    for (auto _ : state) {
        TGraphLimits limits;
        limits.Divisions = GraphDivisions;
        std::string title;
        DrawGraph(plot, inputs, limits, title);
        benchmark::DoNotOptimize(PngBytes(plot.Bitmap()));
    }
}
BENCHMARK(BM_GraphPicture)->Unit(benchmark::kMillisecond);

} // namespace
