// One file through the batch's steps, the line's figures and the summary's row.
#include "batch/Batchunit.h"
#include "batch/Rotationcurveunit.h"

#include "astro/Vlsrunit.h"
#include "data/Datetimeunit.h"
#include "numeric/Modelspectra.h"
#include "numeric/Polyfitunit.h"
#include "settings/Globalunit.h"
#include "support/SpectrumFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// ---- Texts of the summary ------------------------------------------------------------------

TEST(BatchSummary, CsvFieldsQuotedAsRfc4180Asks) {
    const std::pair<const char*, const char*> cases[] = {
        {"G0_30.0.dat", "G0_30.0.dat"},
        {"a,b.dat", "\"a,b.dat\""},
        {"Header does not start with an 's'.", "Header does not start with an 's'."},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
        {"", ""},
        // Text that a spreadsheet would take for a formula gets a leading apostrophe, inside
        // quotes (the neutralisation OWASP describes for CSV injection).
        {"=cmd|calc!A1.dat", "\"'=cmd|calc!A1.dat\""},
        {"@SUM(1).dat", "\"'@SUM(1).dat\""},
        {"+1.dat", "\"'+1.dat\""},
        {"-2,3.dat", "\"'-2,3.dat\""},
        {"\tx", "\"'\tx\""},
        {"\rx", "\"'\rx\""},
        {"a=b", "a=b"},
    };
    for (const auto& [text, field] : cases)
        EXPECT_EQ(CsvField(text), field);
}

TEST(BatchSummary, TextCellsNeverBecomeFormulasNumbersStayNumbers) {
    TSummaryRow row;
    row.File = "=cmd|calc!A1.dat";
    row.GalLatitude = -1.5;
    row.Error = "-bad";
    const std::string line = SummaryLine(row, 1);
    EXPECT_EQ(line.rfind("\"'=cmd|calc!A1.dat\",,-1.5,", 0), 0u) << line;
    EXPECT_EQ(line.substr(line.rfind(',')), ",\"'-bad\"") << line;
    TRotationEntry entry;
    entry.Reason = "@reason";
    EXPECT_EQ(RotationCurveLine(row, entry, 8.5, 220.0),
              "\"'=cmd|calc!A1.dat\",,-1.5,,,,,,,8.5,220,\"'@reason\"");
}

TEST(BatchSummary, NumbersReadBackExactly) {
    for (double x : {0.1, -27.852, 1e-7, 1500.0, 0.9968157447902337, -2.609166666666681}) {
        const std::string text = ExactNumberText(x);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), x) << text;
        EXPECT_EQ(text.find(','), std::string::npos);
    }
    EXPECT_EQ(ExactNumberText(0.1), "0.1");
    EXPECT_EQ(ExactNumberText(1500.0), "1500");
}

TEST(BatchSummary, ObservationTimeInIso8601) {
    double date = 0.0, time = 0.0;
    ASSERT_TRUE(TryEncodeDate(2009, 12, 25, date));
    ASSERT_TRUE(TryEncodeTime(22, 15, 7, 0, time));
    EXPECT_EQ(IsoTimeText(date + time), "2009-12-25T22:15:07Z");
    ASSERT_TRUE(TryEncodeDate(2024, 3, 5, date));
    EXPECT_EQ(IsoTimeText(date), "2024-03-05T00:00:00Z");
}

TEST(BatchSummary, OutputNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"Data/G5.30_m120.15.dat", "G5.30_m120.15"}, {"G0_30.0.dat", "G0_30.0"},
        {"/a/b/noextension", "noextension"},         {"x/.hidden", ".hidden"},
        {"x/archive.tar.gz", "archive.tar"},
    };
    for (const auto& [path, stem] : cases)
        EXPECT_EQ(OutputStem(path), stem);
}

// Splits a CSV line without quoted fields.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == ',')
            fields.emplace_back();
        else
            fields.back().push_back(c);
    }
    return fields;
}

TEST(BatchSummary, OneColumnPerCoefficientAndEmptyUnknowns) {
    const std::vector<std::string> header = Fields(SummaryHeader(3));
    EXPECT_EQ(header, (std::vector<std::string>{"file",
                                                "time_utc",
                                                "glat_deg",
                                                "glon_deg",
                                                "ra_h",
                                                "dec_deg",
                                                "vlsr_kms",
                                                "correlation",
                                                "a0",
                                                "a1",
                                                "a2",
                                                "rms",
                                                "peak",
                                                "peak_v_kms",
                                                "integral_signal_kms",
                                                "terminal_v_kms",
                                                "terminal_v_err_kms",
                                                "terminal_v_err_stat_kms",
                                                "terminal_v_err_sys_kms",
                                                "highest_v_kms",
                                                "lowest_v_kms",
                                                "terminal_v_note",
                                                "line_windows",
                                                "integral_err_signal_kms",
                                                "nhi_cm2",
                                                "nhi_err_cm2",
                                                "nhi_note",
                                                "error"}));
    TSummaryRow row;
    row.File = "missing.dat";
    row.Error = "Unable to open missing.dat";
    const std::vector<std::string> fields = Fields(SummaryLine(row, 3));
    ASSERT_EQ(fields.size(), header.size());
    EXPECT_EQ(fields.front(), "missing.dat");
    EXPECT_EQ(fields.back(), "Unable to open missing.dat");
    for (std::size_t i = 1; i + 1 < fields.size(); ++i)
        EXPECT_EQ(fields[i], "") << header[i];
}

// ---- Whole files ---------------------------------------------------------------------------

class BatchFile : public ::testing::Test {
protected:
    QTemporaryDir Folder;

    std::string Write(const char* name, const std::string& header,
                      const std::function<double(int)>& signal, int count = 400) {
        return WriteSpectrumFile(Folder.path(), name, header, signal, count).toStdString();
    }
};

// The site and time of the radial-velocity correction's worked example: 54 deg 16' N,
// 2 deg 16' W, sea level, equinox 1950; 21 March 2005 (day 80) at 12:00 UT.
TStationSettings WorkedExampleSite() {
    TStationSettings site;
    site.LatDegrees = 54, site.LatMinutes = 16, site.LatSeconds = 0;
    site.LongDegrees = -2, site.LongMinutes = 16, site.LongSeconds = 0;
    site.Height = 0;
    site.EquinoxSelector = 0;
    return site;
}
const char* const WorkedExampleHeader = "s 03/21/05 12:00:00 gain 1.5 int 10 20 30 40";

// A quadratic baseline in velocity and a line that is exactly 0 outside -60..40 km/s.
double Baseline(double v) {
    return 1500.0 + 0.05 * v - 0.001 * v * v;
}
double Line(double v) {
    return v < -60.0 || v > 40.0 ? 0.0 : 30.0 * std::exp(-0.5 * std::pow((v + 10.0) / 5.0, 2));
}

TEST_F(BatchFile, SummaryRowAgainstAnIndependentVlsrAndPeak) {
    const std::vector<double> velocities = Velocities;
    const std::string path = Write("source.dat", WorkedExampleHeader, [&](int i) {
        return Baseline(velocities[i]) + Line(velocities[i]);
    });
    TBatchSettings settings;
    settings.Windows = {{-60.0, 40.0}};
    settings.Terms = 3;
    settings.Mode = ModeVelocity;
    settings.Position = TPositionSource::Equatorial;
    settings.PositionTexts = {"19", "59", "28", "40", "44", "2"};
    const TSpectrumResult r = ProcessSpectrum(path, settings, WorkedExampleSite());
    ASSERT_TRUE(r.Ok) << r.Row.Error;

    // The VLSR from the correction itself with the same inputs: the position and site in
    // degrees, the longitude positive west as the correction takes it.
    double lst, vSun, vMoon, vRot, vlsr;
    ComputeVlsr((19 + 59 / 60.0 + 28 / 3600.0) * 15.0, 40 + 44 / 60.0 + 2 / 3600.0, 1950.0, 2005.0,
                31 + 28 + 21, 12.0, 54 + 16 / 60.0, 2 + 16 / 60.0, 0.0, lst, vSun, vMoon, vRot,
                vlsr, 18.0, 30.0, 20.0);
    const TSummaryRow& row = r.Row;
    ASSERT_TRUE(row.Vlsr);
    EXPECT_NEAR(*row.Vlsr, vlsr, 1e-9);
    EXPECT_EQ(row.TimeUtc, "2005-03-21T12:00:00Z");
    EXPECT_NEAR(*row.RaHours, 19 + 59 / 60.0 + 28 / 3600.0, 1e-12);
    EXPECT_NEAR(*row.Declination, 40 + 44 / 60.0 + 2 / 3600.0, 1e-12);

    // The baseline is recovered and the line is what remains: its peak is the largest model
    // value on a channel inside the window, at that channel's velocity minus the VLSR.
    ASSERT_EQ(row.Coefficients.size(), 3u);
    EXPECT_NEAR(row.Coefficients[0], 1500.0, 1e-7);
    EXPECT_NEAR(row.Coefficients[1], 0.05, 1e-9);
    EXPECT_NEAR(row.Coefficients[2], -0.001, 1e-11);
    EXPECT_GT(*row.Correlation, 0.999999);
    std::size_t peak = 0;
    double integral = 0.0;
    for (std::size_t i = 0; i < velocities.size(); ++i) {
        if (Line(velocities[i]) > Line(velocities[peak]))
            peak = i;
        if (velocities[i] >= -60.0 && velocities[i] <= 40.0)
            integral += Line(velocities[i]) * std::fabs(velocities[i + 1] - velocities[i - 1]) / 2;
    }
    ASSERT_TRUE(row.Line.Peak && row.Line.PeakVelocity && row.Line.Integral && row.Line.Rms);
    EXPECT_NEAR(*row.Line.Peak, Line(velocities[peak]), 1e-6);
    EXPECT_NEAR(*row.Line.PeakVelocity, velocities[peak] - vlsr, 1e-9);
    // A Gaussian of 30 x 5 km/s x sqrt(2 pi) = 375.99 signal km/s, summed channel by channel.
    EXPECT_NEAR(*row.Line.Integral, integral, 1e-5);
    EXPECT_NEAR(integral, 30.0 * 5.0 * std::sqrt(2.0 * M_PI), 0.01);
    EXPECT_LT(*row.Line.Rms, 1e-6) << "nothing but the baseline outside the window";
    EXPECT_TRUE(row.Error.empty());
}

TEST_F(BatchFile, TheSavedTextHasTheCorrectedSpectrum) {
    const std::vector<double> velocities = Velocities;
    const std::string path = Write("G5.30_m120.15.dat", WorkedExampleHeader, [&](int i) {
        return Baseline(velocities[i]) + Line(velocities[i]);
    });
    TBatchSettings settings;
    settings.Windows = {{-60.0, 40.0}};
    settings.Terms = 3;
    settings.Mode = ModeVelocity;
    const TSpectrumResult r = ProcessSpectrum(path, settings, WorkedExampleSite());
    ASSERT_TRUE(r.Ok) << r.Row.Error;
    EXPECT_EQ(r.FileName, "G5.30_m120.15.dat");
    EXPECT_EQ(r.Title, "Velocity (corrected)  v Signal");
    // The position from the name: 5 deg 30', -120 deg 15' (239.75 deg).
    EXPECT_DOUBLE_EQ(*r.Row.GalLatitude, 5.5);
    EXPECT_DOUBLE_EQ(*r.Row.GalLongitude, 239.75);
    EXPECT_EQ(r.SavedText.rfind("Filename = G5.30_m120.15.dat\r\n"
                                "Description = Velocity (corrected)  v Signal\r\na0 = 1500\r\n",
                                0),
              0u)
        << r.SavedText.substr(0, 200);
    EXPECT_NE(r.SavedText.find("\r\nGLat = 5\u00b0 30' 0\"\r\nGLong = 239\u00b0 45' 0\"\r\n"),
              std::string::npos);
    ASSERT_EQ(r.X.size(), 400u);
    for (std::size_t i = 0; i < r.X.size(); ++i)
        ASSERT_NEAR(r.Signal[i], Line(velocities[i]), 1e-6) << "channel " << i;
}

TEST_F(BatchFile, EveryFileStartsAfresh) {
    // A file without a position after one with a position: the earlier name's position must
    // not reach the later file's saved text.
    TBatchSettings settings;
    settings.Windows = {{-60.0, 40.0}};
    const auto flat = [](int i) { return 100.0 + 0.01 * i; };
    ASSERT_TRUE(ProcessSpectrum(Write("G5.30_m120.15.dat", WorkedExampleHeader, flat), settings,
                                WorkedExampleSite())
                    .Ok);
    settings.Position = TPositionSource::Galactic;
    settings.PositionTexts = {"1", "0", "0", "2", "0", "0"};
    const TSpectrumResult r = ProcessSpectrum(Write("plain.dat", WorkedExampleHeader, flat),
                                              settings, WorkedExampleSite());
    ASSERT_TRUE(r.Ok) << r.Row.Error;
    // The saved galactic lines name the position typed, as Ra and Dec do.
    EXPECT_NE(r.SavedText.find("\r\nGLat = 1\u00b0 0' 0\"\r\nGLong = 2\u00b0 0' 0\"\r\n"),
              std::string::npos);
    EXPECT_DOUBLE_EQ(*r.Row.GalLatitude, 1.0) << "the typed position is the one used";
    EXPECT_DOUBLE_EQ(*r.Row.GalLongitude, 2.0);
}

TEST_F(BatchFile, FailuresGiveTheirTextAndWhatWasKnown) {
    TBatchSettings settings;
    settings.Windows = {{-60.0, 40.0}};
    const auto flat = [](int i) { return 100.0 + 0.01 * i; };
    const TStationSettings site = WorkedExampleSite();

    const TSpectrumResult missing =
        ProcessSpectrum(Folder.filePath("G1_1.dat").toStdString(), settings, site);
    EXPECT_FALSE(missing.Ok);
    // The reader's own text, and the system's reason.
    EXPECT_EQ(missing.Row.Error, "Unable to open G1_1.dat: No such file or directory");
    EXPECT_EQ(missing.Row.TimeUtc, "");
    ASSERT_TRUE(QDir(Folder.path()).mkdir("sub"));
    EXPECT_EQ(ProcessSpectrum(Folder.filePath("sub").toStdString(), settings, site).Row.Error,
              "Unable to open sub: not a regular file (a folder)");

    const TSpectrumResult short399 =
        ProcessSpectrum(Write("G1_1.dat", WorkedExampleHeader, flat, 399), settings, site);
    EXPECT_EQ(short399.Row.Error, "wrong number of data items.");

    const TSpectrumResult nameless =
        ProcessSpectrum(Write("plain.dat", WorkedExampleHeader, flat), settings, site);
    EXPECT_FALSE(nameless.Ok);
    EXPECT_NE(nameless.Row.Error.find("--galactic"), std::string::npos) << nameless.Row.Error;
    EXPECT_EQ(nameless.Row.TimeUtc, "2005-03-21T12:00:00Z");

    // A window over the whole axis leaves nothing to fit: the fit's own message.
    settings.Windows = {{-1000.0, 1000.0}};
    const TSpectrumResult unfitted =
        ProcessSpectrum(Write("G2_2.0.dat", WorkedExampleHeader, flat), settings, site);
    EXPECT_FALSE(unfitted.Ok);
    EXPECT_EQ(unfitted.Row.Error, "PolyFit called with less than two points");
    ASSERT_TRUE(unfitted.Row.Vlsr && unfitted.Row.Correlation);
    EXPECT_EQ(*unfitted.Row.Correlation, -1.0);
    EXPECT_TRUE(unfitted.SavedText.empty());
}

} // namespace
