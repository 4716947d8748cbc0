// Averages of repeated scans: the generator's scans of one position at different times, and
// small files that show the overlap, the missing samples and the failures.
#include "Samplescans.h"
#include "session/Averageunit.h"
#include "settings/Globalunit.h"
#include "support/SpectrumFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <stdexcept>

namespace {

// The generator's scans written into folder, their noise drawn from seed (no noise for 0).
std::vector<std::string> WriteScans(const QString& folder, int count, double noise, unsigned seed) {
    // The line-of-sight integration is most of the time: each scan's profile is made once.
    static std::map<std::string, TModelProfile> profiles;
    std::mt19937 random(seed);
    std::vector<std::string> paths;
    for (const TSample& scan : RepeatedScans(count, noise)) {
        const std::string path =
            QDir(folder).filePath(QString::fromStdString(scan.name)).toStdString();
        QFile file(QString::fromStdString(path));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        auto profile = profiles.find(scan.name);
        if (profile == profiles.end())
            profile =
                profiles.emplace(scan.name, SampleProfile(scan, TGalaxyModel(), SampleVlsr(scan)))
                    .first;
        file.write(SampleText(scan, profile->second, random).c_str());
        paths.push_back(path);
    }
    return paths;
}

std::size_t Peak(const std::vector<double>& signal) {
    return static_cast<std::size_t>(std::max_element(signal.begin(), signal.end()) -
                                    signal.begin());
}

// The noise of an average is the noisy scans' average less the noiseless scans' (the average is
// linear), taken over the channels beyond the line: the model's gas at l = 120 deg reaches
// from the Sun's +10 km/s or so to -130 km/s at the disc's edge (25 kpc), widened by 8 km/s.
// Linear interpolation between two channels of independent noise leaves a variance of
// (1-t)^2 + t^2 of one channel's, 1/2 to 1: so the rms of N files is sigma / sqrt(N) times a
// factor between sqrt(1/2) and 1, which is steady as N grows. Four draws per N pool some 1000
// channels, so that the rms is known to about 2 %.
//
// The line's place is judged on the noiseless average, whose scans' VLSRs spread over up to
// 28 km/s (64 scans): its peak is the model's only when every scan was shifted by its own VLSR.
// (The line's top is broad, a fraction of the noise over a few km/s, so a noisy peak would say more
// about the noise than about the shifts.)
TEST(Average, NoiseFallsAsOneOverRootNAndTheLineStays) {
    const double sigma = 1.0;
    const TStationSettings station;
    // The model's peak on a fine grid: where the line belongs whatever the VLSRs.
    double modelPeak = 0.0, brightest = 0.0;
    for (double v = -60.0; v <= 30.0; v += 0.01)
        if (const double b = ModelBrightness(TGalaxyModel(), 120.0, 0.0, v); b > brightest)
            brightest = b, modelPeak = v;
    const double channel = Velocities[199] - Velocities[200];

    std::map<int, double> scaled; // rms x sqrt(N) / sigma
    for (int n : {4, 16, 64}) {
        SCOPED_TRACE(n);
        const QTemporaryDir clean;
        const TAverage truth = AverageFiles(WriteScans(clean.path(), n, 0.0, 0), station, {});
        EXPECT_LE(std::fabs(truth.Velocities[Peak(truth.Signal)] - modelPeak), channel)
            << "the model's line peaks at " << modelPeak << " km/s";
        double sum = 0.0;
        int count = 0;
        for (unsigned draw = 0; draw < 4; ++draw) {
            const QTemporaryDir folder;
            const TAverage average =
                AverageFiles(WriteScans(folder.path(), n, sigma, RepeatSeed + draw), station, {});
            ASSERT_EQ(average.Velocities, truth.Velocities);
            for (std::size_t i = 0; i < average.Signal.size(); ++i)
                if (average.Velocities[i] > 20.0 || average.Velocities[i] < -145.0) {
                    const double noise = average.Signal[i] - truth.Signal[i];
                    sum += noise * noise;
                    ++count;
                }
        }
        ASSERT_GT(count, 800);
        scaled[n] = std::sqrt(sum / count) * std::sqrt(n) / sigma;
        EXPECT_GT(scaled[n], std::sqrt(0.5) * 0.95);
        EXPECT_LT(scaled[n], 1.0);
    }
    EXPECT_NEAR(scaled[16] / scaled[4], 1.0, 0.1) << scaled[4] << " " << scaled[16];
    EXPECT_NEAR(scaled[64] / scaled[4], 1.0, 0.1) << scaled[4] << " " << scaled[64];
}

// Two scans nine months apart (their VLSRs several km/s apart): the axis is the first file's
// channels that both cover; a missing sample of the second leaves its channels to the first alone.
TEST(Average, OverlapAndMissingSamples) {
    const QTemporaryDir folder;
    const std::vector<std::string> paths = {
        WriteSpectrumFile(folder.path(), "G0_120.0_a.dat", [](int) { return 100.0; }).toStdString(),
        WriteSpectrumFile(folder.path(), "G0_120.0_b.dat",
                          "s 09/25/10 04:15:07 value 1.5 n 10 20 30 40",
                          [](int i) { return i == 200 ? 0.0 : 200.0; })
            .toStdString()};
    const TAverage average = AverageFiles(paths, TStationSettings(), {});
    ASSERT_EQ(average.Files.size(), 2u);
    const double a = average.Files[0].Applied.Vlsr, b = average.Files[1].Applied.Vlsr;
    ASSERT_GT(std::fabs(a - b), 5.0);
    const double channel = Velocities[199] - Velocities[200];
    EXPECT_NEAR(average.Velocities.size(), 400 - std::fabs(a - b) / channel, 1.0);
    int alone = 0;
    for (std::size_t i = 0; i < average.Velocities.size(); ++i) {
        const double v = average.Velocities[i];
        EXPECT_LE(v, std::min(Velocities.front() - a, Velocities.front() - b));
        EXPECT_GE(v, std::max(Velocities.back() - a, Velocities.back() - b));
        if (std::fabs(v + b - Velocities[200]) < channel) {
            EXPECT_DOUBLE_EQ(average.Signal[i], 100.0) << "the first file alone at " << v;
            ++alone;
        } else {
            EXPECT_DOUBLE_EQ(average.Signal[i], 150.0) << v;
        }
    }
    EXPECT_GE(alone, 1);
    EXPECT_LE(alone, 2);

    TSession session;
    session.SetTerms(4);
    session.UseAverage(average);
    EXPECT_EQ(session.CurrentFileName(), "Average of 2 files");
    EXPECT_EQ(session.XValues(), average.Velocities);
    EXPECT_EQ(session.Coefficients().size(), 4u);
    ASSERT_EQ(session.AveragedFiles().size(), 2u);
    EXPECT_EQ(session.AveragedFiles()[1].Name, "G0_120.0_b.dat");
    session.Read(paths[0]);
    EXPECT_TRUE(session.AveragedFiles().empty()) << "a file read ends the average";
}

// A file without a position takes the details last applied; the failures name the file.
TEST(Average, PositionsAndFailures) {
    const QTemporaryDir folder;
    const auto file = [&](const char* name) {
        return WriteSpectrumFile(folder.path(), name, [](int) { return 100.0; }).toStdString();
    };
    const std::string named = file("G0_120.0.dat"), plain = file("scan.dat");
    const std::string missing = folder.filePath("none.dat").toStdString();
    TDetailsState applied = TDetailsState::Create(TStationSettings());
    applied.SetFieldText(TDetailsField::edLiiDeg, "120");

    const TAverage average = AverageFiles({named, plain}, TStationSettings(), applied);
    EXPECT_EQ(average.Files[0].Position, TAveragePosition::FileName);
    EXPECT_EQ(average.Files[1].Position, TAveragePosition::AppliedDetails);
    EXPECT_DOUBLE_EQ(average.Files[1].Applied.Vlsr, average.Files[0].Applied.Vlsr)
        << "same position and time";

    const struct {
        std::vector<std::string> paths;
        bool applied;
        std::string error;
    } cases[] = {
        {{named}, true, "An average needs two files or more"},
        {{named, missing}, true, missing + ": Unable to open none.dat"},
        {{named, plain}, false, plain + ": no source position"},
    };
    for (const auto& c : cases) {
        try {
            AverageFiles(c.paths, TStationSettings(),
                         c.applied ? std::optional<TDetailsState>(applied) : std::nullopt);
            ADD_FAILURE() << "no error, wanted " << c.error;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()).rfind(c.error, 0), 0u) << error.what();
        }
    }
}

} // namespace

// Only scans of one source are averaged: files more than 0.5 deg apart on the sky, or one file
// twice, are refused with both named. Names carry degrees.minutes, so ".24" is 0.4 deg. The
// separations are worked by hand: along the galactic equator they are the difference in
// longitude taken the short way round (359.8 and 0.2 deg: 0.4); two points at b = 89.8 deg on
// opposite meridians (l = 0 and 180) are 2 x 0.2 = 0.4 deg apart across the pole.
TEST(Average, RefusesOtherPositionsAndOneFileTwice) {
    const QTemporaryDir folder;
    const auto file = [&](const char* name) {
        return WriteSpectrumFile(folder.path(), name, [](int) { return 100.0; }).toStdString();
    };
    const std::string at120 = file("G0_120.0_a.dat"), plain = file("scan.dat");
    const std::string link = folder.filePath("G0_120.0_link.dat").toStdString();
    ASSERT_TRUE(QFile::link(QString::fromStdString(at120), QString::fromStdString(link)));
    const std::string dotted = folder.path().toStdString() + "/./G0_120.0_a.dat";
    TDetailsState at30 = TDetailsState::Create(TStationSettings());
    at30.SetFieldText(TDetailsField::edLiiDeg, "30");

    const struct {
        std::vector<std::string> paths;
        bool applied;        // the details last applied are at l = 30 deg
        std::string refused; // "" when averaged
    } cases[] = {
        {{at120, file("G0_120.0_b.dat")}, false, ""},
        {{at120, file("G0_120.24_b.dat")}, false, ""},
        {{at120, file("G0_120.36_b.dat")}, false, "lies 0.60\xC2\xB0 from"},
        {{file("G0_359.48_a.dat"), file("G0_0.12_b.dat")}, false, ""},
        {{file("G0_359.24_a.dat"), file("G0_0.12_b.dat")}, false, "lies 0.80\xC2\xB0 from"},
        {{file("G89.48_0.0_a.dat"), file("G89.48_180.0_b.dat")}, false, ""},
        {{file("G89.42_0.0_a.dat"), file("G89.42_180.0_b.dat")}, false, "lies 0.60\xC2\xB0 from"},
        // Within 0.5 deg of the first, but 0.6 deg from the second.
        {{at120, file("G0_120.24_c.dat"), file("G0_119.48_c.dat")}, false, "lies 0.60"},
        // A name without a position takes the details': l = 30 deg is not the name's 120.
        {{at120, plain}, true, "l = 30.00\xC2\xB0, b = 0.00\xC2\xB0 lies 90.00\xC2\xB0 from"},
        {{at120, dotted}, false, "the same file as " + at120},
        {{at120, link}, false, "the same file as " + at120},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.paths.back());
        const std::optional<TDetailsState> fallback =
            c.applied ? std::optional<TDetailsState>(at30) : std::nullopt;
        if (c.refused.empty()) {
            EXPECT_EQ(AverageFiles(c.paths, TStationSettings(), fallback).Files.size(),
                      c.paths.size());
            continue;
        }
        try {
            AverageFiles(c.paths, TStationSettings(), fallback);
            ADD_FAILURE() << "averaged";
        } catch (const std::runtime_error& error) {
            const std::string text = error.what();
            EXPECT_EQ(text.rfind(c.paths.back() + ": ", 0), 0u) << text;
            EXPECT_NE(text.find(c.refused), std::string::npos) << text;
            EXPECT_NE(text.find(c.paths[c.paths.size() - 2]), std::string::npos) << text;
        }
    }
}
