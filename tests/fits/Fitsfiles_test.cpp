// Every kind of FITS file the program writes, checked by the format's own verifier (fitsverify:
// 0 warnings, 0 errors) and read back by astropy (tests/fits/check-fits.py: the WCS against
// each pixel's x, the header against the saved text file beside it). Both tools are test
// dependencies that scripts/install-deps installs, so a missing one fails the test.
#include "data/Saveunit.h"
#include "fits/Fitsunit.h"
#include "fits/Fitswriteunit.h"
#include "session/Detailsstate.h"
#include "session/Sessionunit.h"
#include "settings/Globalunit.h"
#include "support/BatchCommand.h"

#include <QDirIterator>

namespace {

class FitsFiles : public BatchCommand {
protected:
    // A spectrum the window would export, written by the core with its saved text beside it:
    // no details applied, no baseline subtracted, on the axis of mode, or on exact 5 kHz steps.
    void WriteUncorrected(const QString& folder, const QString& input, int mode, bool linear) {
        TSession session;
        session.Read(input.toStdString());
        session.SelectAxis(mode);
        const TStationSettings station;
        const TDetailsState details = session.DetailsShown(TDetailsState::Create(station));
        const std::string title = GraphTitleFor(mode, false);
        const TSaveHeader header = session.SaveHeader(details, title, QLocale::c());
        TFitsSpectrum spectrum =
            FitsSpectrumOf(session, details, title, mode, station, QLocale::c());
        if (linear)
            for (int i = 0; i < ChannelCount; ++i)
                spectrum.X[static_cast<std::size_t>(i)] = 5000.0 * i - 1000000.0;
        const TFitsImage image = FitsSpectrumImage(spectrum);
        EXPECT_EQ(image.Table.has_value(), !linear);
        QDir().mkpath(folder);
        const std::string stem = QDir(folder).filePath("spectrum").toStdString();
        WriteTextFileSafely(stem + ".txt", SavedText(header, spectrum.X, session.Signal()));
        WriteTextFileSafely(stem + ".fits", FitsFileBytes(image));
    }

    static QString Started(QProcess& process, const QString& program, const QStringList& args) {
        process.start(program, args);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return program +
                   " did not run (scripts/install-deps installs it): " + process.errorString();
        return {};
    }
};

TEST_F(FitsFiles, PassFitsverifyAndReadBackAsSaved) {
    // The saved text's file time in the C locale's words, as the reading script expects.
    Environment.insert("LC_ALL", "C");
    QStringList inputs;
    for (const char* name : {"G0_30.0.dat", "G0_60.0.dat", "G0_120.0.dat", "G5.30_m120.15.dat"})
        inputs << QStringLiteral(KELVANE_SOURCE_DIR "/Data/") + name;
    // A survey file with missing channels (signal exactly 0).
    inputs << WriteSpectrumFile(Folder.path(), "G0.5_45.0.dat", [](int i) {
        const double d = (i - 180) / 9.0;
        return i % 41 == 3 ? 0.0
                           : 1500.0 + 0.05 * i + 30.0 * std::exp(-0.5 * d * d) + std::sin(3.0 * i);
    });
    QStringList folders;
    for (const char* axis : {"frequency", "wavelength", "velocity", "vlsr"}) {
        QStringList arguments = {"--fits", "-q", "--axis", axis, "--out", Out(axis)};
        if (QString(axis) == "vlsr")
            arguments << "--lv-diagram";
        const TRun run = Run(arguments + inputs);
        ASSERT_EQ(run.Exit, 0) << run.Errors.toStdString();
        for (const QString& input : inputs)
            EXPECT_TRUE(QFile::exists(
                QDir(Out(axis)).filePath(QFileInfo(input).completeBaseName() + ".fits")))
                << "beside the text output: " << input.toStdString();
        folders << Out(axis);
    }
    EXPECT_TRUE(QFile::exists(QDir(Out("vlsr")).filePath("lv-diagram.fits")));
    WriteUncorrected(Out("raw"), inputs[0], ModeVelocity, false);
    WriteUncorrected(Out("linear"), inputs[0], ModeFrequency, true);
    folders << Out("raw") << Out("linear");

    int verified = 0;
    for (const QString& folder : folders) {
        for (QDirIterator files(folder, {"*.fits"}); files.hasNext(); ++verified) {
            const QString file = files.next();
            QProcess fitsverify;
            const QString failure = Started(fitsverify, "fitsverify", {file});
            ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
            const QString report = QString::fromUtf8(fitsverify.readAllStandardOutput());
            EXPECT_TRUE(report.contains("Verification found 0 warning(s) and 0 error(s)"))
                << report.toStdString();
        }
    }
    EXPECT_EQ(verified, 4 * 5 + 1 + 2);

    QProcess astropy;
    astropy.setProcessChannelMode(QProcess::MergedChannels);
    const QString failure = Started(astropy, KELVANE_TEST_PYTHON,
                                    QStringList{"-W", "ignore", KELVANE_CHECK_FITS} + folders);
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    const QString report = QString::fromUtf8(astropy.readAll());
    EXPECT_EQ(astropy.exitCode(), 0) << report.toStdString();
    EXPECT_TRUE(report.contains(QString("%1 passed, 0 failed").arg(verified)))
        << report.toStdString();
}

} // namespace
