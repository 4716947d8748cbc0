// The plot panel's own operations at the size the main window uses (640 x 600, plot rectangle
// 80, 40, 630, 500): a cleared bitmap, a 400-point polyline partly outside the plot rectangle,
// a set of rotated tick labels, and one step of a mouse drag (Show, the dashed band on the
// displayed picture, and the repaint of the shown plot).
#include "app/Plotunit.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTest>
#include <benchmark/benchmark.h>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct TPlotFixture {
    TPlot Plot{nullptr, TRect(0, 0, 640, 600)};
    std::vector<QPoint> Curve;
    std::vector<std::string> Labels;

    TPlotFixture() {
        Plot.SetBackgroundColor(clInfoBk);
        Plot.SetPlotAreaColor(0xFFFFFF);
        Plot.SetPlotRect(TRect(80, 40, 630, 500));
        // A 400-point curve that leaves the plot rectangle at the top and bottom now and then,
        // so that part of its segments are clipped.
        for (int i = 0; i < 400; ++i) {
            const double x = 80.0 + 550.0 * i / 399.0;
            const double y = 270.0 - 260.0 * std::sin(i * 0.05) - 40.0 * std::sin(i * 0.7);
            Curve.emplace_back(static_cast<int>(x), static_cast<int>(y));
        }
        for (int i = 0; i < 20; ++i)
            Labels.push_back(std::to_string(1420405751 - 1000000 + 100000 * i));
    }

    void Polyline() {
        Plot.MoveTo(Curve[0].x(), Curve[0].y());
        for (std::size_t i = 1; i < Curve.size(); ++i)
            Plot.LineTo(Curve[i].x(), Curve[i].y());
    }

    void LabelRow() {
        for (std::size_t i = 0; i < Labels.size(); ++i)
            Plot.TextOutAngle(Labels[i], 80 + static_cast<int>(i) * 27, 580, 90.0);
    }
};

void BM_PlotClear(benchmark::State& state) {
    TPlotFixture fixture;
    for (auto _ : state) {
        fixture.Plot.Clear();
        benchmark::DoNotOptimize(fixture.Plot.Bitmap().constBits());
    }
}
BENCHMARK(BM_PlotClear)->Unit(benchmark::kMicrosecond);

void BM_PlotPolyline400(benchmark::State& state) {
    TPlotFixture fixture;
    fixture.Plot.Pen.setColor(QColor(0, 0, 255));
    for (auto _ : state) {
        fixture.Polyline();
        benchmark::DoNotOptimize(fixture.Plot.Bitmap().constBits());
    }
}
BENCHMARK(BM_PlotPolyline400)->Unit(benchmark::kMicrosecond);

void BM_PlotTickLabels20(benchmark::State& state) {
    TPlotFixture fixture;
    for (auto _ : state) {
        fixture.LabelRow();
        benchmark::DoNotOptimize(fixture.Plot.Bitmap().constBits());
    }
}
BENCHMARK(BM_PlotTickLabels20)->Unit(benchmark::kMicrosecond);

// One step of a mouse drag on the shown plot: Show wipes the previous band, the dashed outline
// is drawn on the displayed picture, and the plot is repainted.
void BM_ShowWithBand(benchmark::State& state) {
    TPlotFixture fixture;
    fixture.Plot.Clear();
    fixture.Plot.Pen.setColor(QColor(0, 0, 255));
    fixture.Polyline();
    fixture.LabelRow();
    fixture.Plot.Show();
    fixture.Plot.show();
    if (!QTest::qWaitForWindowExposed(&fixture.Plot)) {
        state.SkipWithError("the plot was not exposed");
        return;
    }
    QCoreApplication::processEvents();
    int end = 300;
    for (auto _ : state) {
        fixture.Plot.Show();
        end = end == 300 ? 301 : 300;
        fixture.Plot.DrawOnPicture([end](QPainter& painter) {
            painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
            painter.drawPolyline(
                QPolygon({{200, 40}, {200, 500}, {end, 500}, {end, 40}, {200, 40}}));
        });
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ShowWithBand)->Unit(benchmark::kMicrosecond);

} // namespace
