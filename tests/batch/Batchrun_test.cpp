// A run in this process, where the FITS library can be taken away: without CFITSIO a --fits
// run says so once and writes every other output.
#include "batch/Batchrun.h"

#include "fits/Fitswriteunit_internal.h"
#include "support/BatchCommand.h"

#include <cstdio>

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

} // namespace
