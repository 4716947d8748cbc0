#include "about/Manualunit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

QStringList ManualCandidates(const QString& programFolder) {
    const QString bin = QDir(programFolder).absolutePath();
    return {QDir::cleanPath(bin + "/../share/doc/kelvane/README.md"),
            QDir::cleanPath(bin + "/../README.md")};
}

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
        const QString markdown = QString::fromUtf8(readme.readAll());
        if (!QDir().mkpath(folder)) {
            error = "Unable to make the folder " + folder;
            return {};
        }
        const QString path = QDir(folder).absoluteFilePath("kelvane-manual.html");
        QSaveFile page(path);
        const QByteArray bytes = ManualHtml(markdown, QFileInfo(candidate).absolutePath()).toUtf8();
        if (!page.open(QIODevice::WriteOnly) || page.write(bytes) != bytes.size() ||
            !page.commit()) {
            error = "Unable to write " + path + ": " + page.errorString();
            return {};
        }
        return path;
    }
    error = "No manual found (looked for " + candidates.join(", ") + ")";
    return {};
}
