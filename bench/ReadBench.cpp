// Reading spectrum files in a batch through the reader, as a survey of many observations does:
// files per second through TSpectrumFile::Read (open, header, 400 data items, file-name
// position), over a folder of distinct files so that no single file stays the only one cached.
// Aim: at least 50,000 files a second (median of repetitions, Release, the project's two-core
// machine), 20 µs a read: under a fifth of the processor time kelvane-batch spends on a file
// (about 100 µs), so that reading stays a minor part of a survey's time. About 4.6 µs of each
// read are the system's stat, open, fstat, read and close.
#include "data/Readunit.h"
#include "data/Spectrumunit.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int BatchSize = 64;

// Files named as the telescope names them (galactic longitude and latitude), each with its own
// baseline level, line position and noise, and numbers written with differing precision.
std::vector<std::string> WriteBatch(const QString& folder) {
    std::vector<std::string> paths;
    for (int k = 0; k < BatchSize; ++k) {
        char name[64];
        std::snprintf(name, sizeof name, "G%d.0_%d.5.dat", k * 5, k % 7 - 3);
        const std::string path = folder.toStdString() + "/" + name;
        std::ofstream file(path);
        file << "s 03/" << 1 + k % 28 << "/24 21:" << 10 + k % 50
             << ":05  gain 9.00  int 10  avg 20  sweep 400  step 5000\n";
        file.precision(6 + k % 6);
        for (int i = 0; i < ChannelCount; ++i)
            file << 1500.0 + 0.1 * i +
                        (40.0 + k) * std::exp(-0.5 * std::pow((i - 150 - k) / 5.0, 2)) +
                        std::sin(i * 1.7 + k)
                 << (i % 10 == 9 ? '\n' : ' ');
        paths.push_back(path);
    }
    return paths;
}

void BM_ReadSpectrumFiles(benchmark::State& state) {
    QTemporaryDir folder;
    const std::vector<std::string> paths = WriteBatch(folder.path());
    TSpectrumFile spectrum;
    for (auto _ : state) {
        for (const std::string& path : paths)
            spectrum.Read(path);
        benchmark::DoNotOptimize(spectrum.Items.data());
    }
    state.SetItemsProcessed(state.iterations() * BatchSize);
}
BENCHMARK(BM_ReadSpectrumFiles)->Unit(benchmark::kMicrosecond);

} // namespace
