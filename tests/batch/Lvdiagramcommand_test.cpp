// kelvane-batch --lv-diagram as a user runs it: the generator's survey drawn (files away from
// the plane and files that fail left out, on any axis), a run with nothing to draw, and
// pictures that are not replaced unasked.
#include "support/BatchCommand.h"

#include <QXmlStreamReader>
#include <csignal>
#include <sys/resource.h>

namespace {

// The SVG's caption, which counts the files drawn; empty when the document is not well formed.
QString SvgCaption(const QByteArray& svg) {
    QXmlStreamReader reader(svg);
    QString caption;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::Characters &&
            reader.text().contains(QLatin1String("squares: terminal velocities")))
            caption = reader.text().toString();
    return reader.hasError() ? QString() : caption;
}

TEST_F(BatchCommand, LvDiagramOfTheGeneratorsSurvey) {
    QProcess generator;
    generator.start(QStringLiteral(KELVANE_MAKESPECTRA_EXE),
                    {"--survey", "--quadrant", "both", Folder.filePath("survey")});
    ASSERT_TRUE(generator.waitForFinished(60000));
    ASSERT_EQ(generator.exitCode(), 0);
    QStringList files;
    for (const QString& name : QDir(Folder.filePath("survey")).entryList({"*.dat"}, QDir::Files))
        files << Folder.filePath("survey/" + name);
    ASSERT_EQ(files.size(), 30) << "l = 10 to 80 and 280 to 350 degrees in steps of 5";
    const QString data = QStringLiteral(KELVANE_SOURCE_DIR "/Data/");
    // 5.5 degrees from the plane, and a file that fails (no position): neither is drawn. The
    // frequency axis: the velocities come through each file's VLSR all the same.
    files << data + "G5.30_m120.15.dat" << data + "cassiopeia.dat";
    const TRun run = Run(
        QStringList{"--terms", "2", "--axis", "frequency", "--lv-diagram", "-q", "--out", Out()} +
        files);
    EXPECT_EQ(run.Exit, 1) << "cassiopeia.dat fails; " << run.Errors.toStdString();
    const QByteArray png = Contents(Out() + "/lv-diagram.png");
    ASSERT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
    EXPECT_EQ(png.mid(16, 8), QByteArray::fromHex("000002f800000208")) << "760 x 520";
    EXPECT_TRUE(SvgCaption(Contents(Out() + "/lv-diagram.svg")).startsWith("30 files;"));

    // Pictures of a run before are not replaced unasked; the run refuses before it starts.
    QFile::remove(Out() + "/summary.csv");
    const TRun again = Run(QStringList{"--lv-diagram", "--out", Out()} + files.mid(0, 1));
    EXPECT_EQ(again.Exit, 1);
    EXPECT_TRUE(again.Errors.contains("lv-diagram.png already exists (--force"))
        << again.Errors.toStdString();
}

// The SVG is the diagram's colours as one picture with the axes, marks and labels drawn over
// it: ten times the files at the same positions (ten noise draws each) make no larger a
// drawing, where a shape per file made it grow with the survey.
TEST_F(BatchCommand, LvDiagramSvgDoesNotGrowWithTheFiles) {
    qint64 sizes[2] = {};
    for (const int draws : {1, 10}) {
        const QString survey = Folder.filePath(QStringLiteral("survey%1").arg(draws));
        QProcess generator;
        generator.start(
            QStringLiteral(KELVANE_MAKESPECTRA_EXE),
            {"--survey", "--quadrant", "both", "--draws", QString::number(draws), survey});
        ASSERT_TRUE(generator.waitForFinished(60000));
        ASSERT_EQ(generator.exitCode(), 0);
        QStringList files;
        for (const QString& name : QDir(survey).entryList({"*.dat"}, QDir::Files))
            files << survey + "/" + name;
        ASSERT_EQ(files.size(), 30 * draws);
        const QString out = Out(QStringLiteral("out%1").arg(draws));
        const TRun run =
            Run(QStringList{"--terms", "2", "--lv-diagram", "-q", "--out", out} + files);
        EXPECT_EQ(run.Exit, 0) << run.Errors.toStdString();
        const QByteArray svg = Contents(out + "/lv-diagram.svg");
        sizes[draws == 1 ? 0 : 1] = svg.size();
        EXPECT_EQ(svg.count("<image"), 1);
        EXPECT_EQ(svg.count("data:image/png;base64,"), 1);
        EXPECT_TRUE(SvgCaption(svg).startsWith(QString::number(30 * draws) + " files;"));
        EXPECT_TRUE(svg.contains(">l (deg)<") && svg.contains(">V - VLSR (km/s)<"));
    }
    // The picture's bytes vary with the noise drawn; 10 % leaves room for that.
    EXPECT_LT(sizes[1], sizes[0] * 11 / 10) << sizes[0] << " bytes for 30 files";
}

// An input whose own output, or which itself, is one of the diagram's files would be replaced
// by the diagram (or replace it): the run refuses before it writes anything.
TEST_F(BatchCommand, AnInputThatCollidesWithTheDiagramIsRefused) {
    const QString named = Sample(3), inside = Out("out/lv-diagram.svg");
    QDir().mkpath(Out());
    ASSERT_TRUE(QFile::copy(named, inside));
    ASSERT_TRUE(QFile::rename(named, Folder.filePath("lv-diagram.dat")));
    const struct {
        QString file;
        QStringList options;
        QString said;
    } cases[] = {
        {Folder.filePath("lv-diagram.dat"), {"--png"}, " would write " + Out() + "/lv-diagram.png"},
        {Folder.filePath("lv-diagram.dat"), {"--svg"}, " would write " + Out() + "/lv-diagram.svg"},
        {Folder.filePath("lv-diagram.dat"),
         {"--fits"},
         " would write " + Out() + "/lv-diagram.fits"},
        {inside, {"--force"}, inside + " is an output of the run"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        const TRun run = Run(Basic(Out()) + QStringList{"--lv-diagram", "-q"} + c.options +
                             QStringList{Sample(1), c.file});
        EXPECT_EQ(run.Exit, 1);
        EXPECT_TRUE(run.Errors.contains(c.said)) << run.Errors.toStdString();
        EXPECT_EQ(QDir(Out()).entryList(QDir::Files | QDir::Hidden), QStringList{"lv-diagram.svg"});
    }
}

TEST_F(BatchCommand, LvDiagramWithNothingToDrawIsNotWritten) {
    const QString data = QStringLiteral(KELVANE_SOURCE_DIR "/Data/");
    const TRun run =
        Run(Basic(Out()) + QStringList{"--lv-diagram", "-q", data + "G5.30_m120.15.dat"});
    EXPECT_EQ(run.Exit, 0) << "the file itself succeeded";
    EXPECT_TRUE(run.Errors.contains("lv-diagram.png and lv-diagram.svg are not written"))
        << run.Errors.toStdString();
    EXPECT_FALSE(QFile::exists(Out() + "/lv-diagram.png"));
    EXPECT_FALSE(QFile::exists(Out() + "/lv-diagram.svg"));
}

TEST_F(BatchCommand, LvDiagramOnAFullDiskIsNotWritten) {
    // Files may not grow beyond 20 000 bytes: the texts (about 11 000) and the summary are
    // written, the diagram's PNG (about 30 000) is not, and with it goes the SVG.
    const QString data = QStringLiteral(KELVANE_SOURCE_DIR "/Data/");
    const TRun run = Run(Basic(Out()) + QStringList{"--lv-diagram", "-q", data + "G0_30.0.dat",
                                                    data + "G0_60.0.dat"},
                         {}, [] {
                             std::signal(SIGXFSZ, SIG_IGN);
                             const rlimit limit{20000, 20000};
                             ::setrlimit(RLIMIT_FSIZE, &limit);
                         });
    EXPECT_EQ(run.Exit, 1);
    EXPECT_TRUE(run.Errors.contains("lv-diagram.png\": File too large"))
        << run.Errors.toStdString();
    EXPECT_EQ(QDir(Out()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"G0_30.0.txt", "G0_60.0.txt", "summary.csv"}));
}

} // namespace
