// Manualunit: the program's manual for Help > Manual. The manual is the users' part of the
// README that is installed with the program (share/doc/kelvane/README.md): what the window and
// kelvane-batch do, with the pictures; not how to build and test. It is turned into HTML, which
// every desktop has a viewer for, with its pictures found beside the README.
#pragma once

#include <QString>
#include <QStringList>

// Where the README may be, in the order looked at: installed beside the program's prefix
// (bin/../share/doc/kelvane), then the source tree of a build folder inside it (build/..).
QStringList ManualCandidates(const QString& programFolder);

// The users' part of the README: its title, then every section but the commands above the first
// section and the sections on installing and on tests ("## Installing", "## Tests and
// benchmarks", with their subsections).
QString UserManualMarkdown(const QString& readme);

// The README's Markdown as an HTML page whose links and pictures are found from baseFolder.
QString ManualHtml(const QString& markdown, const QString& baseFolder);

// Writes the HTML manual (UserManualMarkdown) of the first README found among candidates into
// folder (made when missing, and kept private: mode 0700), as kelvane-manual.html, atomically: a
// new file renamed over the name, so a symbolic link there is replaced, never written through.
// Returned: the page's path, or an empty text and error set to the reason ("no README found in
// ...", the file system's reason).
QString WriteManual(const QStringList& candidates, const QString& folder, QString& error);
