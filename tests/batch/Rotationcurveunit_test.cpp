// The rotation curve of a survey: which files give a point and why the others do not, the
// table's rows, and the curve recovered from the sample generator's survey.
#include "batch/Rotationcurveunit.h"

#include "settings/Globalunit.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

TSummaryRow Row(double b, double l, std::optional<double> highest, std::optional<double> lowest) {
    TSummaryRow row;
    row.File = "G.dat";
    row.GalLatitude = b;
    row.GalLongitude = l;
    row.Line.HighestVelocity = highest;
    row.Line.LowestVelocity = lowest;
    // The summary's terminal velocity, farthest from zero; never the one the curve takes here.
    row.Line.TerminalVelocity = 999.0;
    return row;
}

TEST(RotationCurve, EachQuadrantTakesItsOwnTerminalVelocity) {
    struct Case {
        TSummaryRow row;
        double vt, r, v; // km/s, kpc, km/s, worked by hand with R0 = 8.5, V0 = 220
    };
    const Case cases[] = {
        // l = 30: R = 8.5 / 2, V = 100 + 220 / 2; the far wing at -120 km/s is not taken.
        {Row(0.0, 30.0, 100.0, -120.0), 100.0, 4.25, 210.0},
        // l = 330: V = -(-100) + 220 / 2; the local gas at +20 km/s is not taken.
        {Row(-1.5, 330.0, 20.0, -100.0), -100.0, 4.25, 210.0},
        // |b| = 2 is still in the plane.
        {Row(2.0, 90.0, 0.0, -50.0), 0.0, 8.5, 220.0},
    };
    for (const Case& c : cases) {
        const TRotationEntry e = RotationEntry(c.row, 8.5, 220.0);
        ASSERT_TRUE(e.TerminalVelocity && e.R && e.V) << e.Reason;
        EXPECT_EQ(e.Reason, "");
        EXPECT_DOUBLE_EQ(*e.TerminalVelocity, c.vt);
        EXPECT_NEAR(*e.R, c.r, 1e-12);
        EXPECT_NEAR(*e.V, c.v, 1e-12);
    }
}

TEST(RotationCurve, FilesThatGiveNoPointSayWhy) {
    TSummaryRow failed;
    failed.File = "missing.dat";
    failed.Error = "Unable to open missing.dat";
    const std::pair<TSummaryRow, const char*> cases[] = {
        {failed, "the file failed: Unable to open missing.dat"},
        {Row(5.5, 30.0, 100.0, -10.0), "latitude 5.5\u00B0 is more than 2\u00B0 from the"},
        {Row(-2.25, 30.0, 100.0, -10.0), "latitude -2.25\u00B0 is more than 2\u00B0"},
        {Row(0.0, 120.0, 10.0, -80.0), "longitude 120\u00B0 is outside 0\u00B0 to 90\u00B0 and "
                                       "270\u00B0 to 360\u00B0"},
        {Row(0.0, 269.5, 10.0, -80.0), "longitude 269.5\u00B0 is outside"},
        {Row(0.0, 30.0, std::nullopt, std::nullopt), "no terminal velocity"},
    };
    for (const auto& [row, reason] : cases) {
        const TRotationEntry e = RotationEntry(row, 8.5, 220.0);
        EXPECT_EQ(e.Reason.rfind(reason, 0), 0u) << e.Reason;
        EXPECT_FALSE(e.TerminalVelocity || e.R || e.V) << reason;
    }
}

TEST(RotationCurve, TableRowsNameTheConstants) {
    EXPECT_EQ(RotationCurveHeader(),
              "file,glon_deg,glat_deg,terminal_v_kms,r_kpc,v_kms,r0_kpc,v0_kms,unused_because");
    const TSummaryRow used = Row(0.0, 90.0, 100.0, -120.0);
    EXPECT_EQ(RotationCurveLine(used, RotationEntry(used, 8.0, 240.0), 8.0, 240.0),
              "G.dat,90,0,100,8,340,8,240,"); // sin 90 = 1: R = 8, V = 100 + 240
    TSummaryRow failed;
    failed.File = "a,b.dat";
    failed.Error = "Header does not start with an 's'.";
    EXPECT_EQ(RotationCurveLine(failed, RotationEntry(failed, 8.5, 220.0), 8.5, 220.0),
              "\"a,b.dat\",,,,,,8.5,220,the file failed: Header does not start with an 's'.");
}

// The survey of the sample generator (makespectra --survey) taken through the batch's steps:
// the curve must come back flat at the model's own rotation speed.
TEST(RotationCurve, TheGeneratorsSurveyGivesBackItsFlatCurve) {
    QTemporaryDir folder;
    QProcess generator;
    generator.start(QStringLiteral(KELVANE_MAKESPECTRA_EXE), {"--survey", folder.path()});
    ASSERT_TRUE(generator.waitForFinished(60000));
    ASSERT_EQ(generator.exitCode(), 0);
    const QStringList names = QDir(folder.path()).entryList({"*.dat"}, QDir::Files);
    ASSERT_EQ(names.size(), 15) << "l = 10, 15, ... 80 degrees";

    // The model's flat rotation curve and the gas's velocity dispersion (tools/makespectra.cpp).
    const double modelV = 220.0, sigma = 8.0;
    // The window holds every line of the survey (its far wing reaches about -130 km/s at
    // l = 80, its terminal velocity about +185 km/s at l = 10); the survey's straight
    // baselines need two terms.
    TBatchSettings settings;
    settings.Windows = {{-150.0, 210.0}};
    settings.Terms = 2;
    // Tolerance of V - 220 km/s. Above: the terminal velocity is read where the line's far
    // edge falls below 3 x rms, and beyond the tangent point the line fades as a Gaussian of
    // the gas's dispersion (8 km/s). From a tangent-point brightness A it crosses 3 x rms at
    // sigma sqrt(2 ln(A / 3 rms)) past the true terminal velocity; A is at most the line's peak,
    // 60 rms in the survey, so the overshoot is at most 8 x sqrt(2 ln 20) = 19.6 km/s; plus a
    // channel (1.05 km/s), as the crossing is read at a channel, and one more for noise that
    // lifts the last two channels above the threshold: 21.7 km/s. Below: the tangent point's own
    // emission is above the threshold in every file (weakest at l = 10, about 4 rms), so only the
    // channel spacing and noise that ends the run of channels a channel or two early can make it
    // fall short: 2 channels, rounded up to 3 km/s.
    const double above = sigma * std::sqrt(2.0 * std::log(60.0 / 3.0)) + 2 * 1.05;
    const double below = 3.0;
    double largest = 0.0;
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const TSpectrumResult result =
            ProcessSpectrum(folder.filePath(name).toStdString(), settings, TStationSettings());
        ASSERT_TRUE(result.Ok) << result.Row.Error;
        const TRotationEntry e = RotationEntry(result.Row, 8.5, 220.0);
        ASSERT_TRUE(e.R && e.V) << e.Reason;
        const double l = name.mid(3).section('.', 0, 0).toDouble(); // G0_<l>.0.dat
        EXPECT_NEAR(*e.R, 8.5 * std::sin(l * 3.14159265358979 / 180.0), 1e-9);
        EXPECT_GE(*e.V - modelV, -below);
        EXPECT_LE(*e.V - modelV, above);
        largest = std::max(largest, std::fabs(*e.V - modelV));
    }
    RecordProperty("largest_error_kms", std::to_string(largest));
}

} // namespace
