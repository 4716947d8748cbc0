// The terminal velocities of the sample generator's survey families through the built
// kelvane-batch, against the generator's own truth.csv: no point wrong by more than
// max(3 sigma, 5 km/s), whatever the baseline's terms, and the yield where a tangent point is
// there to be seen (20 to 80 degrees from the centre), 6 points in 10 within 1 sigma and 9
// within 2, and each quadrant's mean error within its mean stated sigma.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

QStringList Fields(const QString& line) {
    return line.split(','); // the numeric columns come before any quoted text
}

struct TFamilyOutcome {
    int Files = 0, InBand = 0, GivenInBand = 0, Given = 0, Wrong = 0, Failed = 0, Within1 = 0,
        Within2 = 0;
    // Per quadrant (first, fourth): the points, and the sums of their errors and stated sigmas.
    int Count[2] = {0, 0};
    double Error[2] = {0.0, 0.0}, Sigma[2] = {0.0, 0.0};
};

TFamilyOutcome RunFamily(const QStringList& generator, const QStringList& batch) {
    TFamilyOutcome outcome;
    QTemporaryDir folder;
    QProcess make;
    make.start(QStringLiteral(KELVANE_MAKESPECTRA_EXE),
               QStringList{"--survey", "--quadrant", "both"} + generator +
                   QStringList{folder.filePath("s")});
    EXPECT_TRUE(make.waitForFinished(120000));
    EXPECT_EQ(make.exitCode(), 0) << make.readAllStandardError().toStdString();
    std::map<QString, double> truth;
    QFile truthFile(folder.filePath("s/truth.csv"));
    EXPECT_TRUE(truthFile.open(QIODevice::ReadOnly));
    for (const QByteArray& line : truthFile.readAll().split('\n').mid(1))
        if (!line.isEmpty()) {
            const QStringList f = Fields(QString::fromUtf8(line));
            truth[f[0]] = f[5].isEmpty() ? NAN : f[5].toDouble();
        }
    QStringList arguments = batch + QStringList{"-q", "--out", folder.filePath("o")};
    for (const QString& name : QDir(folder.filePath("s")).entryList({"*.dat"}, QDir::Files))
        arguments << folder.filePath("s/" + name);
    QProcess run;
    run.start(QStringLiteral(KELVANE_BATCH_EXE), arguments);
    EXPECT_TRUE(run.waitForFinished(300000));
    QFile summary(folder.filePath("o/summary.csv"));
    EXPECT_TRUE(summary.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(summary.readAll()).split("\r\n");
    const QStringList header = Fields(lines[0]);
    const int glon = header.indexOf("glon_deg"), vt = header.indexOf("terminal_v_kms"),
              err = header.indexOf("terminal_v_err_kms");
    for (const QString& line : lines.mid(1)) {
        if (line.isEmpty())
            continue;
        const QStringList f = Fields(line);
        ++outcome.Files;
        outcome.Failed += !line.endsWith(',');
        const double l = f[glon].toDouble();
        const bool band = (l >= 20 && l <= 80) || (l >= 280 && l <= 340);
        outcome.InBand += band;
        if (f[vt].isEmpty())
            continue;
        ++outcome.Given;
        outcome.GivenInBand += band;
        const double t = truth[QFileInfo(f[0]).fileName()];
        const double e = f[vt].toDouble() - t;
        outcome.Wrong += std::isnan(t) || std::fabs(e) > std::max(3.0 * f[err].toDouble(), 5.0);
        outcome.Within1 += std::fabs(e) <= f[err].toDouble();
        outcome.Within2 += std::fabs(e) <= 2.0 * f[err].toDouble();
        const int q = l < 180 ? 0 : 1;
        ++outcome.Count[q];
        outcome.Error[q] += e;
        outcome.Sigma[q] += f[err].toDouble();
    }
    return outcome;
}

} // namespace

TEST(TerminalSurvey, NoWrongPointWhateverTheBaselinesTermsAndNoPointFromNoise) {
    const struct {
        const char* name;
        QStringList generator, batch;
        double yield; // at least, of the files within 20 to 80 degrees of the centre
    } families[] = {
        {"defaults", {"--draws", "2"}, {}, 0.9},
        {"4 terms", {"--draws", "2"}, {"--terms", "4"}, 0.9},
        {"9 terms", {"--draws", "2"}, {"--terms", "9"}, 0.9},
        {"noise 0.03", {"--draws", "2", "--noise", "0.03"}, {}, 0.9},
        {"narrow band", {"--band-mhz", "1"}, {}, 0.0},
        // Thinned tangent gas reads inwards on both sides: the quadrants' biases do not cancel.
        {"faint tangent points", {"--draws", "20", "--faint-tangent", "0.3"}, {}, 0.8},
        // A standing wave of 2 K: its crests beyond the edge are not the line going on.
        {"baseline ripple", {"--draws", "2", "--ripple", "2,0.5"}, {}, 0.9},
        // A warm component's broad wing ends in an edge of its own, far beyond vt (l = 300,
        // draw 19).
        {"broad wings", {"--draws", "20", "--wings", "25.9", "--noise", "0.3"}, {}, 0.0},
        {"white noise alone", {"--noise-only", "300"}, {}, 0.0},
        {"correlated noise alone", {"--noise-only", "300", "--hanning"}, {}, 0.0},
    };
    for (const auto& f : families) {
        SCOPED_TRACE(f.name);
        const TFamilyOutcome o = RunFamily(f.generator, f.batch);
        ASSERT_GT(o.Files, 0);
        EXPECT_EQ(o.Wrong, 0) << "of " << o.Given << " points";
        EXPECT_EQ(o.Failed, 0) << "no file fails because its band is full of emission";
        EXPECT_GE(o.GivenInBand, f.yield * o.InBand) << "of " << o.InBand;
        EXPECT_GE(o.Within2, 0.9 * o.Given) << "within 2 sigma, of " << o.Given;
        if (o.Given >= 30) {
            EXPECT_GE(o.Within1, 0.6 * o.Given) << "within 1 sigma, of " << o.Given;
        }
        for (int q = 0; q < 2; ++q)
            if (o.Count[q] > 0) {
                EXPECT_LE(std::fabs(o.Error[q]), o.Sigma[q])
                    << "quadrant " << (q == 0 ? 1 : 4) << ": the mean error passes the mean sigma";
            }
    }
}
