// The main window's graph as the user meets it, on a window that is shown (offscreen platform):
// reading a spectrum file and drawing the whole graph until the new picture has been painted,
// the program's own DrawSpectrum alone (steady and on a new window), showing the finished
// picture, and one pointer movement over the plot delivered as a window-system event,
// readout and repaint included.
//
// Each figure that involves the screen also reports, per iteration, how many paint events
// reached the plot and the status bar, so that a figure that paints nothing stands out.
#include "BenchSupport.h"
#include "app/Dialogsunit.h"
#include "app/Plotunit.h"
#include "app/Unit1.h"
#include "data/Spectrumunit.h"

#include <QApplication>
#include <QLabel>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// Counts the paint events that reach the watched widgets.
class TPaintCounter : public QObject {
public:
    long Plot = 0, StatusBar = 0;
    QObject* PlotWidget = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++(watched == PlotWidget ? Plot : StatusBar);
        return false;
    }
};

// Lets the window system's pending events run: the repaint that an update() asked for.
void ProcessRepaint() {
    QCoreApplication::processEvents();
}

struct TWindowFixture {
    QTemporaryDir Folder;
    TSilentDialogs Dialogs;
    QString Path;
    std::unique_ptr<TForm1> Form;
    TPaintCounter Paints;

    TWindowFixture() {
        // Keep the real user's settings out of it.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Folder.path());
        Path = Folder.filePath("G0_30.0.dat");
        WriteBenchSpectrum(Path);
        Form = std::make_unique<TForm1>(&Dialogs);
        Form->show();
        if (!QTest::qWaitForWindowExposed(Form.get()))
            throw std::runtime_error("the main window was not exposed");
        Paints.PlotWidget = Form->PlotPanel();
        Form->PlotPanel()->installEventFilter(&Paints);
        QStatusBar* bar = Form->statusBar();
        bar->installEventFilter(&Paints);
        for (QLabel* panel : bar->findChildren<QLabel*>())
            panel->installEventFilter(&Paints);
        ProcessRepaint();
    }

    void ReadAndShow() {
        Form->ReadSpectrumFile(Path);
        Form->ShowSpectrum();
        ProcessRepaint();
    }

    // Paint events per iteration since the counters were last reset.
    void Report(benchmark::State& state) const {
        const double n = static_cast<double>(state.iterations());
        state.counters["plot_paints"] = static_cast<double>(Paints.Plot) / n;
        state.counters["status_paints"] = static_cast<double>(Paints.StatusBar) / n;
    }
    void ResetCounts() { Paints.Plot = Paints.StatusBar = 0; }
};

// File, Read as the user feels it: the file read, the graph drawn and the new picture painted.
void BM_ReadAndDrawGraph(benchmark::State& state) {
    TWindowFixture fixture;
    fixture.ReadAndShow();
    fixture.ResetCounts();
    for (auto _ : state)
        fixture.ReadAndShow();
    fixture.Report(state);
}
BENCHMARK(BM_ReadAndDrawGraph)->Unit(benchmark::kMicrosecond);

// The same, the repaint left out of the timing: reading and drawing into the plot's bitmap
// only, as the figure of "read + full draw" counts it.
void BM_ReadAndDrawSpectrum(benchmark::State& state) {
    TWindowFixture fixture;
    fixture.ReadAndShow();
    for (auto _ : state) {
        fixture.Form->ReadSpectrumFile(fixture.Path);
        fixture.Form->ShowSpectrum();
        state.PauseTiming();
        ProcessRepaint();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReadAndDrawSpectrum)->Unit(benchmark::kMicrosecond);

// The program's drawing of the whole graph into the plot's bitmap, steady state (the same
// spectrum drawn again and again), without the repaint that follows.
void BM_DrawSpectrum(benchmark::State& state) {
    TWindowFixture fixture;
    fixture.ReadAndShow();
    for (auto _ : state) {
        benchmark::DoNotOptimize(fixture.Form->DrawSpectrum());
    }
    ProcessRepaint();
}
BENCHMARK(BM_DrawSpectrum)->Unit(benchmark::kMicrosecond);

// The first drawing on a new, shown main window: nothing that the plot keeps between drawings
// exists yet. The window's construction and the file's reading are not timed.
void BM_DrawSpectrumFirst(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto fixture = std::make_unique<TWindowFixture>();
        fixture->Form->ReadSpectrumFile(fixture->Path);
        state.ResumeTiming();
        benchmark::DoNotOptimize(fixture->Form->DrawSpectrum());
        state.PauseTiming();
        fixture.reset();
        ProcessRepaint();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DrawSpectrumFirst)->Unit(benchmark::kMicrosecond)->Iterations(40);

// Show of the finished graph and the repaint of the plot that it causes.
void BM_ShowGraph(benchmark::State& state) {
    TWindowFixture fixture;
    fixture.ReadAndShow();
    fixture.ResetCounts();
    for (auto _ : state) {
        fixture.Form->PlotPanel()->Show();
        ProcessRepaint();
    }
    fixture.Report(state);
}
BENCHMARK(BM_ShowGraph)->Unit(benchmark::kMicrosecond);

// One pointer movement over the plot, delivered by the window system to the window, with the
// readout in the status bar and the repaint it causes. The pointer moves by one pixel each
// time, so both readout panels change on every movement.
void BM_PointerReadout(benchmark::State& state) {
    TWindowFixture fixture;
    fixture.ReadAndShow();
    QWindow* window = fixture.Form->windowHandle();
    TPlot* plot = fixture.Form->PlotPanel();
    const QPoint origin = plot->mapTo(fixture.Form.get(), QPoint(0, 0));
    int x = 100;
    QTest::mouseMove(window, origin + QPoint(x, 300));
    ProcessRepaint();
    fixture.ResetCounts();
    for (auto _ : state) {
        x = x == 600 ? 100 : x + 1;
        QTest::mouseMove(window, origin + QPoint(x, 300));
        ProcessRepaint();
    }
    fixture.Report(state);
    if (fixture.Form->StatusText(0).isEmpty())
        state.SkipWithError("the readout stayed empty: the movements missed the plot");
}
BENCHMARK(BM_PointerReadout)->Unit(benchmark::kMicrosecond);

// The graph on a window of a full-HD screen's size (1920 x 1080): File, Read as the user feels
// it (read, draw, repaint), and the drawing alone. One frame of a 60 Hz screen is 16.7 ms.
void BM_ReadAndDrawGraphFullHd(benchmark::State& state) {
    TWindowFixture fixture;
    fixture.Form->resize(1920, 1080);
    ProcessRepaint();
    fixture.ReadAndShow();
    if (fixture.Form->PlotPanel()->Width() < 1600)
        state.SkipWithError("the window did not grow");
    fixture.ResetCounts();
    for (auto _ : state)
        fixture.ReadAndShow();
    fixture.Report(state);
}
BENCHMARK(BM_ReadAndDrawGraphFullHd)->Unit(benchmark::kMicrosecond);

void BM_DrawSpectrumFullHd(benchmark::State& state) {
    TWindowFixture fixture;
    fixture.Form->resize(1920, 1080);
    ProcessRepaint();
    fixture.ReadAndShow();
    for (auto _ : state) {
        benchmark::DoNotOptimize(fixture.Form->DrawSpectrum());
    }
    ProcessRepaint();
}
BENCHMARK(BM_DrawSpectrumFullHd)->Unit(benchmark::kMicrosecond);

// One notch of the wheel over the plot, delivered to the window (which passes it to the widget
// under the pointer, as it does the window system's): the zoom, the
// graph drawn afresh for the new range, the readout and the repaint. Notches in and out take
// turns, so that the range stays the same size. Compare with BM_PointerReadout: a wheel step
// should feel as quick as a pointer movement.
void BM_WheelZoomStep(benchmark::State& state) {
    TWindowFixture fixture;
    fixture.ReadAndShow();
    QWindow* window = fixture.Form->windowHandle();
    TPlot* plot = fixture.Form->PlotPanel();
    const QPointF at = QPointF(plot->mapTo(fixture.Form.get(), QPoint(360, 300)));
    const QPointF global = QPointF(plot->mapToGlobal(QPoint(360, 300)));
    ProcessRepaint();
    fixture.ResetCounts();
    int notch = 120;
    for (auto _ : state) {
        QWheelEvent wheel(at, global, QPoint(), QPoint(0, notch), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(window, &wheel);
        ProcessRepaint();
        notch = -notch;
    }
    fixture.Report(state);
    if (fixture.Paints.Plot == 0)
        state.SkipWithError("the wheel never reached the plot");
}
BENCHMARK(BM_WheelZoomStep)->Unit(benchmark::kMicrosecond);

} // namespace
