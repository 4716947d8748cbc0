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

TSummaryRow Row(double b, double l, std::optional<double> terminal, double uncertainty = 1.5) {
    TSummaryRow row;
    row.File = "G.dat";
    row.GalLatitude = b;
    row.GalLongitude = l;
    row.Line.TerminalVelocity = terminal;
    if (terminal)
        row.Line.TerminalUncertainty = uncertainty;
    else
        row.Line.TerminalReason = "the line reaches the end of the window";
    return row;
}

TEST(RotationCurve, EachQuadrantGivesItsPoint) {
    struct Case {
        TSummaryRow row;
        double vt, r, v; // km/s, kpc, km/s, worked by hand with R0 = 8.5, V0 = 220
    };
    const Case cases[] = {
        // l = 30: R = 8.5 / 2, V = 100 + 220 / 2.
        {Row(0.0, 30.0, 100.0), 100.0, 4.25, 210.0},
        // l = 330: V = -(-100) + 220 / 2.
        {Row(-1.5, 330.0, -100.0), -100.0, 4.25, 210.0},
        // |b| = 2 is still in the plane.
        {Row(2.0, 90.0, 0.0), 0.0, 8.5, 220.0},
    };
    for (const Case& c : cases) {
        const TRotationEntry e = RotationEntry(c.row, 8.5, 220.0);
        ASSERT_TRUE(e.TerminalVelocity && e.R && e.V) << e.Reason;
        EXPECT_EQ(e.Reason, "");
        EXPECT_DOUBLE_EQ(*e.TerminalVelocity, c.vt);
        EXPECT_NEAR(*e.R, c.r, 1e-12);
        EXPECT_NEAR(*e.V, c.v, 1e-12);
        EXPECT_EQ(e.VUncertainty, 1.5) << "V carries the terminal velocity's uncertainty";
    }
}

TEST(RotationCurve, FilesThatGiveNoPointSayWhy) {
    TSummaryRow failed;
    failed.File = "missing.dat";
    failed.Error = "Unable to open missing.dat";
    const std::pair<TSummaryRow, const char*> cases[] = {
        {failed, "the file failed: Unable to open missing.dat"},
        {Row(5.5, 30.0, 100.0), "latitude 5.5\u00B0 is more than 2\u00B0 from the"},
        {Row(-2.25, 30.0, 100.0), "latitude -2.25\u00B0 is more than 2\u00B0"},
        {Row(0.0, 120.0, 10.0), "longitude 120\u00B0 is outside 0\u00B0 to 90\u00B0 and "
                                "270\u00B0 to 360\u00B0"},
        {Row(0.0, 269.5, 10.0), "longitude 269.5\u00B0 is outside"},
        {Row(0.0, 30.0, std::nullopt),
         "no terminal velocity: the line reaches the end of the window"},
    };
    for (const auto& [row, reason] : cases) {
        const TRotationEntry e = RotationEntry(row, 8.5, 220.0);
        EXPECT_EQ(e.Reason.rfind(reason, 0), 0u) << e.Reason;
        EXPECT_FALSE(e.TerminalVelocity || e.R || e.V) << reason;
    }
}

TEST(RotationCurve, TableRowsNameTheConstants) {
    EXPECT_EQ(RotationCurveHeader(), "file,glon_deg,glat_deg,terminal_v_kms,r_kpc,v_kms,"
                                     "v_err_kms,terminal_v_err_stat_kms,terminal_v_err_sys_kms,"
                                     "r0_kpc,v0_kms,unused_because");
    const TSummaryRow used = Row(0.0, 90.0, 100.0);
    EXPECT_EQ(RotationCurveLine(used, RotationEntry(used, 8.0, 240.0), 8.0, 240.0),
              "G.dat,90,0,100,8,340,1.5,,,8,240,"); // sin 90 = 1: R = 8, V = 100 + 240
    TSummaryRow failed;
    failed.File = "a,b.dat";
    failed.Error = "Header does not start with an 's'.";
    EXPECT_EQ(RotationCurveLine(failed, RotationEntry(failed, 8.5, 220.0), 8.5, 220.0),
              "\"a,b.dat\",,,,,,,,,8.5,220,the file failed: Header does not start with an 's'.");
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

    // The model's flat rotation curve (tools/Galaxymodel.h). The line window is found in each
    // file (the default); the survey's straight baselines need two terms.
    const double modelV = 220.0;
    TBatchSettings settings;
    settings.Terms = 2;
    double largest = 0.0, sum = 0.0;
    int count = 0, refused = 0;
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const TSpectrumResult result =
            ProcessSpectrum(folder.filePath(name).toStdString(), settings, TStationSettings());
        ASSERT_TRUE(result.Ok) << result.Row.Error;
        const TRotationEntry e = RotationEntry(result.Row, 8.5, 220.0);
        const double l = name.mid(3).section('.', 0, 0).toDouble(); // G0_<l>.0.dat
        // Within 20 degrees of the centre the bar, and at most one longitude beyond (the model's
        // density step at 4 kpc thins the gas at l = 25), may make the edge a refusal; that is
        // an answer too.
        if (!e.V && (l < 20.0 || ++refused <= 1)) {
            EXPECT_FALSE(e.Reason.empty());
            continue;
        }
        ASSERT_TRUE(e.R && e.V && e.VUncertainty) << e.Reason;
        EXPECT_NEAR(*e.R, 8.5 * std::sin(l * 3.14159265358979 / 180.0), 1e-9);
        // Each point within three of its standard deviations, and a model allowance of
        // 1.5 km/s: the uncertainty is calibrated over many draws, not at every longitude.
        EXPECT_NEAR(*e.V, modelV, 3.0 * *e.VUncertainty + 1.5);
        largest = std::max(largest, std::fabs(*e.V - modelV));
        sum += *e.V - modelV;
        ++count;
    }
    EXPECT_NEAR(sum / count, 0.0, 1.5) << "the curve is not biased";
    RecordProperty("largest_error_kms", std::to_string(largest));
}

} // namespace
