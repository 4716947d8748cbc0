// The sample generator's command line, run as a user runs it.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
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

// Spectra of known components: the truth file names each, and the spectrum holds them where
// the truth says, on the velocity-minus-VLSR axis: 1500 + 0.05 (i - 200) of baseline plus the
// components at channel i's velocity less the VLSR (no noise is too little: --noise 0.001).
TEST(Makespectra, ComponentsAndTheirTruth) {
    const QTemporaryDir folder;
    QProcess process;
    process.start(
        QStringLiteral(KELVANE_MAKESPECTRA_EXE),
        {"--components", "30,-20,15;-5,40,6", "--noise", "0.001", "--draws", "2", folder.path()});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QFile truthFile(folder.filePath("components_truth.csv"));
    ASSERT_TRUE(truthFile.open(QIODevice::ReadOnly));
    const QStringList truth =
        QString::fromUtf8(truthFile.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(truth.size(), 5);
    EXPECT_EQ(truth[0], "file,component,amplitude,centre_kms,fwhm_kms,noise_rms,vlsr_kms");
    EXPECT_TRUE(truth[1].startsWith("G0_120.0_c01.dat,1,30,-20,15,0.001,"));
    EXPECT_TRUE(truth[4].startsWith("G0_120.0_c02.dat,2,-5,40,6,0.001,"));
    const double vlsr = truth[1].split(',').last().toDouble();

    QFile spectrum(folder.filePath("G0_120.0_c01.dat"));
    ASSERT_TRUE(spectrum.open(QIODevice::ReadOnly));
    QStringList items =
        QString::fromUtf8(spectrum.readAll()).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    const int header = items.indexOf("5000") + 1; // the header line ends with "step 5000"
    ASSERT_EQ(items.size() - header, 400);
    // The channel velocities: channel i lies 5000 i - 1000001.77 Hz from the program's rest
    // frequency f0 = 1420405751 Hz, and its velocity is c (lambda - lambda0) / lambda0 with
    // lambda = c / f and the program's rest wavelength lambda0 = 0.2110611 m.
    const double c = 299792458.0, f0 = 1420405751.0, lambda0 = 0.2110611;
    for (int i = 0; i < 400; i += 7) {
        const double f = f0 + 5000.0 * i - 1000001.77;
        const double v = 0.001 * c * (c / f - lambda0) / lambda0 - vlsr;
        const auto g = [v](double a, double centre, double fwhm) {
            const double u = (v - centre) / fwhm;
            return a * std::exp(-4.0 * std::log(2.0) * u * u);
        };
        const double expected = 1500.0 + 0.05 * (i - 200) + g(30, -20, 15) + g(-5, 40, 6);
        EXPECT_NEAR(items[header + i].toDouble(), expected, 0.01) << "channel " << i;
    }

    QProcess refused;
    refused.start(QStringLiteral(KELVANE_MAKESPECTRA_EXE),
                  {"--components", "30,-20", folder.filePath("other")});
    ASSERT_TRUE(refused.waitForFinished(60000));
    EXPECT_EQ(refused.exitCode(), 2);
    EXPECT_TRUE(refused.readAllStandardError().contains("--components needs A,V,FWHM"));
    EXPECT_FALSE(QDir(folder.filePath("other")).exists());
}

// On a full disk the component spectra fail and the command says so.
TEST(Makespectra, ComponentsOnAFullDiskFail) {
    const QTemporaryDir folder;
    QProcess process;
    process.setChildProcessModifier([] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    process.start(QStringLiteral(KELVANE_MAKESPECTRA_EXE),
                  {"--components", "10,0,20", folder.path()});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(process.readAllStandardError().contains("cannot write"));
}
