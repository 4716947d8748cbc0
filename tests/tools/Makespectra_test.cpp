// The sample generator's command line, run as a user runs it.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  c.written)
            << what.toStdString();
    }
}
