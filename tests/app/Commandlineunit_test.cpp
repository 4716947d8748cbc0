// kelvane's command line: --help and --version answer without a window, also where no display
// can be opened.
#include "about/Versionunit.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(CommandLine, HelpAndVersionPrintAndEndWithoutADisplay) {
    struct Case {
        QStringList Arguments;
        int Status;
        const char* Output; // printed to standard output
    } const cases[] = {
        {{"--help"}, 0, "[file]"},
        {{"-h"}, 0, "--version"},
        {{"--version"}, 0, KelvaneVersion::ProductVersion},
        {{"-v"}, 0, "kelvane (Kelvane)"},
        {{"--help", "--frobnicate"}, 2, ""},
    };
    for (const Case& c : cases) {
        QProcess kelvane;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // A desktop profile over ssh: the xcb platform asked for, and no display to open.
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        kelvane.setProcessEnvironment(environment);
        kelvane.start(KELVANE_EXE, c.Arguments);
        ASSERT_TRUE(kelvane.waitForFinished(20000)) << c.Arguments.join(' ').toStdString();
        const QString out = QString::fromLocal8Bit(kelvane.readAllStandardOutput());
        EXPECT_EQ(kelvane.exitStatus(), QProcess::NormalExit)
            << c.Arguments.join(' ').toStdString();
        EXPECT_EQ(kelvane.exitCode(), c.Status) << c.Arguments.join(' ').toStdString();
        EXPECT_TRUE(out.contains(c.Output)) << c.Arguments.join(' ').toStdString() << ":\n"
                                            << out.toStdString();
    }
}

// Under a file-size limit a write fails with "File too large" instead of killing the program:
// the version, written into a file that may not grow, ends with status 1.
TEST(CommandLine, AFileSizeLimitFailsAWriteInsteadOfKilling) {
    QTemporaryDir folder;
    QProcess shell;
    shell.start("/bin/sh", {"-c", "ulimit -f 0; exec \"$0\" --version > \"$1\"", KELVANE_EXE,
                            folder.filePath("version.txt")});
    ASSERT_TRUE(shell.waitForFinished(20000));
    EXPECT_EQ(shell.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(shell.exitCode(), 1) << "128 + SIGXFSZ when killed";
}

} // namespace
