// Drawing speed of the plot panel at the size the main window uses (640 x 600, plot rectangle
// 80, 40, 630, 500): a full graph as the main window draws it, Show alone, and the Show plus
// dashed band of a mouse drag.
#include "plot/Plotunit.h"

#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct TGraphFixture {
    TPlot Plot{nullptr, TRect(0, 0, 640, 600)};
    std::vector<QPoint> Curve;
    std::vector<std::string> Labels;

    TGraphFixture() {
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
        for (int i = 0; i < 40; ++i)
            Labels.push_back(std::to_string(1420405751 - 1000000 + 50000 * i));
    }

    void Draw() {
        Plot.Clear();
        Plot.Pen.setColor(QColor(0x80, 0x80, 0x80));
        int maxWidth = 0;
        for (const std::string& label : Labels)
            maxWidth = std::max(maxWidth, Plot.TextWidth(label));
        for (int i = 0; i < 20; ++i) {
            const int px = 80 + i * 550 / 19;
            Plot.MoveTo(px, 40);
            Plot.LineTo(px, 500);
            const int py = 500 - i * 460 / 19;
            Plot.MoveTo(80, py);
            Plot.LineTo(630, py);
        }
        for (int i = 0; i < 40; ++i) {
            const std::string& label = Labels[static_cast<std::size_t>(i)];
            const int px = 80 + i * 550 / 39;
            Plot.TextOutAngle(label, px - Plot.TextHeight(label) / 2, 500 + maxWidth + 5, 90.0);
        }
        Plot.Pen.setColor(QColor(0, 0, 255));
        Plot.MoveTo(Curve[0].x(), Curve[0].y());
        for (std::size_t i = 1; i < Curve.size(); ++i)
            Plot.LineTo(Curve[i].x(), Curve[i].y());
        Plot.SaveImage();
        Plot.Show();
    }
};

void BM_FullGraph(benchmark::State& state) {
    TGraphFixture fixture;
    for (auto _ : state) {
        fixture.Draw();
        benchmark::DoNotOptimize(fixture.Plot.Picture().constBits());
    }
}
BENCHMARK(BM_FullGraph)->Unit(benchmark::kMicrosecond);

void BM_Show(benchmark::State& state) {
    TGraphFixture fixture;
    fixture.Draw();
    for (auto _ : state) {
        fixture.Plot.Show();
        benchmark::DoNotOptimize(fixture.Plot.Picture().constBits());
    }
}
BENCHMARK(BM_Show)->Unit(benchmark::kMicrosecond);

// One step of a mouse drag: Show wipes the previous band, then the dashed outline is drawn on
// the displayed picture (which makes it a copy of its own).
void BM_ShowWithBand(benchmark::State& state) {
    TGraphFixture fixture;
    fixture.Draw();
    int end = 300;
    for (auto _ : state) {
        fixture.Plot.Show();
        end = end == 300 ? 301 : 300;
        fixture.Plot.DrawOnPicture([end](QPainter& painter) {
            painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
            painter.drawPolyline(
                QPolygon({{200, 40}, {200, 500}, {end, 500}, {end, 40}, {200, 40}}));
        });
        benchmark::DoNotOptimize(fixture.Plot.Picture().constBits());
    }
}
BENCHMARK(BM_ShowWithBand)->Unit(benchmark::kMicrosecond);

} // namespace
