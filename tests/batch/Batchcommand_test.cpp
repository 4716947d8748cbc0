// kelvane-batch as a user runs it: options, exit status, outputs, the summary, the jobs and
// the signals that stop it.
// The command reads the station settings from the test's temporary settings store (the test
// main points XDG_CONFIG_HOME there, and the command inherits it).
#include "about/Versionunit.h"
#include "support/BatchCommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST_F(BatchCommand, BadOptionsExitWithTwoAndWriteNothing) {
    const QString file = Sample(1);
    const QStringList cases[] = {
        {"--fit-outside", "-150:150"},
        {"--fit-outside", "-150", file},
        {"--fit-outside", "-150:150", "--terms", "0", file},
        {"--fit-outside", "-150:150", "--axis", "speed", file},
        {"--fit-outside", "-150:150", "--jobs", "x", file},
        {"--fit-outside", "-150:150", "--galactic", "100,0", file},
        {"--fit-outside", "-150:150", "--site", "54.1,-2.3,200,1", file},
        {"--fit-outside", "-150:150", "--no-such-option", file},
    };
    for (QStringList arguments : cases) {
        arguments << "--out" << Out();
        const TRun run = Run(arguments);
        EXPECT_EQ(run.Exit, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.Errors.startsWith("kelvane-batch: ")) << run.Errors.toStdString();
        EXPECT_TRUE(run.Errors.contains("Try 'kelvane-batch --help'"));
        EXPECT_FALSE(QFileInfo::exists(Out()));
    }
}

// The site enters the VLSR through the Earth's rotation alone, v cos(dec) sin(H) with v the
// equator's speed, 2 pi 6378.137 km in a sidereal day of 86164.09 s = 0.46510 km/s. So at the
// pole the longitude does not matter; on the equator, sites 180 degrees apart are H and H + 180
// degrees, whose VLSRs average to the pole's, and two such pairs 90 degrees apart give
// v cos(dec) as the length of (sin H, cos H).
TEST_F(BatchCommand, TheSiteOptionMovesTheVlsrByTheEarthsRotation) {
    const QString file = Sample(3);
    double declination = 0.0;
    auto vlsrAt = [&](const QString& site) {
        const QString out = Out(QString(site).replace(',', '_'));
        const TRun run = Run(Basic(out) << "--site" << site << file);
        EXPECT_EQ(run.Exit, 0) << run.Errors.toStdString();
        const QStringList lines = SummaryLines(out);
        const QStringList header = lines.value(0).split(','), row = lines.value(1).split(',');
        declination = row.value(header.indexOf("dec_deg")).toDouble();
        return row.value(header.indexOf("vlsr_kms")).toDouble();
    };
    const double pole = vlsrAt("90,0");
    EXPECT_NEAR(vlsrAt("90,120"), pole, 1e-9);
    const double east0 = vlsrAt("0,0"), east180 = vlsrAt("0,180");
    const double east90 = vlsrAt("0,90"), west90 = vlsrAt("0,-90");
    EXPECT_NEAR((east0 + east180) / 2, pole, 1e-6);
    EXPECT_NEAR((east90 + west90) / 2, pole, 1e-6);
    // 1e-3: the apparent declination of date and the 200 m of the stored elevation.
    const double expected = 0.46510 * std::cos(declination * std::acos(-1.0) / 180);
    EXPECT_NEAR(std::hypot(east0 - east180, east90 - west90) / 2, expected, 1e-3 * expected);
}

TEST_F(BatchCommand, HelpAndVersion) {
    const TRun help = Run({"--help"});
    EXPECT_EQ(help.Exit, 0);
    EXPECT_TRUE(help.Output.startsWith("Usage: kelvane-batch [options] FILE|FOLDER..."));
    const TRun version = Run({"--version"});
    EXPECT_EQ(version.Exit, 0);
    // The one version of the build (project() in CMakeLists.txt).
    EXPECT_EQ(version.Output.toStdString(),
              std::string("kelvane-batch (Kelvane) ") + KelvaneVersion::ProductVersion + "\n");
}

TEST_F(BatchCommand, AMissingFileAmongGoodOnesGetsItsRowAndExitOne) {
    QStringList files = Samples(3);
    files.insert(1, Folder.filePath("missing.dat"));
    const TRun run = Run(Basic(Out()) + files);
    EXPECT_EQ(run.Exit, 1) << run.Errors.toStdString();
    const QStringList lines = SummaryLines(Out());
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith("file,time_utc,"));
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(lines[i + 1].startsWith(files[i] + ",")) << "rows in the order given";
    EXPECT_TRUE(lines[2].endsWith(",Unable to open missing.dat: No such file or directory"))
        << lines[2].toStdString();
    EXPECT_TRUE(lines[1].endsWith(",")) << "no error text for a good file";
    for (const QString& good : {files[0], files[2], files[3]})
        EXPECT_TRUE(QFileInfo::exists(Out() + "/" + QFileInfo(good).completeBaseName() + ".txt"));
    EXPECT_TRUE(run.Errors.contains(files[1] +
                                    ": Unable to open missing.dat: No such file or directory\n"));
    // Not a terminal: no progress bar, only the final line.
    EXPECT_FALSE(run.Errors.contains('\r'));
    EXPECT_TRUE(run.Errors.contains(
        QRegularExpression("kelvane-batch: 4 files: 3 done, 1 failed, [0-9]+ files/s")))
        << run.Errors.toStdString();
    EXPECT_TRUE(Run(Basic(Out("quiet")) + QStringList{"-q", files[0]}).Errors.isEmpty());
}

TEST_F(BatchCommand, AnUnwritableOutputFolderFailsTheRun) {
    const QStringList files = Samples(2);
    // A folder that cannot be made: its parent is a file.
    const QString blocked = Out("blocked");
    QFile(blocked).open(QIODevice::WriteOnly);
    const TRun run = Run(Basic(blocked + "/results") + files);
    EXPECT_EQ(run.Exit, 1);
    EXPECT_TRUE(run.Errors.contains("cannot create the folder")) << run.Errors.toStdString();

    // A folder without write permission (the superuser writes anyway, so only others check).
    if (::geteuid() != 0) {
        const QString readOnly = Out("readonly");
        QDir().mkpath(readOnly);
        QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner);
        const TRun denied = Run(Basic(readOnly) + files);
        EXPECT_EQ(denied.Exit, 1);
        EXPECT_TRUE(denied.Errors.contains("Permission denied")) << denied.Errors.toStdString();
        EXPECT_TRUE(QDir(readOnly).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

TEST_F(BatchCommand, ExistingOutputsAreReplacedOnlyWithForce) {
    const QStringList files = Samples(3);
    ASSERT_EQ(Run(Basic(Out()) + files).Exit, 0);
    const QString first = Out() + "/" + QFileInfo(files[0]).completeBaseName() + ".txt";
    const QByteArray made = Contents(first);
    QFile marked(first);
    ASSERT_TRUE(marked.open(QIODevice::WriteOnly));
    marked.write("kept\n");
    marked.close();

    // The summary is there: the run refuses at once.
    const TRun again = Run(Basic(Out()) + files);
    EXPECT_EQ(again.Exit, 1);
    EXPECT_TRUE(again.Errors.contains("summary.csv already exists (--force"));
    EXPECT_EQ(Contents(first), "kept\n");

    // Without the summary and the other outputs, only the file whose output is in the way
    // fails.
    for (const QString& name : QDir(Out()).entryList(QDir::Files))
        if (Out() + "/" + name != first)
            QFile::remove(Out() + "/" + name);
    const TRun partly = Run(Basic(Out()) + files);
    EXPECT_EQ(partly.Exit, 1);
    EXPECT_EQ(Contents(first), "kept\n");
    const QStringList lines = SummaryLines(Out());
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[1].endsWith("," + first + " already exists (--force replaces it)"))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(","));

    const TRun forced = Run(Basic(Out()) + QStringList{"--force"} + files);
    EXPECT_EQ(forced.Exit, 0) << forced.Errors.toStdString();
    EXPECT_EQ(Contents(first), made);
    EXPECT_TRUE(QDir(Out()).entryList({".*"}, QDir::Files | QDir::Hidden).isEmpty())
        << "no temporary file is left behind";
}

TEST_F(BatchCommand, AnyNumberOfJobsGivesTheSameBytes) {
    // Every output (the pictures too, each drawn by the worker of its file), the exit status
    // and the messages; only the final line's rate and time may differ.
    QStringList files = Samples(24);
    files.insert(7, Folder.filePath("missing.dat"));
    files.insert(12, files[3]); // a second file of the same outputs
    const QStringList options = {"--rotation-curve", "--png", "--svg", "--jobs"};
    const TRun one = Run(Basic(Out("one")) + options + QStringList{"1"} + files);
    EXPECT_EQ(one.Exit, 1);
    const QRegularExpression timing("[0-9]+ files/s \\([0-9.]+ s\\)\n$");
    EXPECT_TRUE(one.Errors.contains(timing)) << one.Errors.toStdString();
    const QStringList names = QDir(Out("one")).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    EXPECT_EQ(names.size(), 3 * 24 + 3) << "per good file a text and two pictures; the summary "
                                           "and the rotation curve's table and picture";
    for (const char* jobs : {"2", "3", "8"}) {
        SCOPED_TRACE(jobs);
        const QString out = Out(QStringLiteral("jobs%1").arg(jobs));
        const TRun many = Run(Basic(out) + options + QStringList{jobs} + files);
        EXPECT_EQ(many.Exit, one.Exit);
        EXPECT_EQ(QString(one.Errors).remove(timing).toStdString(),
                  QString(many.Errors).remove(timing).toStdString());
        EXPECT_EQ(names, QDir(out).entryList(QDir::Files | QDir::Hidden, QDir::Name));
        for (const QString& name : names) {
            SCOPED_TRACE(name.toStdString());
            const QByteArray bytes = Contents(Out("one") + "/" + name);
            EXPECT_GT(bytes.size(), 100);
            EXPECT_TRUE(bytes == Contents(out + "/" + name));
        }
    }
}

TEST_F(BatchCommand, ASignalStopsTheRunAndKeepsTheFinishedOutputs) {
    // Pictures make each file slow enough for the signal to come while the workers are busy;
    // the first outputs in place say that a group was finished.
    const QStringList files = Samples(300);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const QString out = Out(QString("signal%1").arg(signal));
        QProcess process;
        process.start(QStringLiteral(KELVANE_BATCH_EXE),
                      Basic(out) + QStringList{"--png", "--jobs", "2"} + files);
        ASSERT_TRUE(process.waitForStarted());
        QDir folder(out);
        for (int wait = 0; wait < 6000 && folder.entryList({"*.png"}, QDir::Files).isEmpty();
             ++wait)
            QThread::msleep(10);
        ::kill(static_cast<pid_t>(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 130);
        EXPECT_TRUE(process.readAllStandardError().contains("interrupted; "));
        const QStringList texts = folder.entryList({"*.txt"}, QDir::Files);
        EXPECT_GT(texts.size(), 0);
        EXPECT_LT(texts.size(), files.size()) << "the run ended before its files";
        for (const QString& text : texts)
            EXPECT_TRUE(folder.exists(QFileInfo(text).completeBaseName() + ".png"))
                << "a file's outputs are put in place together: " << text.toStdString();
        EXPECT_FALSE(folder.exists("summary.csv"));
        EXPECT_TRUE(folder.entryList({".*"}, QDir::Files | QDir::Hidden).isEmpty())
            << "no temporary file is left behind";
    }
}

TEST_F(BatchCommand, ALaterRunRemovesTheTemporaryFilesOfAKilledOne) {
    // SIGKILL cannot be caught: the summary's temporary file (open from the start) and those
    // of the pending groups stay, until the next run into the folder.
    const QString out = Out();
    QProcess process;
    process.start(QStringLiteral(KELVANE_BATCH_EXE),
                  Basic(out) + QStringList{"--png", "--jobs", "2"} + Samples(300));
    ASSERT_TRUE(process.waitForStarted());
    QDir folder(out);
    for (int wait = 0; wait < 6000 && folder.entryList({"*.png"}, QDir::Files).isEmpty(); ++wait)
        QThread::msleep(10);
    ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    ASSERT_TRUE(process.waitForFinished(60000));
    const QStringList left = folder.entryList({".kelvane-*.tmp"}, QDir::Files | QDir::Hidden);
    ASSERT_FALSE(left.isEmpty());
    // One of them also where an average is written next.
    const QString average = Out("average");
    ASSERT_TRUE(QDir().mkpath(average));
    ASSERT_TRUE(QFile::copy(out + "/" + left[0], average + "/" + left[0]));
    const TRun run = Run(Basic(out) + QStringList{Folder.filePath("missing.dat")});
    EXPECT_EQ(run.Exit, 1) << run.Errors.toStdString();
    EXPECT_EQ(folder.entryList({".*"}, QDir::Files | QDir::Hidden), QStringList());
    const TRun averaged = Run({"--average", average + "/mean.txt", Sample(1), Twin(1)});
    EXPECT_EQ(averaged.Exit, 0) << averaged.Errors.toStdString();
    EXPECT_EQ(QDir(average).entryList(QDir::Files | QDir::Hidden), QStringList{"mean.txt"});
}

TEST_F(BatchCommand, WithoutWorkerThreadsTheMainThreadDoesTheWork) {
    // No thread can start: its stack (as large as the stack limit, 3 GB) does not fit under
    // the limit on the address space (2 GB). The files are processed all the same, with their
    // pictures, and give what a run with threads gives.
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer's shadow memory needs an unlimited address space";
#endif
    const QStringList files = Samples(3);
    const QStringList options = QStringList{"--png", "--rotation-curve"} + files;
    ASSERT_EQ(Run(Basic(Out("threads")) + options).Exit, 0);
    const TRun run = Run(Basic(Out()) + options, {}, [] {
        const rlimit stack{3ul << 30, RLIM_INFINITY}, memory{2ul << 30, RLIM_INFINITY};
        ::setrlimit(RLIMIT_STACK, &stack);
        ::setrlimit(RLIMIT_AS, &memory);
    });
    EXPECT_EQ(run.Exit, 0) << run.Errors.toStdString();
    for (const QString& name : QDir(Out("threads")).entryList(QDir::Files))
        EXPECT_EQ(Contents(Out() + "/" + name), Contents(Out("threads") + "/" + name))
            << name.toStdString();
}

TEST_F(BatchCommand, PicturesBesideTheTexts) {
    const QStringList files = Samples(3);
    const TRun run = Run(Basic(Out()) + QStringList{"--png", "--svg", "--jobs", "2"} + files);
    EXPECT_EQ(run.Exit, 0) << run.Errors.toStdString();
    for (const QString& file : files) {
        const QString stem = Out() + "/" + QFileInfo(file).completeBaseName();
        const QByteArray png = Contents(stem + ".png");
        // The PNG signature, then the header chunk: width 640 and height 600, big-endian.
        ASSERT_GT(png.size(), 24);
        EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
        EXPECT_EQ(png.mid(16, 8), QByteArray::fromHex("0000028000000258"));
        const QByteArray svg = Contents(stem + ".svg");
        EXPECT_TRUE(svg.contains("viewBox=\"0 0 640 600\""));
        EXPECT_TRUE(svg.contains("Velocity - VLSR (corrected)  v Signal"));
        EXPECT_TRUE(svg.contains(QFileInfo(file).fileName().toUtf8()));
    }
}

// As in an ssh session or a cron job: no display, no runtime folder, and either no platform
// chosen or a desktop profile's choice of one that needs a display (xcb, which made Qt abort
// the run). The pictures are drawn all the same, and a quiet run says nothing.
TEST_F(BatchCommand, PicturesNeedNoDisplayAndWarnOfNothing) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "QT_QPA_PLATFORM"})
        Environment.remove(name);
    const QStringList files = Samples(1);
    const QString stem = QFileInfo(files[0]).completeBaseName();
    for (const char* platform : {"", "xcb", "wayland"}) {
        SCOPED_TRACE(platform);
        if (*platform)
            Environment.insert("QT_QPA_PLATFORM", platform);
        const QString out = Out(QStringLiteral("out-%1").arg(platform));
        const TRun run =
            Run(Basic(out) +
                QStringList{"-q", "--png", "--svg", "--lv-diagram", "--rotation-curve"} + files);
        EXPECT_EQ(run.Exit, 0);
        EXPECT_EQ(run.Errors.toStdString(), "");
        for (const QString& png : {stem + ".png", QStringLiteral("lv-diagram.png"),
                                   QStringLiteral("rotation-curve.png")})
            EXPECT_TRUE(Contents(out + "/" + png).startsWith("\x89PNG\r\n\x1a\n"))
                << png.toStdString();
        for (const QString& svg : {stem + ".svg", QStringLiteral("lv-diagram.svg")})
            EXPECT_TRUE(Contents(out + "/" + svg).contains("<svg")) << svg.toStdString();
    }
}

TEST_F(BatchCommand, RotationCurveHasARowForEveryFile) {
    const QString data = QStringLiteral(KELVANE_SOURCE_DIR "/Data/");
    // In the plane, first quadrant, but no line.
    const QString flat = WriteSpectrumFile(Folder.path(), "G0_45.0.dat",
                                           [](int i) { return 1500.0 + std::sin(3.0 * i); });
    const QStringList files = {data + "G0_30.0.dat",    data + "G0_60.0.dat",
                               data + "G0_120.0.dat",   data + "G5.30_m120.15.dat",
                               data + "cassiopeia.dat", flat};
    const QStringList options = {"--rotation-curve", "--r0", "8", "--v0", "200"};
    const TRun run = Run(Basic(Out()) + options + QStringList{"--jobs", "2"} + files);
    EXPECT_EQ(run.Exit, 1) << "cassiopeia.dat has no position; " << run.Errors.toStdString();
    // R0 = 8 kpc: R = 8 sin 30 = 4 and 8 sin 60 = 6.92820323 kpc (0 for no point).
    const struct {
        QString file;
        double r;
        const char* reason;
    } wanted[] = {
        {files[0], 4.0, ""},
        {files[1], 6.92820323, ""},
        {files[2], 0.0,
         "longitude 120\u00B0 is outside 0\u00B0 to 90\u00B0 and 270\u00B0 to 360\u00B0"},
        {files[3], 0.0, "latitude 5.5\u00B0 is more than 2\u00B0 from the Galactic plane"},
        {files[4], 0.0, "the file failed: no source position"},
        {files[5], 0.0, "no terminal velocity"},
    };
    const QString table = QString::fromUtf8(Contents(Out() + "/rotation-curve.csv"));
    QStringList lines = table.split("\r\n");
    ASSERT_EQ(lines.size(), 8) << table.toStdString();
    EXPECT_EQ(lines[0],
              "file,glon_deg,glat_deg,terminal_v_kms,r_kpc,v_kms,v_err_kms,"
              "terminal_v_err_stat_kms,terminal_v_err_sys_kms,r0_kpc,v0_kms,unused_because");
    EXPECT_EQ(lines[7], "");
    for (int i = 0; i < 6; ++i) {
        const QStringList fields = lines[i + 1].split(',');
        ASSERT_GE(fields.size(), 12) << lines[i + 1].toStdString();
        // The reason is the last field; it may hold commas, quoted.
        const QString reason = lines[i + 1].section(',', 11).remove('"');
        SCOPED_TRACE(lines[i + 1].toStdString());
        EXPECT_EQ(fields[0], wanted[i].file);
        EXPECT_NEAR(fields[4].toDouble(), wanted[i].r, 1e-8);
        EXPECT_EQ(fields[4].isEmpty(), fields[5].isEmpty()) << "R and V come together";
        EXPECT_EQ(fields[5].isEmpty(), fields[6].isEmpty()) << "V and its uncertainty too";
        EXPECT_EQ(fields[5].isEmpty(), fields[7].isEmpty()) << "and both its parts";
        EXPECT_EQ(fields[9] + "," + fields[10], "8,200");
        EXPECT_TRUE(QString(reason + '|').startsWith(QString::fromUtf8(wanted[i].reason)));
        EXPECT_EQ(reason.isEmpty(), wanted[i].r > 0.0);
    }
    const QByteArray png = Contents(Out() + "/rotation-curve.png");
    ASSERT_GT(png.size(), 24);
    EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
    EXPECT_EQ(png.mid(16, 8), QByteArray::fromHex("00000280000001e0")) << "640 x 480";

    // The curve's outputs, like the summary, are replaced only with --force.
    QFile::remove(Out() + "/summary.csv");
    const TRun again = Run(Basic(Out()) + options + QStringList{"--force"} + files.mid(0, 1));
    EXPECT_EQ(again.Exit, 0) << again.Errors.toStdString();
    EXPECT_EQ(QString::fromUtf8(Contents(Out() + "/rotation-curve.csv")).count("\r\n"), 2);
    QFile::remove(Out() + "/summary.csv");
    const TRun refused = Run(Basic(Out()) + options + files.mid(0, 1));
    EXPECT_EQ(refused.Exit, 1);
    EXPECT_TRUE(refused.Errors.contains("rotation-curve.csv already exists (--force"))
        << refused.Errors.toStdString();

    // A file of the curve's name may not put its picture in the curve's place: the run is
    // refused before it writes anything.
    const QString named = Folder.filePath("rotation-curve.dat");
    ASSERT_TRUE(QFile::copy(files[0], named));
    const TRun clash = Run(Basic(Out("clash")) + QStringList{"--rotation-curve", "--png", named});
    EXPECT_EQ(clash.Exit, 1);
    EXPECT_TRUE(clash.Errors.contains("would write " + Out("clash") + "/rotation-curve.png"))
        << clash.Errors.toStdString();
    EXPECT_TRUE(QDir(Out("clash")).isEmpty());
}

TEST_F(BatchCommand, TwoFilesOfTheSameNameDoNotOverwriteEachOther) {
    const QString first = Sample(1);
    QDir().mkpath(Folder.filePath("other"));
    const QString second = Folder.filePath("other/" + QFileInfo(first).fileName());
    ASSERT_TRUE(QFile::copy(first, second));
    const TRun run = Run(Basic(Out()) + QStringList{first, second});
    EXPECT_EQ(run.Exit, 1);
    const QStringList lines = SummaryLines(Out());
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[2].contains("would replace those of " + first)) << lines[2].toStdString();
}

TEST_F(BatchCommand, FoldersAndListsOfFiles) {
    // A folder stands for its spectrum files (*.dat, any case, as the window lists them),
    // directly inside it, in the window's order (digits as numbers); a matching entry that is
    // not a regular file gets its row. Names that begin with a dot are left out, as the
    // shell's * leaves them, and so are a generated survey's truth.csv and other files.
    const QString survey = Out("survey");
    QDir().mkpath(survey + "/sub.dat");
    QDir().mkpath(survey + "/sub");
    for (const char* name : {"G1_10.0.dat", "G0_20.0.dat", "G0_100.0.DAT", ".hidden.dat"})
        WriteSpectrumFile(survey, name, [](int i) { return 1500.0 + std::sin(3.0 * i); });
    QFile truth(survey + "/truth.csv");
    ASSERT_TRUE(truth.open(QIODevice::WriteOnly));
    truth.write("file,l,b\n");
    truth.close();
    ASSERT_EQ(::mkfifo((survey + "/pipe.dat").toLocal8Bit().constData(), 0600), 0);
    const QString single = Sample(3);
    const QString list = Out("list.txt");
    QFile listFile(list);
    ASSERT_TRUE(listFile.open(QIODevice::WriteOnly));
    listFile.write((single + "\n\n" + Folder.filePath("missing.dat") + "\n").toUtf8());
    listFile.close();

    const TRun run = Run(Basic(Out()) + QStringList{"--files-from", list, survey + "/"});
    EXPECT_EQ(run.Exit, 1) << run.Errors.toStdString();
    const QStringList lines = SummaryLines(Out());
    const QString rows[][2] = {
        {survey + "/G0_20.0.dat", ""},
        {survey + "/G0_100.0.DAT", ""},
        {survey + "/G1_10.0.dat", ""},
        {survey + "/pipe.dat", "not a regular file (a FIFO)"},
        {survey + "/sub.dat", "not a regular file (a folder)"},
        {single, ""},
        {Folder.filePath("missing.dat"), "Unable to open missing.dat: No such file or directory"},
    };
    ASSERT_EQ(lines.size(), 8) << lines.join('\n').toStdString();
    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(lines[i + 1].startsWith(rows[i][0] + ",")) << lines[i + 1].toStdString();
        EXPECT_TRUE(lines[i + 1].endsWith("," + rows[i][1])) << lines[i + 1].toStdString();
    }
    // Another pattern chooses other files.
    const TRun chosen = Run(Basic(Out("chosen")) + QStringList{"--pattern", "G1*", survey});
    EXPECT_EQ(chosen.Exit, 0) << chosen.Errors.toStdString();
    EXPECT_EQ(SummaryLines(Out("chosen")).size(), 2);

    // The list from standard input, and a list that cannot be read is a bad option.
    const TRun piped =
        Run(Basic(Out("piped")) + QStringList{"--files-from", "-"}, (single + "\n").toUtf8());
    EXPECT_EQ(piped.Exit, 0) << piped.Errors.toStdString();
    EXPECT_EQ(SummaryLines(Out("piped")).size(), 2);
    const TRun unread =
        Run(Basic(Out("unread")) + QStringList{"--files-from", Folder.filePath("nolist")});
    EXPECT_EQ(unread.Exit, 2);
    EXPECT_TRUE(unread.Errors.contains("No such file or directory")) << unread.Errors.toStdString();
}

TEST_F(BatchCommand, ListsOfPathsEndedByLinesOrByNul) {
    // As find -print (lines), find -print0 (NUL-ended paths, read with -0 as xargs -0 reads
    // them) and a list saved on Windows (CR LF) give them; a list read as lines that holds a
    // NUL is refused, naming the line, rather than one path read as another. Lists beyond the
    // bound (64 MiB) are refused before they fill the memory.
    const QString a = Sample(1), b = Sample(2);
    const QByteArray nulEnded = (a + '\0' + b + '\0').toUtf8();
    const struct {
        QStringList Options;
        QByteArray List;
        int Exit;
        QString Error; // on standard error, or every file's row when empty
    } cases[] = {
        {{}, (a + "\n" + b + "\n").toUtf8(), 0, ""},
        {{"-0"}, nulEnded, 0, ""},
        {{"--null"}, nulEnded + '\0', 0, ""},
        {{}, (a + "\r\n\r\n" + b + "\r\n").toUtf8(), 0, ""},
        {{}, "\n" + nulEnded, 2, "line 2 of the list of files standard input holds a NUL byte"},
        {{"--files-from", "/dev/zero"}, {}, 2, "line 1 of the list of files \"/dev/zero\" holds"},
        {{"--files-from", "/dev/zero", "-0"}, {}, 2, "is longer than 64 MiB"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        const QString out = Out(QString("list%1").arg(n++));
        const QStringList list = c.Options.contains("--files-from")
                                     ? c.Options
                                     : QStringList{"--files-from", "-"} + c.Options;
        const TRun run = Run(Basic(out) + list, c.List);
        EXPECT_EQ(run.Exit, c.Exit) << run.Errors.toStdString();
        if (!c.Error.isEmpty()) {
            EXPECT_TRUE(run.Errors.contains(c.Error)) << run.Errors.toStdString();
            continue;
        }
        const QStringList lines = SummaryLines(out);
        ASSERT_EQ(lines.size(), 3);
        EXPECT_TRUE(lines[1].startsWith(a + ",")) << lines[1].toStdString();
        EXPECT_TRUE(lines[2].startsWith(b + ",")) << lines[2].toStdString();
    }
}

TEST_F(BatchCommand, AClosedStandardErrorNeitherStopsTheRunNorLeavesATemporary) {
    // As `kelvane-batch ... 2>&1 | head` after head has gone: every error line meets a pipe
    // without a reader (and the signal a shell leaves at its default).
    QStringList files = Samples(3);
    files.prepend(Folder.filePath("missing.dat"));
    const TRun run = Run(Basic(Out()) + files, {}, [] {
        int ends[2];
        if (::pipe(ends) == 0) {
            ::close(ends[0]);
            ::dup2(ends[1], STDERR_FILENO);
            ::close(ends[1]);
        }
        std::signal(SIGPIPE, SIG_DFL);
    });
    EXPECT_EQ(run.Exit, 1) << "ended by a signal when -1";
    EXPECT_EQ(SummaryLines(Out()).size(), 5);
    EXPECT_TRUE(QDir(Out()).entryList({".*"}, QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(BatchCommand, ControlCharactersInNamesAreShownEscaped) {
    // A name that would retitle the terminal, and an option value that would break the line.
    const QString hostile =
        WriteSpectrumFile(Folder.path(), "\x1b]0;owned\x07.dat", [](int) { return 1.0; });
    const TRun run = Run(Basic(Out()) + QStringList{hostile});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_FALSE(run.Errors.contains('\x1b') || run.Errors.contains('\x07'))
        << run.Errors.toStdString();
    EXPECT_TRUE(run.Errors.contains("\\x1b]0;owned\\x07.dat: no source position"))
        << run.Errors.toStdString();

    // A name that a right-to-left override would show as "G0_30.0.txt.dat" reversed.
    const QString reversed =
        WriteSpectrumFile(Folder.path(), "x\u202etad.txt", [](int) { return 1.0; });
    const TRun bidi = Run(Basic(Out("bidi")) + QStringList{reversed});
    EXPECT_FALSE(bidi.Errors.contains(QChar(0x202e))) << bidi.Errors.toStdString();
    EXPECT_TRUE(bidi.Errors.contains("x\\u202etad.txt: no source position"))
        << bidi.Errors.toStdString();

    const TRun option = Run(Basic(Out()) + QStringList{"--axis", "x\ny\r", hostile});
    EXPECT_EQ(option.Exit, 2);
    EXPECT_EQ(option.Errors.count('\n'), 2) << "the error and the hint to --help, a line each";
    EXPECT_TRUE(option.Errors.contains("not 'x\\x0ay\\x0d'")) << option.Errors.toStdString();
}

TEST_F(BatchCommand, AFullDiskFailsEveryOutputAndLeavesNothingHalfWritten) {
    // Standard output on a full device: the help text and the version cannot be written.
    for (const char* option : {"--help", "--version"}) {
        const TRun run = Run({option}, {}, [] {
            const int full = ::open("/dev/full", O_WRONLY);
            ::dup2(full, STDOUT_FILENO);
        });
        EXPECT_EQ(run.Exit, 1) << option;
        EXPECT_TRUE(run.Errors.contains("standard output: No space left on device"))
            << run.Errors.toStdString();
    }

    // Files that may not grow beyond 300 bytes (ulimit -f; SIGXFSZ at its default, which would
    // kill the command): the texts, the summary and the rotation curve fail with the reason,
    // and no temporary file stays (the diagram's own full disk is in Lvdiagramunit_test).
    const auto limited = [] {
        const rlimit limit{300, 300};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    const TRun run = Run(
        Basic(Out()) + QStringList{"--rotation-curve", "--lv-diagram"} + Samples(3), {}, limited);
    EXPECT_EQ(run.Exit, 1) << "ended by a signal when -1";
    for (const char* name :
         {".txt\": File too large", "summary.csv\": File too large",
          "rotation-curve.csv\": File too large", "rotation-curve.png\": File too large",
          // Files that failed are not drawn: the diagram has nothing to show.
          "lv-diagram.png and lv-diagram.svg are not written"})
        EXPECT_TRUE(run.Errors.contains(name)) << name << " in " << run.Errors.toStdString();
    EXPECT_TRUE(QDir(Out()).entryList(QDir::Files | QDir::Hidden).isEmpty())
        << QDir(Out()).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
    // The average likewise.
    QDir().mkpath(Out("average"));
    const TRun average =
        Run({"--average", Out("average/mean.txt"), Sample(1), Twin(1)}, {}, limited);
    EXPECT_EQ(average.Exit, 1) << "ended by a signal when -1";
    EXPECT_TRUE(average.Errors.contains("mean.txt\": File too large"))
        << average.Errors.toStdString();
    EXPECT_TRUE(QDir(Out("average")).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(BatchCommand, AFailedFinalFlushIsReported) {
    // A folder that may be written but not opened: the summary is written, the flush of the
    // folder's file system at the end fails. The superuser's overrides are dropped for it.
    const QString out = Out();
    QDir().mkpath(out);
    QFile::setPermissions(out, QFile::WriteOwner | QFile::ExeOwner);
    const TRun run = Run(Basic(out) + QStringList{Folder.filePath("missing.dat")}, {}, [] {
        if (::geteuid() == 0 && (::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE) != 0 ||
                                 ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH) != 0))
            ::_exit(77);
    });
    QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (run.Exit == 77)
        GTEST_SKIP() << "the superuser's overrides cannot be dropped here";
    EXPECT_EQ(run.Exit, 1);
    EXPECT_TRUE(run.Errors.contains("cannot flush the outputs in \"" + out +
                                    "\" to the disk: Permission denied"))
        << run.Errors.toStdString();
}

} // namespace
