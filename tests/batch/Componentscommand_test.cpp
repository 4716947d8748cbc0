// kelvane-batch --gaussians and --smooth as a user runs them: components.csv beside the summary,
// the smoothing named in each saved text, and a full disk.
#include "support/BatchCommand.h"

#include <QSettings>
#include <sys/resource.h>

namespace {

// The samples' line is a Gaussian of 40 over channels of sigma 7 channels (see Sample), on a
// velocity axis of 299792.458 x 5 kHz / 1420.405752 MHz = 1.05530 km/s a channel: FWHM
// 2.35482 x 7 x 1.05530 = 17.395 km/s. The ripple sin(n + 3i) beside it has an rms of 0.71,
// under which nothing else is significant.
TEST_F(BatchCommand, GaussiansWriteComponentsBesideTheSummary) {
    const QStringList files = Samples(3);
    const TRun run = Run(Basic(Out()) + QStringList{"--gaussians", "auto"} + files);
    ASSERT_EQ(run.Exit, 0) << run.Errors.toStdString();

    const QString text = QString::fromUtf8(Contents(Out() + "/components.csv"));
    ASSERT_TRUE(text.endsWith("\r\n"));
    QStringList lines = text.split("\r\n");
    lines.removeLast();
    ASSERT_EQ(lines.size(), 1 + files.size()) << text.toStdString();
    const QStringList header = lines[0].split(',');
    EXPECT_EQ(header, QString("file,component,amplitude,amplitude_err,centre_kms,centre_err_kms,"
                              "fwhm_kms,fwhm_err_kms,area_signal_kms,status,reason")
                          .split(','));
    for (int k = 1; k < lines.size(); ++k) {
        const QStringList row = lines[k].split(',');
        ASSERT_EQ(row.size(), header.size()) << lines[k].toStdString();
        EXPECT_EQ(row[0], files[k - 1]);
        EXPECT_EQ(row[1], "1");
        EXPECT_EQ(row[header.indexOf("status")], "kept");
        EXPECT_NEAR(row[header.indexOf("amplitude")].toDouble(), 40.0, 0.4);
        EXPECT_NEAR(row[header.indexOf("fwhm_kms")].toDouble(), 17.395, 0.35);
    }
    const QStringList summary = SummaryLines(Out());
    const QStringList columns = summary[0].split(',');
    ASSERT_GE(columns.indexOf("components"), 0);
    EXPECT_EQ(summary[1].split(',')[columns.indexOf("components")], "1");
    EXPECT_EQ(summary[1].split(',')[columns.indexOf("components_dropped")], "0");
    EXPECT_EQ(summary[1].split(',')[columns.indexOf("nhi_note")],
              "no calibration: set kelvin per count in the station settings");

    // Smoothed, the ripple (3 radians a channel) all but goes, and what the baseline leaves
    // becomes significant: one component asked for is the line.
    const TRun smoothed = Run(Basic(Out("smoothed")) +
                              QStringList{"--gaussians", "1", "--smooth", "hanning"} + files);
    ASSERT_EQ(smoothed.Exit, 0) << smoothed.Errors.toStdString();
    const QStringList row = QString::fromUtf8(Contents(Out("smoothed") + "/components.csv"))
                                .split("\r\n")[1]
                                .split(',');
    EXPECT_NEAR(row[header.indexOf("amplitude")].toDouble(), 40.0, 0.4);
    EXPECT_TRUE(Contents(Out("smoothed") + "/" + QFileInfo(files[0]).completeBaseName() + ".txt")
                    .contains("\r\nSmoothing = Hanning\r\n"));
}

// The station's calibration gives the column density: 1.823e18 cm^-2 per K km/s times
// 0.5 K per count times the summary's integral.
TEST_F(BatchCommand, TheCalibrationGivesTheColumnDensity) {
    {
        QSettings store("Fernhollow", "Tovrel");
        store.setValue("Calibration/KelvinPerCount", "0.5");
    }
    const TRun run = Run(Basic(Out()) + Samples(1));
    QSettings("Fernhollow", "Tovrel").remove("Calibration");
    ASSERT_EQ(run.Exit, 0) << run.Errors.toStdString();
    const QStringList summary = SummaryLines(Out());
    const QStringList columns = summary[0].split(','), row = summary[1].split(',');
    const double integral = row[columns.indexOf("integral_signal_kms")].toDouble();
    EXPECT_NEAR(row[columns.indexOf("nhi_cm2")].toDouble(), 1.823e18 * 0.5 * integral,
                1e-9 * 1.823e18 * 0.5 * integral);
    EXPECT_GT(row[columns.indexOf("nhi_err_cm2")].toDouble(), 0.0);
    EXPECT_EQ(row[columns.indexOf("nhi_note")], "");
}

// Files that may not grow beyond 300 bytes: components.csv fails with the reason, as the
// summary does, and no temporary file stays.
TEST_F(BatchCommand, ComponentsOnAFullDiskAreNotWritten) {
    const TRun run = Run(Basic(Out()) + QStringList{"--gaussians", "2"} + Samples(3), {}, [] {
        const rlimit limit{300, 300};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(run.Exit, 1) << "ended by a signal when -1";
    EXPECT_TRUE(run.Errors.contains("components.csv\": File too large"))
        << run.Errors.toStdString();
    EXPECT_TRUE(QDir(Out()).entryList(QDir::Files | QDir::Hidden).isEmpty())
        << QDir(Out()).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
}

} // namespace
