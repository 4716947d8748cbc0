// The main window's graph as the user meets it: reading a spectrum file and drawing the whole
// graph, the pointer readout of one mouse movement, and showing the finished picture.
#include "app/Dialogsunit.h"
#include "app/Unit1.h"
#include "data/Spectrumunit.h"
#include "plot/Plotunit.h"

#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <fstream>

namespace {

// Dialogs that never appear: the benchmark only reads files it wrote itself.
class TSilentDialogs : public TUserDialogs {
public:
    QString GetOpenFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString GetSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                            const QString&) override {
        return {};
    }
    void ShowMessage(QWidget*, const QString&, const QString&) override {}
    void ShowWarning(QWidget*, const QString&, const QString&) override {}
    void ShowError(QWidget*, const QString&, const QString&) override {}
    int ExecModal(QDialog&) override { return 0; }
    QAction* ExecPopup(QMenu&, const QPoint&) override { return nullptr; }
};

struct TWindowFixture {
    QTemporaryDir Folder;
    TSilentDialogs Dialogs;
    QString Path;
    std::unique_ptr<TForm1> Form;

    TWindowFixture() {
        // Keep the real user's settings out of it.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Folder.path());
        Path = Folder.filePath("G0_30.0.dat");
        std::ofstream file(Path.toStdString());
        file << "s 03/15/24 21:40:05  gain 9.00  int 10  avg 20  sweep 400  step 5000\n";
        for (int i = 0; i < ChannelCount; ++i)
            file << 1500.0 + 0.1 * i + 80.0 * std::exp(-0.5 * std::pow((i - 210) / 5.0, 2)) +
                        std::sin(i * 1.7)
                 << (i % 10 == 9 ? '\n' : ' ');
        file.close();
        Form = std::make_unique<TForm1>(&Dialogs);
    }
};

void BM_ReadAndDrawGraph(benchmark::State& state) {
    TWindowFixture fixture;
    for (auto _ : state) {
        fixture.Form->ReadSpectrumFile(fixture.Path);
        fixture.Form->ShowSpectrum();
        benchmark::DoNotOptimize(fixture.Form->PlotPanel()->Picture().constBits());
    }
}
BENCHMARK(BM_ReadAndDrawGraph)->Unit(benchmark::kMicrosecond);

void BM_PointerReadout(benchmark::State& state) {
    TWindowFixture fixture;
    fixture.Form->ReadSpectrumFile(fixture.Path);
    fixture.Form->ShowSpectrum();
    int x = 80;
    for (auto _ : state) {
        fixture.Form->PlotMouseMove(Qt::NoModifier, x, 300);
        x = x == 630 ? 80 : x + 1;
    }
}
BENCHMARK(BM_PointerReadout)->Unit(benchmark::kMicrosecond);

void BM_ShowGraph(benchmark::State& state) {
    TWindowFixture fixture;
    fixture.Form->ReadSpectrumFile(fixture.Path);
    fixture.Form->ShowSpectrum();
    for (auto _ : state) {
        fixture.Form->PlotPanel()->Show();
        benchmark::DoNotOptimize(fixture.Form->PlotPanel()->Picture().constBits());
    }
}
BENCHMARK(BM_ShowGraph)->Unit(benchmark::kMicrosecond);

} // namespace
