// The window's Analysis > Fit Gaussians as the user meets it: the menu item triggered, the
// dialog answered with 4 components, the fit made, the components, their sum and the memo
// shown, and the new picture painted. Target: under 20 ms.
#include "BenchSupport.h"
#include "app/Plotunit.h"
#include "app/Unit1.h"
#include "details/Analysisformunit.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace {

// The Fit Gaussians dialog answered with a count of components.
class TCountDialogs : public TSilentDialogs {
public:
    int Count = 4;
    int ExecModal(QDialog& dialog) override {
        if (auto* form = qobject_cast<TGaussForm*>(&dialog)) {
            form->cbAutomatic->setChecked(Count < 1);
            form->sbCount->setValue(Count);
            return QDialog::Accepted;
        }
        return QDialog::Rejected;
    }
};

// Four well-separated Gaussian lines (amplitudes 40, 25, 60, 15 at channels 80, 160, 240, 320,
// sigma 4 to 9 channels) on a flat baseline with a ripple that stands for noise.
void WriteFourLines(const QString& path) {
    std::ofstream file(path.toStdString());
    file << "s 03/15/24 21:40:05  gain 9.00  int 10  avg 20  sweep 400  step 5000\n";
    const double amplitude[] = {40, 25, 60, 15}, centre[] = {80, 160, 240, 320},
                 sigma[] = {4, 7, 5, 9};
    for (int i = 0; i < ChannelCount; ++i) {
        double y = 0.5 + 0.3 * std::sin(i * 1.7);
        for (int k = 0; k < 4; ++k)
            y += amplitude[k] * std::exp(-0.5 * std::pow((i - centre[k]) / sigma[k], 2));
        file << y << (i % 10 == 9 ? '\n' : ' ');
    }
}

void BM_WindowFitFourGaussians(benchmark::State& state) {
    QTemporaryDir folder;
    // Keep the real user's settings out of it.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    const QString path = folder.filePath("four.dat");
    WriteFourLines(path);
    TCountDialogs dialogs;
    TForm1 form(&dialogs);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        throw std::runtime_error("the main window was not exposed");
    form.ReadSpectrumFile(path);
    form.ShowSpectrum();
    form.miVelocity->trigger();
    QCoreApplication::processEvents();
    std::size_t kept = 0;
    for (auto _ : state) {
        form.miFitGaussians->trigger();
        QCoreApplication::processEvents(); // the repaint of the new picture
        kept = form.CurrentSession().Components()
                   ? form.CurrentSession().Components()->Components.size()
                   : 0;
    }
    state.counters["components"] = static_cast<double>(kept);
}
BENCHMARK(BM_WindowFitFourGaussians)->Unit(benchmark::kMillisecond);

} // namespace
