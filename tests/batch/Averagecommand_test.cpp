// kelvane-batch --average as a user runs it: the average written with its files named, and
// the runs that write nothing (a file without a position, an existing output, an option that
// does not apply, a full disk).
#include "support/BatchCommand.h"

#include <QRegularExpression>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class AverageCommand : public BatchCommand {
protected:
    // Three scans of l = 120 deg months apart: VLSRs several km/s apart.
    QStringList Scans() {
        QStringList scans;
        for (const char* date : {"12/25/09", "06/25/10", "09/25/10"})
            scans << WriteSpectrumFile(
                Folder.path(), QString("G0_120.0_%1.dat").arg(scans.size() + 1),
                std::string("s ") + date + " 22:15:07 value 1.5 n 10 20 30 40", [](int i) {
                    return 1500.0 + 40.0 * std::exp(-0.5 * std::pow((i - 210) / 6.0, 2));
                });
        return scans;
    }
};

TEST_F(AverageCommand, WritesTheAverageOrNothing) {
    const QStringList scans = Scans();
    const QString out = Out("average.txt");
    const TRun run = Run(QStringList{"--average", out} + scans);
    EXPECT_EQ(run.Exit, 0) << run.Errors.toStdString();
    EXPECT_TRUE(run.Errors.contains(QRegularExpression(
        R"(^kelvane-batch: averaged 3 files on 3[0-9]{2} channels \(-?[0-9.]+ to [0-9.]+ km/s\) into )")))
        << run.Errors.toStdString();
    const QStringList lines = QString::fromUtf8(Contents(out)).split("\r\n");
    EXPECT_EQ(lines.mid(0, 2),
              (QStringList{"Filename = Average of 3 files", "File 1 = G0_120.0_1.dat"}));
    EXPECT_TRUE(lines.value(2).contains(QRegularExpression("^File 1 VLSR = -?[0-9.]+$")))
        << lines.value(2).toStdString();
    EXPECT_TRUE(lines.contains("File 3 = G0_120.0_3.dat"));
    EXPECT_TRUE(lines.contains("Description = Velocity - VLSR v Signal"));
    const QByteArray written = Contents(out);
    const QString plain = WriteSpectrumFile(Folder.path(), "plain.dat", [](int) { return 9.0; });

    const struct {
        QStringList arguments;
        int exit;
        QString error;
    } cases[] = {
        {QStringList{"--average", Out("b.txt"), scans[0], plain}, 1,
         plain + ": no source position"},
        // A typed position stands for the names' that are missing.
        {QStringList{"--average", Out("c.txt"), "--galactic", "0,120", scans[0], plain}, 0,
         "averaged 2 files"},
        {QStringList{"--average", out} + scans, 1, "the file already exists"},
        {QStringList{"--average", Out("b.txt"), "--png"} + scans, 2,
         "--average writes the average alone: give it without --png"},
        // Another site for the run: each file's VLSR is that of the site given.
        {QStringList{"--average", Out("d.txt"), "--site", "-30,150,500"} + scans, 0,
         "averaged 3 files"},
    };
    for (const auto& c : cases) {
        const TRun failed = Run(c.arguments);
        EXPECT_EQ(failed.Exit, c.exit) << c.error.toStdString();
        EXPECT_TRUE(failed.Errors.contains(c.error)) << failed.Errors.toStdString();
    }
    EXPECT_EQ(Contents(out), written) << "an existing average is replaced only with --force";
    EXPECT_EQ(QDir(Folder.path()).entryList({"*.txt"}, QDir::Files | QDir::Hidden),
              (QStringList{"average.txt", "c.txt", "d.txt"}));
    const auto vlsr = [](const QByteArray& text) {
        return text.mid(text.indexOf("File 1 VLSR = "), 24);
    };
    EXPECT_NE(vlsr(Contents(Out("d.txt"))), vlsr(written)) << "the site given is used";
    EXPECT_EQ(Run(QStringList{"--average", out, "--force", "-q"} + scans.mid(0, 2)).Errors, "");
    EXPECT_NE(Contents(out), written);
}

// Files of other positions, or one file twice, are refused with both named; --force replaces
// neither one of the files averaged nor a FIFO given as the output.
TEST_F(AverageCommand, RefusesOtherPositionsAndOutputsThatAreNoNewFile) {
    const QStringList scans = Scans();
    const QString at30 = WriteSpectrumFile(Folder.path(), "G0_30.0.dat", [](int) { return 9.0; });
    const QString again = Folder.path() + "/./G0_120.0_1.dat";
    const QString fifo = Out("fifo.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QByteArray first = Contents(scans[0]);

    const struct {
        QStringList arguments;
        QString error;
    } cases[] = {
        {QStringList{"--average", Out("a.txt"), scans[0], at30}, at30 + ": l = 30.00"},
        {QStringList{"--average", Out("a.txt"), scans[0], at30}, "of " + scans[0]},
        {QStringList{"--average", Out("a.txt"), scans[0], again},
         again + ": the same file as " + scans[0]},
        {QStringList{"--average", again, "--force"} + scans,
         "Cannot save \"" + again + "\": it is one of the files averaged (" + scans[0] + ")"},
        {QStringList{"--average", fifo, "--force"} + scans,
         "Cannot save \"" + fifo + "\": it is a FIFO, not a regular file"},
    };
    for (const auto& c : cases) {
        const TRun run = Run(c.arguments);
        EXPECT_EQ(run.Exit, 1) << c.error.toStdString();
        EXPECT_TRUE(run.Errors.contains(c.error)) << run.Errors.toStdString();
    }
    EXPECT_EQ(Contents(scans[0]), first);
    struct stat status {};
    EXPECT_TRUE(::stat(QFile::encodeName(fifo).constData(), &status) == 0 &&
                S_ISFIFO(status.st_mode));
    EXPECT_EQ(QDir(Folder.path()).entryList({"*.txt", ".*.tmp"}, QDir::Files | QDir::Hidden),
              QStringList());
}

TEST_F(AverageCommand, AFullDiskLeavesNothing) {
    // Files may not grow beyond 2000 bytes; the average takes some 10 000.
    const TRun run = Run(QStringList{"--average", Out("average.txt")} + Scans(), {}, [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{2000, 2000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(run.Exit, 1);
    EXPECT_TRUE(run.Errors.contains("average.txt\": File too large")) << run.Errors.toStdString();
    EXPECT_EQ(QDir(Folder.path()).entryList({"*.txt", ".*.tmp"}, QDir::Files | QDir::Hidden),
              QStringList());
}

} // namespace
