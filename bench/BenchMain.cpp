// Benchmark main: a QApplication (offscreen unless the environment chose a platform) so that
// drawing benchmarks can use fonts and images, then Google Benchmark's usual command line.
#include <QApplication>
#include <QScreen>
#include <benchmark/benchmark.h>
#include <clocale>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    // The plot draws at the screen's ratio (QT_SCALE_FACTOR=2 gives 2 on the offscreen platform).
    benchmark::AddCustomContext(
        "device_pixel_ratio",
        QString::number(qApp->primaryScreen()->devicePixelRatio()).toStdString());
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
