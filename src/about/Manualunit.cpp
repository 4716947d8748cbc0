#include "about/Manualunit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTextDocument>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

QStringList ManualCandidates(const QString& programFolder) {
    const QString bin = QDir(programFolder).absolutePath();
    return {QDir::cleanPath(bin + "/../share/doc/kelvane/README.md"),
            QDir::cleanPath(bin + "/../README.md")};
}

QString UserManualMarkdown(const QString& readme) {
    static const QStringList builders = {"Installing", "Tests and benchmarks"};
    QStringList kept;
    bool keep = true, titled = false;
    for (const QString& line : readme.split('\n')) {
        if (line.startsWith("# ") && !titled) {
            kept << line;
            titled = true;
            keep = false; // the commands that build and start it
            continue;
        }
        if (line.startsWith("## "))
            keep = !builders.contains(line.mid(3).trimmed());
        if (keep)
            kept << line;
    }
    return kept.join('\n');
}

namespace {

// Writes bytes to a new file in folder and renames it over path: a symbolic link at path is
// replaced by the page, never followed (it may point at any file of the user's).
bool ReplaceFile(const QString& folder, const QString& path, const QByteArray& bytes,
                 QString& error) {
    QTemporaryFile file(QDir(folder).filePath("kelvane-manual-XXXXXX.html"));
    if (!file.open()) {
        error = "Unable to write " + path + ": " + file.errorString();
        return false;
    }
    const auto fail = [&](const QString& reason) {
        error = "Unable to write " + path + ": " + reason;
        return false;
    };
    // Written past Qt's buffer, so that a write cut short (a full disk, a file-size limit)
    // names its reason.
    for (qsizetype at = 0; at < bytes.size();) {
        const ssize_t count = ::write(file.handle(), bytes.constData() + at,
                                      static_cast<std::size_t>(bytes.size() - at));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return fail(QString::fromLocal8Bit(std::strerror(count < 0 ? errno : ENOSPC)));
        at += count;
    }
    if (::fsync(file.handle()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    file.close();
    if (::rename(QFile::encodeName(file.fileName()).constData(),
                 QFile::encodeName(path).constData()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    file.setAutoRemove(false);
    return true;
}

} // namespace

QString ManualHtml(const QString& markdown, const QString& baseFolder) {
    QTextDocument document;
    document.setMarkdown(markdown);
    document.setMetaInformation(QTextDocument::DocumentTitle, "Kelvane manual");
    QString html = document.toHtml();
    // Relative links and pictures (docs/...) resolve against the README's own folder.
    const QString base = "<base href=\"" +
                         QUrl::fromLocalFile(QDir(baseFolder).absolutePath() + '/').toString() +
                         "\" />";
    const qsizetype head = html.indexOf("<head>");
    if (head >= 0)
        html.insert(head + 6, base);
    return html;
}

QString WriteManual(const QStringList& candidates, const QString& folder, QString& error) {
    for (const QString& candidate : candidates) {
        QFile readme(candidate);
        if (!QFileInfo(candidate).isFile() || !readme.open(QIODevice::ReadOnly))
            continue;
        const QString markdown = UserManualMarkdown(QString::fromUtf8(readme.readAll()));
        // The cache folder is the user's alone: nobody else may put a file or a link in it.
        if (!QDir().mkpath(folder) ||
            !QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner)) {
            error = "Unable to make the folder " + folder;
            return {};
        }
        const QString path = QDir(folder).absoluteFilePath("kelvane-manual.html");
        const QByteArray bytes = ManualHtml(markdown, QFileInfo(candidate).absolutePath()).toUtf8();
        return ReplaceFile(folder, path, bytes, error) ? path : QString();
    }
    error = "No manual found (looked for " + candidates.join(", ") + ")";
    return {};
}
