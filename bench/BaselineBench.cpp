// The baseline workflow as a user meets it: Generate on a shown window (the fit of the samples
// outside a dragged band, the memo, and the red curve with its repaint).
#include "BenchSupport.h"
#include "app/Dialogsunit.h"
#include "app/Plotunit.h"
#include "app/Spineditunit.h"
#include "app/Unit1.h"
#include "data/Spectrumunit.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

namespace {

void BM_Generate9Terms(benchmark::State& state) {
    QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    const QString path = folder.filePath("G0_30.0.dat");
    WriteBenchSpectrum(path);
    TSilentDialogs dialogs;
    dialogs.PopupAnswer = "miPuGenerate";
    TForm1 form(&dialogs);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        state.SkipWithError("window not exposed");
        return;
    }
    form.ReadSpectrumFile(path);
    form.ShowSpectrum();
    form.CSpinEdit1->setText("9");
    // One real drag over the line sets the band.
    const std::vector<double>& x = form.CurrentSession().XValues();
    const int left = form.XToPixel(x[170]), right = form.XToPixel(x[250]);
    QTest::mousePress(form.PlotPanel(), Qt::LeftButton, {}, QPoint(left, 300));
    QTest::mouseMove(form.PlotPanel(), QPoint(right, 300));
    QTest::mouseRelease(form.PlotPanel(), Qt::LeftButton, {}, QPoint(right, 300));
    for (auto _ : state) {
        form.miPuGenerateClick();
        QApplication::processEvents();
        benchmark::DoNotOptimize(form.CurrentSession().Correlation());
    }
    if (!(form.CurrentSession().Correlation() > 0.9))
        state.SkipWithError("the fit failed");
}
BENCHMARK(BM_Generate9Terms)->Unit(benchmark::kMicrosecond);

} // namespace
