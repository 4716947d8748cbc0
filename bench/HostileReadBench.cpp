// Reading spectrum files, good and hostile: the time of one Read and the peak memory it takes.
//
// The hostile files are made once, in a temporary folder: /dev/zero, a FIFO without a writer
// and one whose writer keeps it open, sparse files of 2 GB (all NUL bytes; a good header that
// never ends), a header line of 50 MB, 50 MB of blanks before the items (every one looked at,
// up to the limit) and a megabyte of NUL bytes. Every one of these reads
// must end at once with its message. Counters: peak_rss_kib is the process's resident peak
// during the benchmark, peak_rss_growth_kib how far that peak rose above the resident size
// before it (Linux; -1 where the peak cannot be reset).
#include "data/Readunit.h"
#include "data/Spectrumunit.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string GoodHeader = "s 12/25/09 22:15:07 value 1.5 n 10 20 30 40";

enum class THostile {
    SampleFile,
    DevZero,
    FifoWithoutWriter,
    FifoWithWriter,
    Sparse2GbZeros,
    Sparse2GbEndlessHeader,
    Header50Mb,
    Spaces50Mb,
    NulBytes1Mb,
};

struct THostileFiles {
    QTemporaryDir Folder;
    std::map<THostile, std::string> Paths;
    int FifoWriter = -1;

    std::string Path(const char* name) const { return Folder.filePath(name).toStdString(); }

    std::string Write(const char* name, const std::string& content) {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::string Sparse(const char* name, const std::string& start) {
        const std::string path = Write(name, start);
        std::filesystem::resize_file(path, std::uintmax_t{2} << 30);
        return path;
    }

    THostileFiles() {
        std::string items;
        for (int i = 0; i < ChannelCount; ++i)
            items += std::to_string(1500 + i % 17) + (i % 10 == 9 ? "\n" : " ");
        Paths[THostile::SampleFile] = Write("G0_30.0.dat", GoodHeader + "\n" + items);
        Paths[THostile::DevZero] = "/dev/zero";
        Paths[THostile::FifoWithoutWriter] = Path("fifo.dat");
        ::mkfifo(Paths[THostile::FifoWithoutWriter].c_str(), 0600);
        Paths[THostile::FifoWithWriter] = Path("pipe.dat");
        ::mkfifo(Paths[THostile::FifoWithWriter].c_str(), 0600);
        FifoWriter = ::open(Paths[THostile::FifoWithWriter].c_str(), O_RDWR | O_NONBLOCK);
        Paths[THostile::Sparse2GbZeros] = Sparse("zeros.dat", "");
        Paths[THostile::Sparse2GbEndlessHeader] = Sparse("endless.dat", GoodHeader);
        Paths[THostile::Header50Mb] =
            Write("long.dat", GoodHeader + std::string(50u << 20, 'x') + "\n" + items);
        Paths[THostile::Spaces50Mb] =
            Write("spaces.dat", GoodHeader + "\n" + std::string(50u << 20, ' ') + items);
        Paths[THostile::NulBytes1Mb] = Write("nul.dat", std::string(1u << 20, '\0'));
    }
    ~THostileFiles() {
        if (FifoWriter >= 0)
            ::close(FifoWriter);
    }
};

THostileFiles& Files() {
    static THostileFiles files;
    return files;
}

// A value of /proc/self/status in KiB, or -1.
long StatusKib(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, key.size(), key) == 0)
            return std::stol(line.substr(key.size()));
    return -1;
}

// Sets the resident set's peak back to its present size (Linux 4.0 on).
bool ResetPeakRss() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

void BM_Read(benchmark::State& state, THostile which) {
    const std::string path = Files().Paths.at(which);
    TSpectrumFile file;
    std::string message;
    const bool canReset = ResetPeakRss();
    const long before = StatusKib("VmRSS");
    for (auto _ : state) {
        try {
            file.Read(path);
            message = "read";
        } catch (const std::runtime_error& error) {
            message = error.what();
        }
        benchmark::DoNotOptimize(file.Items.data());
    }
    const long peak = StatusKib("VmHWM");
    state.counters["peak_rss_growth_kib"] = canReset && before >= 0 ? peak - before : -1;
    state.counters["peak_rss_kib"] = peak;
    state.SetLabel(message);
}

BENCHMARK_CAPTURE(BM_Read, sample_file, THostile::SampleFile)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Read, dev_zero, THostile::DevZero)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Read, fifo_without_writer, THostile::FifoWithoutWriter)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Read, fifo_with_writer, THostile::FifoWithWriter)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Read, sparse_2gb_zeros, THostile::Sparse2GbZeros)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Read, sparse_2gb_endless_header, THostile::Sparse2GbEndlessHeader)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Read, header_line_50mb, THostile::Header50Mb)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Read, spaces_50mb_before_items, THostile::Spaces50Mb)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Read, nul_bytes_1mb, THostile::NulBytes1Mb)->Unit(benchmark::kMicrosecond);

} // namespace
