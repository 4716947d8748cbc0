// The sample generator's command line, run as a user runs it.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sys/resource.h>

TEST(Makespectra, OptionsAreCheckedBeforeAnythingIsWritten) {
    const struct {
        QStringList arguments;
        int exitCode;
        const char* output; // found in standard output (or error, for a refusal)
        QStringList written;
    } cases[] = {
        {{"--help"}, 0, "FOLDER", {}},
        {{"-h"}, 0, "--survey", {}},
        {{"--version"}, 0, "kelvane-makespectra ", {}},
        {{"--bogus", "out"}, 2, "Unknown option 'bogus'", {}},
        {{}, 2, "usage: kelvane-makespectra", {}},
        {{"a", "b"}, 2, "usage: kelvane-makespectra", {}},
        {{"out"}, 0, "VLSR", {"out"}},
        {{"--", "--help"}, 0, "VLSR", {"--help"}}, // after "--" a name is a name
        {{"--noise", "2", "out"}, 2, "give --survey", {}},
        {{"--survey", "--wings", "8", "out"}, 2, "6.3, 12.3 or 25.9", {}},
        {{"--survey", "--quadrant", "second", "out"}, 2, "first, fourth or both", {}},
        {{"--repeat", "3", "--noise", "2", "out"}, 0, "G0_120.0_r03.dat: VLSR", {"out"}},
        {{"--repeat", "0", "out"}, 2, "--repeat must be a whole number from 1 to 999", {}},
        {{"--repeat", "2", "--survey", "out"}, 2, "give one", {}},
        {{"--repeat", "2", "--draws", "2", "out"}, 2, "--draws changes the survey", {}},
    };
    for (const auto& c : cases) {
        const QTemporaryDir folder;
        QProcess process;
        process.setWorkingDirectory(folder.path());
        process.start(QStringLiteral(KELVANE_MAKESPECTRA_EXE), c.arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        const QString what = c.arguments.join(' ');
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << what.toStdString();
        EXPECT_EQ(process.exitCode(), c.exitCode) << what.toStdString();
        const QByteArray output = process.readAllStandardOutput() + process.readAllStandardError();
        EXPECT_TRUE(output.contains(c.output)) << what.toStdString() << ": " << output.data();
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), c.written)
            << what.toStdString();
    }
}

// The harder survey: its files and the truth beside them. The model's terminal velocity is
// V0 (1 - |sin l|) with V0 = 220 km/s, negative in the fourth quadrant: -110 km/s at l = 330
// (sin 330 = -1/2).
TEST(Makespectra, HarderSurveyWritesItsTruth) {
    const QTemporaryDir folder;
    QProcess process;
    process.start(QStringLiteral(KELVANE_MAKESPECTRA_EXE),
                  {"--survey", "--quadrant", "fourth", "--draws", "2", "--noise-only", "3",
                   "--noise", "2", folder.path()});
    ASSERT_TRUE(process.waitForFinished(120000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().data();
    EXPECT_EQ(QDir(folder.path()).entryList({"*.dat"}, QDir::Files).size(), 2 * 15 + 3);
    QFile truth(folder.filePath("truth.csv"));
    ASSERT_TRUE(truth.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(truth.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + 2 * 15 + 3);
    EXPECT_EQ(lines[0], "file,glon_deg,glat_deg,vlsr_kms,noise_rms,terminal_v_kms");
    const struct {
        const char* file;
        double terminal; // km/s; NaN: none (noise alone)
    } cases[] = {{"G0_330.0_d02.dat", -110.0}, {"G0_350.0_noise0001.dat", NAN}};
    for (const auto& c : cases) {
        const QStringList row = lines.filter(QString(c.file) + ",").value(0).split(',');
        ASSERT_EQ(row.size(), 6) << c.file;
        EXPECT_EQ(row[4], "2") << c.file << ": the noise rms";
        if (std::isnan(c.terminal))
            EXPECT_TRUE(row[5].isEmpty()) << c.file;
        else
            EXPECT_NEAR(row[5].toDouble(), c.terminal, 1e-5) << c.file;
    }
}

// Repeated scans on a full disk: the files may not grow beyond 1000 bytes (each takes some
// 3700), so the first fails and the command says so.
TEST(Makespectra, RepeatedScansOnAFullDiskFail) {
    const QTemporaryDir folder;
    QProcess process;
    process.setChildProcessModifier([] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    process.start(QStringLiteral(KELVANE_MAKESPECTRA_EXE), {"--repeat", "2", folder.path()});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(process.readAllStandardError().contains("cannot write"));
}
