// Runs in this process: where the FITS library can be taken away (without CFITSIO a --fits run
// says so once and writes every other output), and where the pictures' makers can be watched.
#include "batch/Batchrun.h"

#include "fits/Fitswriteunit_internal.h"
#include "support/BatchCommand.h"

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace {

TEST_F(BatchCommand, WithoutTheFitsLibraryTheOtherOutputsAreWritten) {
    ReloadFitsLibrary("libcfitsio-absent.so.0");
    TBatchOptions options;
    options.Windows = {{-150.0, 150.0}};
    options.OutFolder = Out().toStdString();
    options.Fits = options.LvDiagram = true;
    options.Jobs = 2;
    const QStringList files = Samples(3);
    for (const QString& file : files)
        options.Files.push_back(file.toStdString());
    char* said = nullptr;
    std::size_t saidSize = 0;
    std::FILE* console = ::open_memstream(&said, &saidSize);
    const TLvPictureMaker diagram = [](const TLvGrid&, double) {
        return std::vector<TExtraOutput>{{".png", "png"}, {".svg", "svg"}};
    };
    const int exit = RunBatch(options, nullptr, nullptr, diagram, {console, false, true});
    std::fclose(console);
    const std::string messages(said, saidSize);
    std::free(said);
    ReloadFitsLibrary(nullptr);

    EXPECT_EQ(exit, 1) << "an output asked for is not written";
    const std::string reason = "CFITSIO (libcfitsio-absent.so.0) cannot be loaded";
    const std::size_t first = messages.find(reason);
    EXPECT_NE(first, std::string::npos) << messages;
    EXPECT_EQ(messages.find(reason, first + 1), std::string::npos) << "said once: " << messages;
    QStringList wanted = {"lv-diagram.png", "lv-diagram.svg", "summary.csv"};
    for (const QString& file : files)
        wanted << QFileInfo(file).completeBaseName() + ".txt";
    wanted.sort();
    EXPECT_EQ(QDir(Out()).entryList(QDir::Files | QDir::Hidden, QDir::Name).join(' ').toStdString(),
              wanted.join(' ').toStdString());
    for (const QString& line : SummaryLines(Out()).mid(1))
        EXPECT_FALSE(line.endsWith(QString::fromStdString(reason))) << line.toStdString();
}

// Each worker draws the pictures of its files with a maker of its own, made, used and destroyed
// on the worker's thread (never the main thread, which takes the rows), so that no canvas is
// shared between threads.
TEST_F(BatchCommand, EachWorkerDrawsItsFilesWithAMakerOfItsOwn) {
    TBatchOptions options;
    options.Windows = {{-150.0, 150.0}};
    options.OutFolder = Out().toStdString();
    options.Png = true;
    options.Jobs = 2;
    const QStringList files = Samples(40);
    for (const QString& file : files)
        options.Files.push_back(file.toStdString());

    // Per maker: the thread it was made on, those it drew on, the one it was destroyed on.
    struct TWatch {
        std::thread::id Made, Destroyed;
        std::vector<std::thread::id> Drew;
    };
    std::mutex lock;
    std::vector<std::shared_ptr<TWatch>> watches;
    // Destroyed with the last copy of the maker that holds it.
    struct TDestroyed {
        std::shared_ptr<TWatch> Watch;
        std::mutex* Lock;
        ~TDestroyed() {
            const std::lock_guard<std::mutex> guard(*Lock);
            Watch->Destroyed = std::this_thread::get_id();
        }
    };
    const TPictureMakers makers = [&]() -> TPictureMaker {
        const auto watch = std::make_shared<TWatch>();
        {
            const std::lock_guard<std::mutex> guard(lock);
            watch->Made = std::this_thread::get_id();
            watches.push_back(watch);
        }
        const auto destroyed = std::make_shared<TDestroyed>(TDestroyed{watch, &lock});
        return [watch, destroyed, &lock](const TSpectrumResult& result) {
            const std::lock_guard<std::mutex> guard(lock);
            watch->Drew.push_back(std::this_thread::get_id());
            return std::vector<TExtraOutput>{{".png", result.FileName}};
        };
    };
    char* said = nullptr;
    std::size_t saidSize = 0;
    std::FILE* console = ::open_memstream(&said, &saidSize);
    const int exit = RunBatch(options, makers, nullptr, nullptr, {console, false, true});
    std::fclose(console);
    const std::string messages(said, saidSize);
    std::free(said);

    EXPECT_EQ(exit, 0) << messages;
    ASSERT_FALSE(watches.empty());
    EXPECT_LE(watches.size(), 2u) << "one maker per worker";
    std::size_t drawn = 0;
    for (const auto& watch : watches) {
        EXPECT_NE(watch->Made, std::this_thread::get_id()) << "made on a worker";
        EXPECT_EQ(watch->Destroyed, watch->Made) << "destroyed on its worker, before the end";
        for (const std::thread::id& thread : watch->Drew)
            EXPECT_EQ(thread, watch->Made);
        drawn += watch->Drew.size();
    }
    EXPECT_EQ(drawn, static_cast<std::size_t>(files.size()));
    for (const QString& file : files) {
        const QString name = QFileInfo(file).fileName();
        EXPECT_EQ(Contents(Out() + "/" + QFileInfo(file).completeBaseName() + ".png"),
                  name.toUtf8());
    }
}

} // namespace
