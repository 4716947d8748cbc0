// kelvane-batch run as a user runs it, for the tests of its command line: the built command in
// a child process with the test's environment, spectrum files written for the case, the
// summary's rows.
#pragma once

#include "support/SpectrumFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

struct TRun {
    int Exit = -1;
    QString Output, Errors;
};

inline QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

class BatchCommand : public ::testing::Test {
protected:
    QTemporaryDir Folder;
    QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();

    // input: standard input; child: runs in the command's process before it starts (standard
    // streams redirected, limits set).
    TRun Run(const QStringList& arguments, const QByteArray& input = {},
             const std::function<void()>& child = nullptr) {
        QProcess process;
        if (child)
            process.setChildProcessModifier(child);
        process.setProcessEnvironment(Environment);
        process.start(QStringLiteral(KELVANE_BATCH_EXE), arguments);
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // A spectrum file whose name carries a galactic position, its line placed by n.
    QString Sample(int n) {
        const QString name = QStringLiteral("G%1_%2.0.dat").arg(n % 10).arg(10 * n);
        return WriteSpectrumFile(Folder.path(), name, [n](int i) {
            const double d = (i - 150 - 4 * (n % 25)) / 7.0;
            return 1500.0 + 0.02 * i + 40.0 * std::exp(-0.5 * d * d) + std::sin(n + 3.0 * i);
        });
    }

    // A second scan of Sample(n)'s position: a copy of it in the folder "twin".
    QString Twin(int n) {
        const QString path = Folder.filePath("twin/" + QFileInfo(Sample(n)).fileName());
        QDir().mkpath(Folder.filePath("twin"));
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(Sample(n), path));
        return path;
    }

    QStringList Samples(int count) {
        QStringList paths;
        for (int n = 0; n < count; ++n)
            paths << Sample(n);
        return paths;
    }

    QString Out(const QString& name = "out") { return Folder.filePath(name); }

    static QStringList Basic(const QString& out) {
        return {"--fit-outside", "-150:150", "--terms", "4", "--axis", "vlsr", "--out", out};
    }

    static QStringList SummaryLines(const QString& folder) {
        QString text = QString::fromUtf8(Contents(QDir(folder).filePath("summary.csv")));
        EXPECT_TRUE(text.endsWith("\r\n"));
        QStringList lines = text.split("\r\n");
        lines.removeLast();
        return lines;
    }
};
